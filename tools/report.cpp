#include "report.h"

#include <cstdio>
#include <cstring>

namespace codehdr::tool {

namespace {

void PrintLine(const char* kind, const std::string& subject, const std::string& reason) {
  std::fflush(stdout);
  if (subject.empty()) {
    std::fprintf(stderr, "codehdr: %s%s\n", kind, reason.c_str());
  } else {
    std::fprintf(stderr, "codehdr: %s%s: %s\n", kind, subject.c_str(), reason.c_str());
  }
}

}  // namespace

void PrintError(const std::string& subject, const std::string& reason) {
  PrintLine("", subject, reason);
}

void PrintWarning(const std::string& subject, const std::string& reason) {
  PrintLine("warning: ", subject, reason);
}

std::string ErrnoText(int errnum) { return std::strerror(errnum); }

}  // namespace codehdr::tool
