// The subcommands of codehdr: the options each takes, and the function that
// runs it once the command line is parsed (tools/main.cpp defines the command
// line). A run returns the exit status; errors are thrown as ToolError and
// reported by main.
#ifndef CODEHDR_TOOLS_COMMANDS_H
#define CODEHDR_TOOLS_COMMANDS_H

#include <string>
#include <vector>

namespace codehdr::tool {

struct DependencyArg {
  bool by_label = true;  // --dep (label) or --dep-type (number)
  std::string text;      // as given: "LABEL=VER" or "N=VER"
};

struct BuildOptions {
  std::string payload;
  std::string output;
  int tag = 0;
  std::string virevuz;
  std::string code_ver;
  std::string comment;
  std::vector<std::string> deps;
  std::vector<std::string> dep_types;
  std::string from;
  std::string devctl;
  // Filled after parsing.
  bool have_tag = false;
  bool have_virevuz = false;
  bool have_comment = false;
  std::vector<DependencyArg> ordered_deps;
};

struct CrcOptions {
  std::vector<std::string> files;
  bool crc16 = false;
  bool impl = false;
  bool kernel = false;
};

struct DevicesOptions {
  std::string devctl;
  bool json = false;
};

struct ExtractOptions {
  std::string image;
  std::string output;
  bool raw = false;
};

struct InfoOptions {
  std::vector<std::string> files;
  bool json = false;
  bool hex = false;
  int tag = 0;
};

struct VerifyOptions {
  std::vector<std::string> files;
  int tag = 0;
  bool json = false;
  unsigned int jobs = 0;
};

struct CheckOptions {
  std::vector<std::string> files;
  std::string dir;
  std::string devctl;
  std::string virevuz;
  std::vector<std::string> allow_missing;
  unsigned int jobs = 0;
  bool json = false;
  std::string junit;
  std::string write_manifest;
  std::string manifest;
};

struct MakeOptions {
  unsigned major = 0;
  unsigned minor = 0;
  std::string release;
  int build = -1;  // none
  bool prelim = false;
};

int RunBuild(BuildOptions& opts);
int RunReleaseCheck(const CheckOptions& opts);
int RunCrc(const CrcOptions& opts);
int RunDevices(const DevicesOptions& opts);
int RunExtract(const ExtractOptions& opts);
int RunInfo(const InfoOptions& opts);
int RunModes(bool json);
int RunVerify(const VerifyOptions& opts);
int RunCheck(const std::string& text);
int RunParse(const std::string& text);
int RunMake(const MakeOptions& opts);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_COMMANDS_H
