// Where the tool's inputs come from: files named on the command line (or
// standard input for "-"), and the device control file.
#ifndef CODEHDR_TOOLS_INPUTS_H
#define CODEHDR_TOOLS_INPUTS_H

#include <cstdio>
#include <string>

#include <codehdr/devices.h>

namespace codehdr::tool {

// A file opened for reading front to back; "-" is standard input. Anything
// but a regular file is refused.
class Input {
 public:
  // Throws ToolError (exit status 2) naming the file when it cannot be opened.
  explicit Input(const std::string& path);
  ~Input();
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  std::FILE* get() const { return file_; }
  // The file's name for messages ("standard input" for "-").
  const std::string& subject() const { return subject_; }

 private:
  std::FILE* file_ = nullptr;
  bool owned_ = false;
  std::string subject_;
};

// Loads the device table from --devctl FILE (`option_value`), else
// $CODEHDR_DEVCTL, else virevuz.txt beside the program. The reader's
// messages go to standard error. Throws ToolError (exit status 1) naming the
// file when the load is refused.
DeviceTable LoadDevices(const std::string& option_value);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_INPUTS_H
