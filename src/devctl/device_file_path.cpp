#include "devctl/device_file_path.h"

#include <utility>

#include "platform/platform.h"

namespace codehdr::devctl {

bool DeviceFilePathBeside(const std::string& exePath, std::string* path) {
  const std::size_t sep = exePath.rfind(platform::kPathSeparator);
  std::string result = sep == std::string::npos ? std::string() : exePath.substr(0, sep + 1);
  result += kDeviceFileName;
  if (result.size() > kMaxDevicePathLen) return false;
  *path = std::move(result);
  return true;
}

}  // namespace codehdr::devctl
