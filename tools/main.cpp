// codehdr: build, inspect, verify and take apart firmware code images from a
// terminal or a pipeline, through the public API of libcodehdr.
#include <exception>
#include <string>

#include <CLI/CLI.hpp>
#include <codehdr/checksum.h>

#include "commands.h"
#include "errors.h"

namespace {

using namespace codehdr::tool;

constexpr const char* kFooter =
    "Environment:\n"
    "  CODEHDR_DEVCTL    device control file when --devctl is not given\n"
    "                    (default: virevuz.txt beside the program)\n"
    "  CODEHDR_CRC_IMPL  force a CRC-32 kernel: table, slice, pclmul-sse, pclmul,\n"
    "                    avx2 or avx512\n"
    "  NO_COLOR          when set and not empty, info --hex prints no colour\n"
    "\n"
    "Exit status: 0 success; 1 a check failed or a build, extraction or device\n"
    "table was refused; 2 usage error, or a file that cannot be read or written.\n"
    "Every error is one line on standard error: codehdr: SUBJECT: reason";

std::string VersionText() {
  return std::string("codehdr ") + CODEHDR_TOOL_VERSION + " (CRC-32 kernel: " + codehdr::Crc32KernelName() + ")";
}

void AddCommands(CLI::App& app, int& exit_status) {
  AddBuildCommand(app, exit_status);
  AddInfoCommand(app, exit_status);
  AddVerifyCommand(app, exit_status);
  AddExtractCommand(app, exit_status);
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

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Build, inspect, verify and take apart firmware code images.", "codehdr"};
  app.require_subcommand(1);
  app.set_version_flag("--version", VersionText);
  app.footer(kFooter);
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
