// Where the tool's inputs come from: files named on the command line (or
// standard input for "-"), and the device control file.
#ifndef CODEHDR_TOOLS_INPUTS_H
#define CODEHDR_TOOLS_INPUTS_H

#include <cstdint>
#include <string>

#include <codehdr/devices.h>
#include <codehdr/file_io.h>

namespace codehdr::tool {

// Opens `path` for reading front to back; "-" is standard input. Throws
// ToolError (exit status 2) naming the file when it cannot be opened or is
// not a regular file (a FIFO, a directory, a device: reading it might never
// end; "-" is the way to read a stream).
InputFile OpenInput(const std::string& path);

// The whole content of the regular file `path`, read once. Throws ToolError
// (exit status 2) naming the file when it cannot be read or holds more than
// `limit` bytes.
std::string ReadSmallFile(const std::string& path, std::uint64_t limit);

// Writes `text` to `path` whole or not at all: into a file beside it that is
// then renamed over it. Throws ToolError (exit status 2) naming the file on
// failure, leaving `path` as it was.
void WriteSmallFile(const std::string& path, const std::string& text);

// Loads the device table from --devctl FILE (`option_value`), else
// $CODEHDR_DEVCTL, else the system's place (SystemDeviceFile). The reader's
// messages go to standard error. Throws ToolError naming the file: exit
// status 2 when it cannot be opened or is not a regular file (saying how to
// give one), 1 when its content is refused.
DeviceTable LoadDevices(const std::string& option_value);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_INPUTS_H
