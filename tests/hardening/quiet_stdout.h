// Sends file descriptor 1 to /dev/null while in scope, without allocating, so
// that it can surround an operation under an armed allocation failure.
#ifndef CODEHDR_TESTS_HARDENING_QUIET_STDOUT_H
#define CODEHDR_TESTS_HARDENING_QUIET_STDOUT_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace codehdr::test {

class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devNull >= 0) {
      dup2(devNull, STDOUT_FILENO);
      close(devNull);
    }
  }
  ~QuietStdout() {
    std::fflush(stdout);
    if (saved_ >= 0) {
      dup2(saved_, STDOUT_FILENO);
      close(saved_);
    }
  }
  QuietStdout(const QuietStdout&) = delete;
  QuietStdout& operator=(const QuietStdout&) = delete;

 private:
  int saved_ = -1;
};

}  // namespace codehdr::test

#endif  // CODEHDR_TESTS_HARDENING_QUIET_STDOUT_H
