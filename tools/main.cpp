// codehdr: build, inspect and verify firmware code images from a terminal or
// a pipeline, through the public API of libcodehdr.
#include <exception>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "crc/crc32_select.h"
#include "report.h"
#include "tool_error.h"

namespace {

using namespace codehdr::tool;

std::string VersionText() {
  return std::string("codehdr ") + CODEHDR_TOOL_VERSION + " (CRC-32 kernel: " + codehdr::crc::SelectedImplName() +
         ")";
}

void AddCommands(CLI::App& app, int& exit_status) {
  AddBuildCommand(app, exit_status);
  AddInfoCommand(app, exit_status);
  AddVerifyCommand(app, exit_status);
  AddCrcCommand(app, exit_status);
  AddDevicesCommand(app, exit_status);
  AddModesCommand(app, exit_status);
  AddVersionCommand(app, exit_status);
}

// Help and --version go out as CLI11 formats them; a usage error is one line.
int ReportParseError(const CLI::App& app, const CLI::ParseError& e) {
  if (e.get_exit_code() == 0) return app.exit(e);
  PrintError("", std::string("usage: ") + e.what() + " (see codehdr --help)");
  return kExitUsage;
}

// Verifying many images allocates and frees one file-sized buffer per image.
// By default glibc hands the top of the main heap back to the kernel after
// each free, so every image pays for freshly zeroed pages again; keeping up to
// 64 MiB of freed memory avoids that.
void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  KeepFreedMemoryForReuse();
  CLI::App app{"Build, inspect and verify firmware code images.", "codehdr"};
  app.require_subcommand(1);
  app.set_version_flag("--version", VersionText());
  app.footer("Exit status:\n  0  success\n  1  a check or build was refused\n  2  usage error or unreadable input\n\nEnvironment:\n  CODEHDR_DEVCTL    device control file when --devctl is not given\n  CODEHDR_CRC_IMPL  force a CRC-32 kernel: table, slice, pclmul-sse, pclmul, avx2 or avx512\n\nDevice control file: --devctl FILE, else $CODEHDR_DEVCTL, else virevuz.txt beside the program.");
  int exit_status = kExitOk;
  AddCommands(app, exit_status);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return ReportParseError(app, e);
  } catch (const ToolError& e) {
    PrintError(e.subject(), e.what());
    return e.exit_status();
  } catch (const std::exception& e) {
    PrintError("", e.what());
    return kExitUsage;
  }
  return exit_status;
}
