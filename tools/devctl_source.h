// Where the device control file comes from, and loading it.
//   1. --devctl FILE
//   2. the environment variable CODEHDR_DEVCTL
//   3. the library's own rule: "virevuz.txt" beside the executable
#ifndef CODEHDR_TOOLS_DEVCTL_SOURCE_H
#define CODEHDR_TOOLS_DEVCTL_SOURCE_H

#include <string>

class CCodeHeader;
class CVireVuzTxt;

namespace codehdr::tool {

struct DevctlSource {
  std::string path;  // empty: the library's own rule
  std::string Describe() const;
};

// The source chosen from the --devctl value (may be empty) and the environment.
DevctlSource ResolveDevctl(const std::string& option_value);

// Loads the device table into `header` (CCodeHeader::Init) or `table`, with
// the reader's messages sent to standard error. Throws ToolError (exit status
// 1) naming the file and the reader's result when the load fails.
void LoadDevctl(const DevctlSource& source, CCodeHeader& header);
void LoadDevctl(const DevctlSource& source, CVireVuzTxt& table);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_DEVCTL_SOURCE_H
