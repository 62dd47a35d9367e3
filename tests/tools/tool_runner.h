// Runs the built codehdr program as a child process and captures what it
// prints and its exit status.
#ifndef CODEHDR_TESTS_TOOLS_TOOL_RUNNER_H
#define CODEHDR_TESTS_TOOLS_TOOL_RUNNER_H

#include <string>
#include <vector>

namespace codehdr::tooltest {

struct RunResult {
  int exit_code = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
  // The last line written to standard error (the tool's own diagnostic).
  std::string LastErrLine() const;
};

struct RunOptions {
  std::string stdin_file;        // empty: /dev/null
  std::vector<std::string> env;  // "NAME=VALUE" added to the environment
};

RunResult RunTool(const std::vector<std::string>& args, const RunOptions& options = {});

}  // namespace codehdr::tooltest

#endif  // CODEHDR_TESTS_TOOLS_TOOL_RUNNER_H
