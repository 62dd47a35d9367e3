// One-line diagnostics on standard error: "codehdr: SUBJECT: reason".
#ifndef CODEHDR_TOOLS_REPORT_H
#define CODEHDR_TOOLS_REPORT_H

#include <string>

namespace codehdr::tool {

void PrintError(const std::string& subject, const std::string& reason);
void PrintWarning(const std::string& subject, const std::string& reason);

// strerror(errnum) as a std::string.
std::string ErrnoText(int errnum);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_REPORT_H
