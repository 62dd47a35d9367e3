#include "stdout_silencer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace codehdr::fuzz {

StdoutSilencer::StdoutSilencer() {
  std::fflush(stdout);
  savedFd_ = dup(STDOUT_FILENO);
  const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (savedFd_ < 0 || devNull < 0 || dup2(devNull, STDOUT_FILENO) < 0) std::abort();
  close(devNull);
}

StdoutSilencer::~StdoutSilencer() {
  std::fflush(stdout);
  dup2(savedFd_, STDOUT_FILENO);
  close(savedFd_);
}

}  // namespace codehdr::fuzz
