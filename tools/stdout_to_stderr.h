// While an object of this class lives, everything written to standard output
// (file descriptor 1) goes to standard error instead. The device control file
// reader prints its messages on standard output; the tool keeps them out of
// its own output this way.
#ifndef CODEHDR_TOOLS_STDOUT_TO_STDERR_H
#define CODEHDR_TOOLS_STDOUT_TO_STDERR_H

namespace codehdr::tool {

class StdoutToStderr {
 public:
  StdoutToStderr();
  ~StdoutToStderr();
  StdoutToStderr(const StdoutToStderr&) = delete;
  StdoutToStderr& operator=(const StdoutToStderr&) = delete;

 private:
  int saved_stdout_ = -1;
};

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_STDOUT_TO_STDERR_H
