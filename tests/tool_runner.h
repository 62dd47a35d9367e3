// The codehdr program (its path: CODEHDR_TOOL) run as a child process by the tool's tests, with its files in a scratch
// directory.
#ifndef CODEHDR_TESTS_TOOL_RUNNER_H
#define CODEHDR_TESTS_TOOL_RUNNER_H

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support.h"

namespace codehdr::test {

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

struct Output { int status; std::string out, err; };  // status -1: the tool did not exit

class ToolFixture : public ::testing::Test {
 protected:
  // Runs the tool with `args` split at spaces ("@name": the scratch file `name`) through the shell, standard input from
  // the file `in`, `env` ("NAME=VALUE") added and standard output on a terminal (script(1)) when `tty`.
  Output Tool(const std::string& args, const std::string& in = "/dev/null", const std::string& env = "",
              bool tty = false) const {
    std::string command = "timeout 10 " CODEHDR_TOOL;  // a tool that hangs ends, and its test fails
    std::istringstream words(args);
    for (std::string w; words >> w;) command += " '" + (w[0] == '@' ? F(w.substr(1)) : w) + "'";
    if (tty) command = "script -qec \"" + command + "\" /dev/null";
    command = "env " + env + " " + command + " <" + in + " >" + io_.File("out") + " 2>" + io_.File("err");
    const int status = std::system(command.c_str());
    const Bytes out = ReadFile(io_.File("out")), err = ReadFile(io_.File("err"));
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {out.begin(), out.end()}, {err.begin(), err.end()}};
  }
  std::string F(const std::string& name) const { return dir_.File(name); }

  ScratchDir dir_, io_;
};

}  // namespace codehdr::test

#endif  // CODEHDR_TESTS_TOOL_RUNNER_H
