// The tool's system services on Linux and other POSIX systems: arguments
// and environment are bytes already (UTF-8 by convention), streams are
// binary, signals are caught with sigaction, and a terminal shows colour.
#include "system.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include <codehdr/image.h>

namespace codehdr::tool {

std::vector<std::string> ProgramArguments(int argc, NativeChar** argv) { return std::vector<std::string>(argv, argv + argc); }

void UseBinaryStandardStreams() {}

namespace {

void EndOnSignal(int signal_number) {
  RemovePartialOutputs();
  ::_exit(128 + signal_number);
}

}  // namespace

void RemovePartialOutputsOnSignals() {
  struct sigaction action {};
  action.sa_handler = EndOnSignal;
  ::sigemptyset(&action.sa_mask);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) ::sigaddset(&action.sa_mask, signal_number);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal_number, &action, nullptr);
}

std::optional<std::string> EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool StdoutShowsColour() { return ::isatty(STDOUT_FILENO) == 1; }

}  // namespace codehdr::tool
