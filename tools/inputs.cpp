#include "inputs.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <cstdlib>

#include "errors.h"
#include "system.h"

namespace codehdr::tool {

InputFile OpenInput(const std::string& path) {
  InputFile in = path == "-" ? InputFile::StandardInput() : InputFile(path);
  if (!in.ok()) throw ToolError(FileSubject(path), FileErrorText(in.status(), in.error()));
  return in;
}

std::string ReadSmallFile(const std::string& path, std::uint64_t limit) {
  InputFile in = OpenInput(path);
  std::string text;
  ReadChunks(in, [&](const std::uint8_t* data, std::size_t size) {
    if (text.size() + size > limit) {
      throw ToolError(FileSubject(path), "larger than " + std::to_string(limit) + " bytes: not a file read whole");
    }
    text.append(reinterpret_cast<const char*>(data), size);
  });
  if (!in.ok()) throw ToolError(FileSubject(path), FileErrorText(in.status(), in.error()));
  return text;
}

void WriteSmallFile(const std::string& path, const std::string& text) {
  namespace fs = std::filesystem;
  const fs::path target = fs::u8path(path);
  fs::path partial = target;
  partial += ".partial";
  std::error_code error;
  errno = 0;
  std::ofstream out(partial, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    error.assign(errno != 0 ? errno : EIO, std::generic_category());
  } else {
    fs::rename(partial, target, error);  // replaces an existing `path`, on Windows too
  }
  if (error) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    throw ToolError(path, std::string(StatusReason(Status::kFileWrite)) + ": " + error.message());
  }
}

DeviceTable LoadDevices(const std::string& option_value) {
  std::string path = option_value;
  if (path.empty()) path = EnvironmentVariable(kDeviceFileVariable).value_or("");
  if (path.empty()) path = SystemDeviceFile();
  DeviceTable table;
  const Status status = path.empty() ? Status::kDevctlPathTooLong
                                     : LoadDeviceTable(path, table, [](const std::string& line) {
                                         std::fprintf(stderr, "%s\n", line.c_str());
                                       });
  if (status == Status::kOk) return table;
  // A file that is missing or cannot be read is a missing input, not a refusal.
  if (IsFileStatus(status)) {
    throw ToolError(path.empty() ? "virevuz.txt beside the program" : path,
                    std::string(StatusReason(status)) + "; give one with --devctl FILE or " + kDeviceFileVariable);
  }
  throw ToolError(path, "cannot load the device control file: " + StatusText(status), kExitFailed);
}

}  // namespace codehdr::tool
