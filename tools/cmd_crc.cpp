// codehdr crc [--crc16] [--impl] FILE ...   ("-" reads standard input)
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include <codehdr/checksum.h>

#include "commands.h"
#include "errors.h"
#include "inputs.h"
#include "text.h"

namespace codehdr::tool {

namespace {

constexpr std::size_t kChunk = std::size_t{256} << 10;


// The CRC of one file, read front to back through `buffer`.
std::string CrcOfFile(const std::string& file, bool crc16, std::vector<std::uint8_t>& buffer) {
  Input in(file);
  std::uint32_t crc32 = 0;
  std::uint16_t crc16_value = kCrc16Init;
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
    if (crc16) {
      crc16_value = Crc16Extend(crc16_value, buffer.data(), got);
    } else {
      crc32 = Crc32Extend(crc32, buffer.data(), got);
    }
    if (got < buffer.size()) break;
  }
  if (std::ferror(in.get())) throw ToolError(in.subject(), FileErrorText(Status::kFileRead, errno));
  if (!crc16) return CrcText(crc32);
  char text[8];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned int>(crc16_value));
  return text;
}

}  // namespace


int RunCrc(const CrcOptions& opts) {
  if (opts.impl) std::printf("CRC-32 kernel: %s\n", Crc32KernelName());
  if (opts.files.empty() && !opts.impl) throw ToolError("crc", "give at least one FILE (- for standard input)");
  std::vector<std::uint8_t> buffer(kChunk);
  int status = kExitOk;
  for (const std::string& file : opts.files) {
    try {
      std::printf("%s  %s\n", CrcOfFile(file, opts.crc16, buffer).c_str(), file.c_str());
    } catch (const ToolError& e) {
      PrintError(e.subject(), e.what());
      status = std::max(status, e.exit_status());
    }
  }
  return status;
}

}  // namespace codehdr::tool
