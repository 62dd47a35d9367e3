// Errors of the tool: exit statuses, the one exception type, and the
// one-line diagnostics "codehdr: SUBJECT: reason" on standard error.
#ifndef CODEHDR_TOOLS_ERRORS_H
#define CODEHDR_TOOLS_ERRORS_H

#include <stdexcept>
#include <string>
#include <utility>

#include <codehdr/core.h>

namespace codehdr::tool {

// Exit statuses shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // a check failed, or a build or load was refused
constexpr int kExitUsage = 2;   // bad command line, or a file that cannot be read or written

class ToolError : public std::runtime_error {
 public:
  ToolError(std::string subject, const std::string& reason, int exit_status = kExitUsage)
      : std::runtime_error(reason), subject_(std::move(subject)), exit_status_(exit_status) {}

  // The file or option the error is about; may be empty.
  const std::string& subject() const { return subject_; }
  int exit_status() const { return exit_status_; }

 private:
  std::string subject_;
  int exit_status_;
};

// "codehdr: SUBJECT: reason" (or "codehdr: reason") on standard error, after
// whatever standard output holds so far.
void PrintError(const std::string& subject, const std::string& reason);

// "ERR_CRC_MISMATCH (1050): <reason>" for a status with a classic result
// code, else just its reason.
std::string StatusText(Status status);

// The reason of a file status, followed by the system's message for errno
// when there is one: "the file cannot be opened: No such file or directory".
std::string FileErrorText(Status status, int os_error);

// The name files are given in messages: "standard input" for "-".
std::string FileSubject(const std::string& path);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_ERRORS_H
