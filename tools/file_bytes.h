// Reading whole files into memory, with errors that name the file and why.
#ifndef CODEHDR_TOOLS_FILE_BYTES_H
#define CODEHDR_TOOLS_FILE_BYTES_H

#include <string>
#include <vector>

namespace codehdr::tool {

using Bytes = std::vector<unsigned char>;

// The whole content of `path`; "-" reads standard input. Throws ToolError
// (subject: the path) when the file cannot be opened, is a directory, or a
// read fails.
Bytes ReadWholeFile(const std::string& path);

// As ReadWholeFile, but reports the reason instead of throwing: returns false
// and fills `reason`.
bool TryReadWholeFile(const std::string& path, Bytes& out, std::string& reason);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_FILE_BYTES_H
