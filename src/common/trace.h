// The trace sink. The header routines report their progress as printf-style
// lines; this build discards them. Keeping every call in place documents the
// progress points and keeps the format strings checked by the compiler.
#ifndef CODEHDR_SRC_COMMON_TRACE_H
#define CODEHDR_SRC_COMMON_TRACE_H

namespace codehdr {

void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace codehdr

#endif  // CODEHDR_SRC_COMMON_TRACE_H
