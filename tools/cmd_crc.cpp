// codehdr crc [--crc16] [--impl] FILE ...   ("-" reads standard input)
#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <codehdr/checksum.h>
#include <codehdr/crc.h>

#include "commands.h"
#include "crc_text.h"
#include "file_bytes.h"
#include "report.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

constexpr std::size_t kMaxCrc16Length = 0xFFFF;

struct CrcOptions {
  std::vector<std::string> files;
  bool crc16 = false;
  bool impl = false;
};

std::string Crc32Of(const std::string& file, const Bytes& data) {
  if (data.size() > static_cast<std::size_t>(INT_MAX)) {
    throw ToolError(file, "larger than 2 GiB, more than the CRC-32 routine takes");
  }
  CCRC crc;
  return CrcText(crc.GetCRC32(data.data(), static_cast<int>(data.size())));
}

std::string Crc16Of(const std::string& file, const Bytes& data) {
  if (data.size() > kMaxCrc16Length) throw ToolError(file, "larger than 65535 bytes, more than the CRC-16 routine takes");
  CCRC crc;
  crc.GenTable_CRC16();
  char text[8];
  std::snprintf(text, sizeof text, "%04x", crc.GetCRC16(data.data(), static_cast<unsigned short>(data.size())));
  return text;
}

int RunCrc(const CrcOptions& opts) {
  if (opts.impl) std::printf("CRC-32 kernel: %s\n", codehdr::Crc32KernelName());
  if (opts.files.empty() && !opts.impl) throw ToolError("crc", "give at least one FILE (- for standard input)");
  int status = kExitOk;
  for (const std::string& file : opts.files) {
    try {
      Bytes data = ReadWholeFile(file);
      std::string value = opts.crc16 ? Crc16Of(file, data) : Crc32Of(file, data);
      std::printf("%s  %s\n", value.c_str(), file.c_str());
    } catch (const ToolError& e) {
      PrintError(e.subject(), e.what());
      status = std::max(status, e.exit_status());
    }
  }
  return status;
}

}  // namespace

void AddCrcCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<CrcOptions>();
  CLI::App* cmd = app.add_subcommand("crc", "Print the CRC-32 (or CRC-16) of each FILE");
  cmd->add_option("FILE", opts->files, "Files; - reads standard input");
  cmd->add_flag("--crc16", opts->crc16, "CRC-16 instead of CRC-32 (files up to 65535 bytes)");
  cmd->add_flag("--impl", opts->impl, "Also print which CRC-32 kernel this machine uses");
  cmd->callback([opts, &exit_status] { exit_status = RunCrc(*opts); });
}

}  // namespace codehdr::tool
