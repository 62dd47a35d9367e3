// The few operating-system services the library needs, behind one interface.
#ifndef CODEHDR_SRC_PLATFORM_PLATFORM_H
#define CODEHDR_SRC_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdio>
#include <string>

namespace codehdr::platform {

// Path separator of this platform.
constexpr char kPathSeparator = '/';

// Full path of the running executable, however long; empty when the platform
// gives none. Callers apply their own length limits.
std::string ExecutablePath();

// Size in bytes of the open file, from the file system. Returns false when the
// size cannot be obtained or is not a regular file's size.
bool OpenFileSize(std::FILE* file, long long* size);

// True when the open file is a directory. Opening a directory for reading
// succeeds here, though nothing can be read from it.
bool IsDirectory(std::FILE* file);

}  // namespace codehdr::platform

#endif  // CODEHDR_SRC_PLATFORM_PLATFORM_H
