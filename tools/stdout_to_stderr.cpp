#include "stdout_to_stderr.h"

#include <unistd.h>

#include <cstdio>

namespace codehdr::tool {

StdoutToStderr::StdoutToStderr() {
  std::fflush(stdout);
  saved_stdout_ = ::dup(STDOUT_FILENO);
  // Without a saved copy standard output could not be restored: leave it.
  if (saved_stdout_ >= 0 && ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    ::close(saved_stdout_);
    saved_stdout_ = -1;
  }
}

StdoutToStderr::~StdoutToStderr() {
  if (saved_stdout_ < 0) return;
  std::fflush(stdout);
  ::dup2(saved_stdout_, STDOUT_FILENO);
  ::close(saved_stdout_);
}

}  // namespace codehdr::tool
