// Where the device control file is looked for: beside the running executable.
#ifndef CODEHDR_SRC_DEVCTL_DEVICE_FILE_PATH_H
#define CODEHDR_SRC_DEVCTL_DEVICE_FILE_PATH_H

#include <cstddef>
#include <string>

namespace codehdr::devctl {

constexpr char kDeviceFileName[] = "virevuz.txt";

// The complete path must fit a 260-byte buffer with its terminator.
constexpr std::size_t kMaxDevicePathLen = 259;

// Sets *path to the directory of exePath (up to and including its last path
// separator) followed by "virevuz.txt". An empty exePath, or one without a
// separator, gives the bare file name. Returns false when the result would be
// longer than kMaxDevicePathLen characters.
bool DeviceFilePathBeside(const std::string& exePath, std::string* path);

}  // namespace codehdr::devctl

#endif  // CODEHDR_SRC_DEVCTL_DEVICE_FILE_PATH_H
