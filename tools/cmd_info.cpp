// codehdr info IMAGE ... [--json | --hex [--tag N]]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <codehdr/checksum.h>
#include <codehdr/header.h>
#include <codehdr/image.h>

#include "commands.h"
#include "errors.h"
#include "info_hex.h"
#include "inputs.h"
#include "json_print.h"
#include "system.h"
#include "text.h"
#include "verify_pool.h"

namespace codehdr::tool {

namespace {


using Json = nlohmann::ordered_json;

std::string CrcLine(const VerifyReport& report) {
  const std::uint32_t stored = report.header.stored_crc;
  const std::uint32_t computed = report.computed_crc.value_or(0);
  return "stored " + Crc32Text(stored) + ", computed " + Crc32Text(computed) +
         (computed == stored ? " (match)" : " (MISMATCH)");
}

void Line(const char* name, const std::string& value) { std::printf("  %-16s %s\n", name, value.c_str()); }

void PrintInfoText(const std::string& file, const VerifyReport& report) {
  const Header& h = report.header;
  std::printf("%s\n", file.c_str());
  Line("form", HeaderFormName(h.form));
  Line("file size", std::to_string(report.file_size) + " bytes");
  if (h.form == HeaderForm::kOldStyle) {
    Line("tag id", std::to_string(h.tag));
    Line("header size", std::to_string(h.total_size) + " bytes");
  }
  if (h.form != HeaderForm::kNewStyle) return;
  Line("VireVuz version", Printable(h.virevuz_version));
  Line("mandatory size", std::to_string(h.mandatory_size) + " bytes");
  Line("total size",
       std::to_string(h.total_size) + " bytes, " + std::to_string(h.section_count) + " optional sections");
  Line("CRC-32", CrcLine(report));
  Line("tag id", std::to_string(h.tag));
  Line("code mode", CodeModeText(h.code_mode));
  Line("code version", Printable(h.code_version));
  if (h.reserved != 0) Line("reserved byte", std::to_string(h.reserved) + " (should be 0)");
  Line("comment", h.comment ? "\"" + Printable(*h.comment) + "\"" : std::string("(none)"));
  Line("dependencies", std::to_string(h.dependencies.size()));
  std::size_t index = 0;
  for (const Dependency& dep : h.dependencies) {
    std::printf("    [%zu] %s\n", index++, DependencyText(dep).c_str());
  }
}

// Keys: file, file_size, form, and for old- and new-style headers tag_id and
// header_size; for a new-style header also virevuz_version, mandatory_size,
// total_size, stored_crc, computed_crc, crc_match, code_mode,
// code_mode_labels, code_version, section_count, reserved, comment (null when
// none), comment_length, dependencies [{type, labels, version}].
Json InfoJson(const std::string& file, const VerifyReport& report) {
  const Header& h = report.header;
  Json j;
  j["file"] = file;
  j["file_size"] = report.file_size;
  j["form"] = HeaderFormName(h.form);
  if (h.form != HeaderForm::kNewStyle && h.form != HeaderForm::kOldStyle) return j;
  j["tag_id"] = h.tag;
  j["header_size"] = h.total_size;
  if (h.form == HeaderForm::kOldStyle) return j;
  j["virevuz_version"] = Printable(h.virevuz_version);
  j["mandatory_size"] = h.mandatory_size;
  j["total_size"] = h.total_size;
  j["stored_crc"] = h.stored_crc;
  j["computed_crc"] = report.computed_crc.value_or(0);
  j["crc_match"] = report.computed_crc == h.stored_crc;
  j["code_mode"] = h.code_mode;
  j["code_mode_labels"] = CodeModeLabels(h.code_mode);
  j["code_version"] = Printable(h.code_version);
  j["section_count"] = h.section_count;
  j["reserved"] = h.reserved;
  j["comment"] = h.comment ? Json(Printable(*h.comment)) : Json(nullptr);
  j["comment_length"] = h.comment_length;
  Json deps = Json::array();
  for (const Dependency& dep : h.dependencies) {
    deps.push_back({{"type", dep.type}, {"labels", CodeModeLabels(dep.type)}, {"version", Printable(dep.version)}});
  }
  j["dependencies"] = deps;
  return j;
}

// Colour only on a terminal, and never when NO_COLOR is set and not empty.
bool UseColour() {
  const std::optional<std::string> no_colour = EnvironmentVariable("NO_COLOR");
  return (!no_colour || no_colour->empty()) && StdoutShowsColour();
}

void ShowOne(const std::string& file, const InfoOptions& opts, bool first, Json& documents) {
  const VerifyReport report = VerifyInput(file, static_cast<std::uint8_t>(opts.tag));
  if (IsFileStatus(report.status)) throw ToolError(FileSubject(file), FileErrorText(report.status, report.os_error));
  if (opts.hex) {
    if (!first) std::fputc('\n', stdout);
    PrintInfoHex(file, report, HexOptions{static_cast<std::uint8_t>(opts.tag), UseColour()});
  }
  if (report.header.form == HeaderForm::kMalformed) throw ToolError(file, "malformed header: " + StatusText(report.status), kExitFailed);
  if (opts.json) {
    documents.push_back(InfoJson(file, report));
  } else if (!opts.hex) {
    if (!first) std::fputc('\n', stdout);
    PrintInfoText(file, report);
  }
}

}  // namespace


int RunInfo(const InfoOptions& opts) {
  int status = kExitOk;
  Json documents = Json::array();
  bool first = true;
  for (const std::string& file : opts.files) {
    try {
      ShowOne(file, opts, first, documents);
    } catch (const ToolError& e) {
      PrintError(e.subject(), e.what());
      status = std::max(status, e.exit_status());
      if (opts.json) documents.push_back({{"file", file}, {"error", e.what()}});
    }
    first = false;
  }
  if (opts.json) PrintJson(Versioned("images", documents));
  return status;
}

}  // namespace codehdr::tool
