// codehdr verify IMAGE ... [--tag N] [--json] [-j N]
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "errors.h"
#include "json_print.h"
#include "text.h"
#include "verify_pool.h"

namespace codehdr::tool {

namespace {

// Why a file could not be verified at all, or empty when it was.
std::string FileProblem(const VerifyOutcome& o) {
  if (!o.exception.empty()) return "cannot verify: " + o.exception;
  if (IsFileStatus(o.report.status)) return FileErrorText(o.report.status, o.report.os_error);
  return "";
}

template <typename T>
nlohmann::ordered_json OrNull(bool known, const T& value) {
  return known ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

// Keys: file, verdict ("verified", "not_checked", "failed"), status_name
// (the library's name for the outcome: "file_open" for a file that cannot be
// read, "out_of_memory", ...), code and code_name (the classic result code,
// null when there is none), reason, tag_id, code_version, stored_crc,
// computed_crc (null when unknown).
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
          {"verdict", VerdictName(r.verdict)},
          {"status_name", StatusName(r.status)},
          {"code", OrNull(has_code, LegacyCode(r.status))},
          {"code_name", OrNull(has_code, LegacyCodeName(LegacyCode(r.status)))},
          {"reason", reason},
          {"tag_id", OrNull(has_tag, r.header.tag)},
          {"code_version", new_style ? Printable(r.header.code_version) : std::string()},
          {"stored_crc", OrNull(new_style, r.header.stored_crc)},
          {"computed_crc", OrNull(problem.empty() && r.computed_crc.has_value(), r.computed_crc.value_or(0))}};
}

}  // namespace

int RunVerify(const VerifyOptions& opts) {
  // "-" verifies standard input up to its end; it can be read only once.
  if (std::count(opts.files.begin(), opts.files.end(), "-") > 1) {
    throw ToolError("-", "standard input can be given only once");
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
  if (opts.json) PrintJson(Versioned("images", documents));
  return status;
}

}  // namespace codehdr::tool
