#include "inputs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "errors.h"

namespace codehdr::tool {

InputFile OpenInput(const std::string& path) {
  InputFile in = path == "-" ? InputFile::StandardInput() : InputFile(path);
  if (!in.ok()) throw ToolError(FileSubject(path), FileErrorText(in.status(), in.error()));
  return in;
}

std::string ReadSmallFile(const std::string& path, std::uint64_t limit) {
  InputFile in = OpenInput(path);
  std::string text;
  IoBuffer buffer(kIoChunkSize);
  while (const std::size_t got = in.Read(buffer.data(), buffer.size())) {
    if (text.size() + got > limit) {
      throw ToolError(FileSubject(path), "larger than " + std::to_string(limit) + " bytes: not a file read whole");
    }
    text.append(reinterpret_cast<const char*>(buffer.data()), got);
  }
  if (!in.ok()) throw ToolError(FileSubject(path), FileErrorText(in.status(), in.error()));
  return text;
}

void WriteSmallFile(const std::string& path, const std::string& text) {
  const std::string partial = path + ".partial";
  std::FILE* out = std::fopen(partial.c_str(), "wb");
  bool written = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
  int error = errno;
  if (out != nullptr && std::fclose(out) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && std::rename(partial.c_str(), path.c_str()) != 0) {
    written = false;
    error = errno;
  }
  if (!written) {
    if (out != nullptr) std::remove(partial.c_str());
    throw ToolError(path, FileErrorText(Status::kFileWrite, error));
  }
}

DeviceTable LoadDevices(const std::string& option_value) {
  std::string path = option_value;
  if (path.empty()) {
    const char* env = std::getenv("CODEHDR_DEVCTL");
    path = env != nullptr ? env : "";
  }
  if (path.empty()) {
    path = DeviceFileBesideExecutable();
    if (path.empty()) {
      throw ToolError("virevuz.txt beside the program", StatusText(Status::kDevctlPathTooLong), kExitFailed);
    }
  }
  DeviceTable table;
  const Status status = LoadDeviceTable(path, table, [](const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
  });
  if (status != Status::kOk) {
    throw ToolError(path, "cannot load the device control file: " + StatusText(status), kExitFailed);
  }
  return table;
}

}  // namespace codehdr::tool
