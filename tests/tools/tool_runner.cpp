#include "tool_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace codehdr::tooltest {

namespace {

std::string TempName(const char* tag) {
  char name[] = "/tmp/codehdr-tooltest-XXXXXX";
  int fd = ::mkstemp(name);
  if (fd >= 0) ::close(fd);
  return std::string(name) + tag;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

[[noreturn]] void RunChild(const std::vector<std::string>& args, const RunOptions& options, const std::string& out,
                           const std::string& err) {
  int in_fd = ::open(options.stdin_file.empty() ? "/dev/null" : options.stdin_file.c_str(), O_RDONLY);
  int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (in_fd < 0 || out_fd < 0 || err_fd < 0) ::_exit(126);
  ::dup2(in_fd, 0);
  ::dup2(out_fd, 1);
  ::dup2(err_fd, 2);
  for (const std::string& entry : options.env) ::putenv(const_cast<char*>(entry.c_str()));
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(CODEHDR_TOOL));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::execv(CODEHDR_TOOL, argv.data());
  ::_exit(127);
}

}  // namespace

std::string RunResult::LastErrLine() const {
  std::string text = err;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  std::size_t start = text.find_last_of('\n');
  return start == std::string::npos ? text : text.substr(start + 1);
}

RunResult RunTool(const std::vector<std::string>& args, const RunOptions& options) {
  std::string base = TempName("");
  std::string out = base + ".out", err = base + ".err";
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) RunChild(args, options, out, err);
  RunResult result;
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  result.out = Slurp(out);
  result.err = Slurp(err);
  for (const std::string& path : {base, out, err}) std::remove(path.c_str());
  return result;
}

}  // namespace codehdr::tooltest
