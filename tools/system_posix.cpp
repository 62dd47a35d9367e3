// The tool's system services on Linux and other POSIX systems: arguments
// and environment are bytes already (UTF-8 by convention), streams are
// binary, and a terminal shows colour.
#include "system.h"

#include <unistd.h>

#include <cstdlib>

namespace codehdr::tool {

std::vector<std::string> ProgramArguments(int argc, NativeChar** argv) { return std::vector<std::string>(argv, argv + argc); }

void UseBinaryStandardStreams() {}

std::optional<std::string> EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool StdoutShowsColour() { return ::isatty(STDOUT_FILENO) == 1; }

}  // namespace codehdr::tool
