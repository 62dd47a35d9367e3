#include "dependency_args.h"

#include <cerrno>
#include <cstdlib>

#include <codehdr/codehdr.h>

#include "result_codes.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

constexpr unsigned long kMaxDependencyType = 0xFFFF;

struct KeyAndVersion {
  std::string key;
  std::string version;
};

std::string Subject(const DependencyArg& dep) {
  return std::string(dep.by_label ? "--dep " : "--dep-type ") + dep.text;
}

KeyAndVersion Split(const DependencyArg& dep) {
  std::size_t eq = dep.text.find('=');
  if (eq == std::string::npos || eq == 0) {
    throw ToolError(Subject(dep), dep.by_label ? "expected LABEL=VERSION" : "expected TYPE=VERSION", kExitUsage);
  }
  return {dep.text.substr(0, eq), dep.text.substr(eq + 1)};
}

unsigned short ParseType(const DependencyArg& dep, const std::string& text) {
  char* end = nullptr;
  errno = 0;
  unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || text[0] == '-' || value > kMaxDependencyType) {
    throw ToolError(Subject(dep), "the type must be a number from 0 to 65535", kExitUsage);
  }
  return static_cast<unsigned short>(value);
}

void AddByLabel(CCodeHeader& header, const DependencyArg& dep, const KeyAndVersion& kv) {
  unsigned short code = header.AddCodeDependencyToHdr(kv.key.c_str(), kv.version.c_str());
  if (code != HDR_SUCCESS) throw ToolError(Subject(dep), DescribeResult(code), kExitFailed);
}

// The library takes a typed dependency's version unchecked; a malformed one
// would only show later as a header that fails verification.
void AddByType(CCodeHeader& header, const DependencyArg& dep, const KeyAndVersion& kv) {
  unsigned short type = ParseType(dep, kv.key);
  if (VerifyCodeVersionFormat(kv.version.c_str(), 16) == 0) {
    throw ToolError(Subject(dep), DescribeResult(ERR_VERSION_FORMAT), kExitFailed);
  }
  header.AddCodeDependencyToHdr(type, kv.version.c_str());
}

}  // namespace

void AddDependencies(CCodeHeader& header, const std::vector<DependencyArg>& deps) {
  for (const DependencyArg& dep : deps) {
    KeyAndVersion kv = Split(dep);
    if (dep.by_label) {
      AddByLabel(header, dep, kv);
    } else {
      AddByType(header, dep, kv);
    }
  }
}

}  // namespace codehdr::tool
