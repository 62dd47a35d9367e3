// codehdr verify IMAGE ... [--tag N] [--json] [-j N]
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "errors.h"
#include "json_print.h"
#include "text.h"
#include "verify_pool.h"

namespace codehdr::tool {

namespace {

struct VerifyOptions {
  std::vector<std::string> files;
  int tag = 0;
  bool json = false;
  unsigned int jobs = 0;
};

// Why a file could not be verified at all, or empty when it was.
std::string FileProblem(const VerifyOutcome& o) {
  if (!o.exception.empty()) return "cannot verify: " + o.exception;
  if (IsFileStatus(o.report.status)) return FileErrorText(o.report.status, o.report.os_error);
  return "";
}

const char* StatusWord(const VerifyOutcome& o) {
  if (!FileProblem(o).empty()) return "error";
  switch (o.report.verdict) {
    case Verdict::kVerified:
      return "verified";
    case Verdict::kNotChecked:
      return "not checked";
    case Verdict::kFailed:
      break;
  }
  return "failed";
}

template <typename T>
nlohmann::ordered_json OrNull(bool known, const T& value) {
  return known ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

// Keys: file, status ("verified", "failed", "not checked", "error"),
// status_name (the library's name for the outcome), code and code_name (the
// classic result code, null when there is none), reason, tag_id,
// code_version, stored_crc, computed_crc (null when unknown).
nlohmann::ordered_json VerifyJson(const std::string& file, const VerifyOutcome& o) {
  const VerifyReport& r = o.report;
  const std::string problem = FileProblem(o);
  const bool has_code = problem.empty() && r.verdict != Verdict::kNotChecked &&
                        (r.status == Status::kOk || LegacyCode(r.status) != 0);
  const bool new_style = problem.empty() && r.header.form == HeaderForm::kNewStyle;
  const bool has_tag = problem.empty() && r.header.form != HeaderForm::kNone && r.header.form != HeaderForm::kMalformed;
  std::string reason = problem;
  if (problem.empty() && r.status != Status::kOk) reason = StatusReason(r.status);
  return {{"file", file},
          {"status", StatusWord(o)},
          {"status_name", StatusName(r.status)},
          {"code", OrNull(has_code, LegacyCode(r.status))},
          {"code_name", OrNull(has_code, LegacyCodeName(LegacyCode(r.status)))},
          {"reason", reason},
          {"tag_id", OrNull(has_tag, r.header.tag)},
          {"code_version", new_style ? Printable(r.header.code_version) : std::string()},
          {"stored_crc", OrNull(new_style, r.header.stored_crc)},
          {"computed_crc", OrNull(problem.empty() && r.computed_crc.has_value(), r.computed_crc.value_or(0))}};
}

int RunVerify(const VerifyOptions& opts) {
  for (const std::string& file : opts.files) {
    if (file == "-") throw ToolError(file, "verify needs file names; use info - for standard input");
  }
  const std::vector<VerifyOutcome> outcomes = VerifyAll(opts.files, opts.jobs, static_cast<std::uint8_t>(opts.tag));
  int status = kExitOk;
  nlohmann::ordered_json documents = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const std::string& file = opts.files[i];
    const std::string problem = FileProblem(outcomes[i]);
    if (!problem.empty()) {
      status = kExitUsage;
    } else if (outcomes[i].report.verdict == Verdict::kFailed && status == kExitOk) {
      status = kExitFailed;
    }
    if (!problem.empty()) PrintError(file, problem);
    if (opts.json) {
      documents.push_back(VerifyJson(file, outcomes[i]));
    } else if (problem.empty()) {
      std::printf("%s: %s\n", file.c_str(), VerdictText(outcomes[i].report).c_str());
    }
  }
  if (opts.json) PrintJson(documents);
  return status;
}

}  // namespace

void AddVerifyCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<VerifyOptions>();
  CLI::App* cmd = app.add_subcommand("verify", "Verify each IMAGE against its header and CRC-32");
  cmd->add_option("IMAGE", opts->files, "Code image files")->required();
  cmd->add_option("--tag", opts->tag, "Expected tag id, 1 to 255 (default: any)")->check(CLI::Range(1, 255));
  cmd->add_flag("--json", opts->json, "One JSON array with a result per file");
  cmd->add_option("-j,--jobs", opts->jobs, "Threads (default: one per core)")->check(CLI::Range(1u, 1024u));
  cmd->footer(
      "Results come in argument order. Files without a new-style header are \"not checked\".\n"
      "Exit status: 0 every file verified or not checked; 1 any failed; 2 usage error\n"
      "or a file that cannot be read.");
  cmd->callback([opts, &exit_status] { exit_status = RunVerify(*opts); });
}

}  // namespace codehdr::tool
