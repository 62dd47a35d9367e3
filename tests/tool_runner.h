// The codehdr program (its path: CODEHDR_TOOL) run as a child process by the tool's tests, with its files in a scratch
// directory.
#ifndef CODEHDR_TESTS_TOOL_RUNNER_H
#define CODEHDR_TESTS_TOOL_RUNNER_H

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

using Output = ProcessResult;  // status -1: the tool did not exit within 10 seconds

class ToolFixture : public ::testing::Test {
 protected:
  // Runs the tool (`program`: a copy of it) with `args` split at spaces ("@name": the scratch file `name`), standard
  // input from the file `in` (none: the null device), `env` ("NAME=VALUE") added, and standard output on a terminal
  // (script(1), Linux only) when `tty`.
  Output Tool(const std::string& args, const std::string& in = "", const std::string& env = "", bool tty = false,
              const std::string& program = CODEHDR_TOOL) const {
    std::vector<std::string> argv;
    std::istringstream emulator(CODEHDR_TOOL_EMULATOR);  // a cross build's tool runs as the tests do
    for (std::string w; emulator >> w;) argv.push_back(w);
    argv.push_back(program);
    std::istringstream words(args);
    for (std::string w; words >> w;) argv.push_back(w[0] == '@' ? F(w.substr(1)) : w);
    if (tty) {
      std::string line;
      for (const std::string& a : argv) line += " '" + a + "'";
      argv = {"script", "-qec", line, NullDevice()};
    }
    return RunProcess(argv, in, env.empty() ? std::vector<std::string>() : std::vector<std::string>{env}, 10);
  }
  std::string F(const std::string& name) const { return dir_.File(name); }

  ScratchDir dir_;
};

}  // namespace codehdr::test

#endif  // CODEHDR_TESTS_TOOL_RUNNER_H
