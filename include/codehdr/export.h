// Symbol visibility for libcodehdr. The library is built with hidden
// visibility; only declarations marked CODEHDR_EXPORT are part of its ABI.
#ifndef CODEHDR_EXPORT_H
#define CODEHDR_EXPORT_H

#if defined(_WIN32)
#  if defined(CODEHDR_BUILDING_LIBRARY)
#    define CODEHDR_EXPORT __declspec(dllexport)
#  else
#    define CODEHDR_EXPORT __declspec(dllimport)
#  endif
#else
#  define CODEHDR_EXPORT __attribute__((visibility("default")))
#endif

#endif  // CODEHDR_EXPORT_H
