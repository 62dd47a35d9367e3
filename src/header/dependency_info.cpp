#include <cstring>

#include <codehdr/code_header.h>

// A plain copy of both fields: all 16 version bytes, whatever follows the NUL.
dependencyInfo& dependencyInfo::operator=(const dependencyInfo& other) {
  depType = other.depType;
  std::memcpy(depVer, other.depVer, sizeof depVer);
  return *this;
}
