// codehdr crc [--crc16] [--impl] [--kernel] FILE ...   ("-" reads standard input)
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
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

// Prints the CRC-32 of one file by every kernel this processor runs, read
// once: a line each, "CRC  FILE  KERNEL". Kernels that disagree fail the file.
void PrintCrcByEveryKernel(const std::string& file, const std::vector<Crc32KernelInfo>& kernels) {
  std::vector<std::pair<const char*, std::uint32_t>> crcs;
  for (const Crc32KernelInfo& k : kernels) {
    if (k.available) crcs.emplace_back(k.name, 0);
  }
  InputFile in = OpenInput(file);
  ReadChunks(in, [&](const std::uint8_t* data, std::size_t size) {
    for (auto& [name, crc] : crcs) crc = *Crc32ExtendWith(name, crc, data, size);
  });
  if (!in.ok()) throw ToolError(FileSubject(file), FileErrorText(in.status(), in.error()));
  for (const auto& [name, crc] : crcs) std::printf("%s  %s  %s\n", Crc32Text(crc).c_str(), file.c_str(), name);
  for (const auto& [name, crc] : crcs) {
    if (crc != crcs.front().second) {
      throw ToolError(FileSubject(file),
                      std::string("the ") + name + " kernel disagrees with the " + crcs.front().first + " kernel",
                      kExitFailed);
    }
  }
}

}  // namespace

int RunCrc(const CrcOptions& opts) {
  if (opts.kernel && opts.crc16) throw ToolError("--kernel", "not with --crc16: the CRC-16 has one kernel");
  const std::vector<Crc32KernelInfo> kernels = Crc32Kernels();
  if (opts.impl) std::printf("CRC-32 kernel: %s\n", Crc32KernelName());
  if (opts.kernel) {
    for (const Crc32KernelInfo& k : kernels) {
      std::printf("%c %s%s\n", k.in_use ? '*' : ' ', k.name, k.available ? "" : "  (not on this processor)");
    }
  }
  if (opts.files.empty() && !opts.impl && !opts.kernel) {
    throw ToolError("crc", "give at least one FILE (- for standard input)");
  }
  int status = kExitOk;
  for (const std::string& file : opts.files) {
    try {
      if (opts.kernel) {
        PrintCrcByEveryKernel(file, kernels);
      } else {
        std::printf("%s  %s\n", CrcOfFile(file, opts.crc16).c_str(), file.c_str());
      }
    } catch (const ToolError& e) {
      PrintError(e.subject(), e.what());
      status = std::max(status, e.exit_status());
    }
  }
  return status;
}

}  // namespace codehdr::tool
