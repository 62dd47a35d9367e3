#include "devctl_source.h"

#include <cstdlib>

#include <codehdr/codehdr.h>

#include "result_codes.h"
#include "stdout_to_stderr.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

constexpr const char* kEnvVar = "CODEHDR_DEVCTL";

void CheckLoadResult(const DevctlSource& source, unsigned short result) {
  if (result == HDR_SUCCESS) return;
  throw ToolError(source.Describe(), "cannot load the device control file: " + DescribeResult(result),
                  kExitFailed);
}

}  // namespace

std::string DevctlSource::Describe() const {
  return path.empty() ? std::string("virevuz.txt beside the executable") : path;
}

DevctlSource ResolveDevctl(const std::string& option_value) {
  if (!option_value.empty()) return {option_value};
  const char* env = std::getenv(kEnvVar);
  if (env != nullptr && *env != '\0') return {env};
  return {};
}

void LoadDevctl(const DevctlSource& source, CCodeHeader& header) {
  unsigned short result;
  {
    StdoutToStderr quiet;
    result = source.path.empty() ? header.Init() : header.Init(source.path.c_str());
  }
  CheckLoadResult(source, result);
}

void LoadDevctl(const DevctlSource& source, CVireVuzTxt& table) {
  unsigned short result;
  {
    StdoutToStderr quiet;
    result = source.path.empty() ? table.init_device_control()
                                 : table.init_device_control(source.path.c_str());
  }
  CheckLoadResult(source, result);
}

}  // namespace codehdr::tool
