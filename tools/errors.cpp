#include "errors.h"

#include <cstdio>
#include <cstring>

namespace codehdr::tool {

void PrintError(const std::string& subject, const std::string& reason) {
  std::fflush(stdout);
  if (subject.empty()) {
    std::fprintf(stderr, "codehdr: %s\n", reason.c_str());
  } else {
    std::fprintf(stderr, "codehdr: %s: %s\n", subject.c_str(), reason.c_str());
  }
}

std::string StatusText(Status status) {
  const std::uint16_t code = LegacyCode(status);
  const char* name = LegacyCodeName(code);
  if (code == 0 || name == nullptr) return StatusReason(status);
  return std::string(name) + " (" + std::to_string(code) + "): " + StatusReason(status);
}

std::string FileErrorText(Status status, int os_error) {
  std::string text = StatusReason(status);
  if (os_error != 0) text += std::string(": ") + std::strerror(os_error);
  return text;
}

std::string FileSubject(const std::string& path) { return path == "-" ? std::string("standard input") : path; }

}  // namespace codehdr::tool
