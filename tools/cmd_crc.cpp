// codehdr crc [--crc16] [--impl] FILE ...   ("-" reads standard input)
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <codehdr/checksum.h>
#include <codehdr/file_io.h>

#include "commands.h"
#include "errors.h"
#include "inputs.h"
#include "text.h"

namespace codehdr::tool {

namespace {

// The CRC of one file, read front to back.
std::string CrcOfFile(const std::string& file, bool crc16) {
  InputFile in = OpenInput(file);
  std::uint32_t crc32 = 0;
  std::uint16_t crc16_value = kCrc16Init;
  ReadChunks(in, [&](const std::uint8_t* data, std::size_t size) {
    if (crc16) {
      crc16_value = Crc16Extend(crc16_value, data, size);
    } else {
      crc32 = Crc32Extend(crc32, data, size);
    }
  });
  if (!in.ok()) throw ToolError(FileSubject(file), FileErrorText(in.status(), in.error()));
  if (!crc16) return Crc32Text(crc32);
  char text[8];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned int>(crc16_value));
  return text;
}

}  // namespace

int RunCrc(const CrcOptions& opts) {
  if (opts.impl) std::printf("CRC-32 kernel: %s\n", Crc32KernelName());
  if (opts.files.empty() && !opts.impl) throw ToolError("crc", "give at least one FILE (- for standard input)");
  int status = kExitOk;
  for (const std::string& file : opts.files) {
    try {
      std::printf("%s  %s\n", CrcOfFile(file, opts.crc16).c_str(), file.c_str());
    } catch (const ToolError& e) {
      PrintError(e.subject(), e.what());
      status = std::max(status, e.exit_status());
    }
  }
  return status;
}

}  // namespace codehdr::tool
