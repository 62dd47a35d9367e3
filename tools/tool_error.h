// The one error type of the tool: what went wrong, with which file, and the
// exit status it leads to. Thrown inside a subcommand and reported by main as
// one line on standard error.
#ifndef CODEHDR_TOOLS_TOOL_ERROR_H
#define CODEHDR_TOOLS_TOOL_ERROR_H

#include <stdexcept>
#include <string>
#include <utility>

namespace codehdr::tool {

// Exit statuses shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the check or the build was refused
constexpr int kExitUsage = 2;   // bad command line or unreadable input

class ToolError : public std::runtime_error {
 public:
  ToolError(std::string subject, const std::string& reason, int exit_status = kExitUsage)
      : std::runtime_error(reason), subject_(std::move(subject)), exit_status_(exit_status) {}

  // The file (or option) the error is about; may be empty.
  const std::string& subject() const { return subject_; }
  int exit_status() const { return exit_status_; }

 private:
  std::string subject_;
  int exit_status_;
};

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_TOOL_ERROR_H
