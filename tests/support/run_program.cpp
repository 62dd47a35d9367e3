// Runs a program as a child process. Its standard output and error go to
// memory files (standard output to a pseudo-terminal when asked), read back
// once it has exited.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "support.h"

namespace codehdr::test {

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::string& stdin_path,
                      const std::vector<std::string>& env, bool tty) {
  ProgramRun run;
  const int out = tty ? ::posix_openpt(O_RDWR | O_NOCTTY) : ::memfd_create("stdout", 0);
  const int err = ::memfd_create("stderr", 0);
  if (out < 0 || err < 0 || (tty && (::grantpt(out) != 0 || ::unlockpt(out) != 0))) return run;
  const int child_out = tty ? ::open(::ptsname(out), O_RDWR | O_NOCTTY) : out;
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(stdin_path.empty() ? "/dev/null" : stdin_path.c_str(), O_RDONLY);
    if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(child_out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    for (const std::string& entry : env) ::putenv(const_cast<char*>(entry.c_str()));
    ::alarm(10);  // a program that hangs ends, and its test fails, instead of running on
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  if (tty) ::close(child_out);  // the terminal's last close ends the reads of `out`
  for (const auto& [fd, text] : {std::pair{out, &run.out}, std::pair{err, &run.err}}) {
    ::lseek(fd, 0, SEEK_SET);  // fails harmlessly on a terminal
    char chunk[4096];
    for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;) text->append(chunk, static_cast<std::size_t>(got));
    ::close(fd);
  }
  return run;
}

}  // namespace codehdr::test
