// Sends file descriptor 1 to /dev/null for the object's lifetime, so that a
// reader that prints its progress does not flood the fuzzer's output.
#ifndef CODEHDR_FUZZ_STDOUT_SILENCER_H
#define CODEHDR_FUZZ_STDOUT_SILENCER_H

namespace codehdr::fuzz {

class StdoutSilencer {
 public:
  StdoutSilencer();
  ~StdoutSilencer();
  StdoutSilencer(const StdoutSilencer&) = delete;
  StdoutSilencer& operator=(const StdoutSilencer&) = delete;

 private:
  int savedFd_ = -1;
};

}  // namespace codehdr::fuzz

#endif  // CODEHDR_FUZZ_STDOUT_SILENCER_H
