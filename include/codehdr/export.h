// Symbol visibility for libcodehdr. The library is built with hidden
// visibility; only declarations marked CODEHDR_EXPORT are part of its ABI.
// On Windows they are exported from the DLL when it is built and imported
// from it by its users. CODEHDR_STATIC: the library's objects are linked into
// the program itself (the project's own tests).
#ifndef CODEHDR_EXPORT_H
#define CODEHDR_EXPORT_H

#if defined(CODEHDR_STATIC)
#  define CODEHDR_EXPORT
#elif defined(_WIN32)
#  if defined(CODEHDR_BUILDING_LIBRARY)
#    define CODEHDR_EXPORT __declspec(dllexport)
#  else
#    define CODEHDR_EXPORT __declspec(dllimport)
#  endif
#else
#  define CODEHDR_EXPORT __attribute__((visibility("default")))
#endif

#endif  // CODEHDR_EXPORT_H
