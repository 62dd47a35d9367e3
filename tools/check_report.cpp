#include "check_report.h"

#include <cstdio>
#include <map>

#include "errors.h"
#include "json_print.h"
#include "text.h"

namespace codehdr::tool {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t kNone = Finding::kNoDependency;

// One finding or manifest difference as printed.
struct Line {
  std::string kind;
  std::string reason;
  std::size_t dependency = kNone;  // for a finding about one dependency
};

// The lines of each image, and those about files that are no image (files
// the manifest names that are gone), each with its file.
struct Grouped {
  std::vector<std::vector<Line>> images;
  std::vector<std::pair<std::string, Line>> gone;
};

Grouped Group(const CheckResult& r) {
  Grouped g{std::vector<std::vector<Line>>(r.images.size()), {}};
  for (const Finding& f : r.release.findings) g.images[f.image].push_back({FindingKindName(f.kind), f.reason, f.dependency});
  std::map<std::string, std::size_t> byName;
  for (std::size_t i = 0; i < r.images.size(); ++i) byName.emplace(r.images[i].name, i);
  for (const ManifestDifference& d : r.differences) {
    const Line line{DifferenceKindName(d.kind), d.reason, kNone};
    const auto image = byName.find(d.file);
    if (image != byName.end()) {
      g.images[image->second].push_back(line);
    } else {
      g.gone.emplace_back(d.file, line);
    }
  }
  return g;
}

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

const Dependency& DependencyOf(const CheckResult& r, const DependencyLink& link) {
  return r.images[link.image].report.header.dependencies[link.dependency];
}

struct Tally {
  std::size_t met = 0, allowed = 0;
};

std::vector<Tally> Tallies(const CheckResult& r) {
  std::vector<Tally> tallies(r.images.size());
  for (const DependencyLink& l : r.release.dependencies) {
    if (l.state == DependencyState::kMet) ++tallies[l.image].met;
    if (l.state == DependencyState::kAllowedMissing) ++tallies[l.image].allowed;
  }
  return tallies;
}

std::string Summary(const CheckResult& r, const Grouped& g) {
  Tally all;
  for (const Tally& t : Tallies(r)) all.met += t.met, all.allowed += t.allowed;
  std::size_t files = g.gone.size();
  for (const std::vector<Line>& lines : g.images) files += lines.empty() ? 0 : 1;
  std::string text = "check: " + Count(r.images.size(), "image", "images") + ", " + std::to_string(all.met) + " of " +
                     Count(r.release.dependencies.size(), "dependency", "dependencies") + " met";
  if (all.allowed != 0) text += ", " + std::to_string(all.allowed) + " allowed missing";
  if (!r.manifest.empty()) text += ", manifest " + Printable(r.manifest);
  if (r.Consistent()) return text + ": the release is consistent";
  return text + ", " + Count(r.FindingCount(), "finding", "findings") + " in " + Count(files, "file", "files") +
         ": the release is NOT consistent";
}

std::vector<std::string> Names(const CheckResult& r, const std::vector<std::size_t>& images) {
  std::vector<std::string> names;
  for (const std::size_t i : images) names.push_back(Printable(r.images[i].name));
  return names;
}

// Text for XML: printable ASCII, with the five markup characters escaped.
std::string Xml(const std::string& text) {
  std::string out;
  for (const char c : Printable(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

struct TestCase {
  const char* classname;
  std::string name;
  std::vector<Line> failures;
  std::string error;    // the file cannot be read
  std::string skipped;  // why it was not run
};

std::string CaseXml(const TestCase& c) {
  std::string xml = "    <testcase classname=\"" + std::string(c.classname) + "\" name=\"" + Xml(c.name) + "\"";
  if (c.failures.empty() && c.error.empty() && c.skipped.empty()) return xml + "/>\n";
  xml += ">\n";
  if (!c.error.empty()) xml += "      <error type=\"file\" message=\"" + Xml(c.error) + "\"/>\n";
  if (!c.skipped.empty()) xml += "      <skipped message=\"" + Xml(c.skipped) + "\"/>\n";
  if (!c.failures.empty()) {
    xml += "      <failure type=\"" + Xml(c.failures[0].kind) + "\" message=\"" + Xml(c.failures[0].reason) + "\">";
    for (const Line& l : c.failures) xml += Xml(l.kind + ": " + l.reason) + "\n";
    xml += "</failure>\n";
  }
  return xml + "    </testcase>\n";
}

}  // namespace

void PrintCheckText(const CheckResult& r) {
  const Grouped g = Group(r);
  const std::vector<Tally> tallies = Tallies(r);
  for (std::size_t i = 0; i < r.images.size(); ++i) {
    const std::string name = Printable(r.images[i].name);
    if (g.images[i].empty()) {
      const Header& h = r.images[i].report.header;
      std::string details = "tag " + std::to_string(h.tag) + ", code mode " + CodeModeText(h.code_mode) + ", code version " +
                            Printable(h.code_version);
      if (tallies[i].met != 0) details += ", " + Count(tallies[i].met, "dependency", "dependencies") + " met";
      if (tallies[i].allowed != 0) details += ", " + std::to_string(tallies[i].allowed) + " allowed missing";
      std::printf("%s: ok (%s)\n", name.c_str(), details.c_str());
      continue;
    }
    std::printf("%s: %s\n", name.c_str(), Count(g.images[i].size(), "finding", "findings").c_str());
    for (const Line& l : g.images[i]) std::printf("  %s: %s\n", l.kind.c_str(), l.reason.c_str());
  }
  for (const auto& [file, line] : g.gone) {
    std::printf("%s: 1 finding\n  %s: %s\n", Printable(file).c_str(), line.kind.c_str(), line.reason.c_str());
  }
  std::printf("%s\n", Summary(r, g).c_str());
}

void PrintCheckJson(const CheckResult& r) {
  Tally all;
  for (const Tally& t : Tallies(r)) all.met += t.met, all.allowed += t.allowed;
  const Json summary = {{"images", r.images.size()},
                        {"dependencies", r.release.dependencies.size()},
                        {"met", all.met},
                        {"allowed_missing", all.allowed},
                        {"findings", r.FindingCount()},
                        {"manifest", r.manifest.empty() ? Json(nullptr) : Json(Printable(r.manifest))}};
  std::printf("{\n  \"json_version\": %d,\n  \"consistent\": %s,\n  \"summary\": %s,\n  \"images\": [",
              kJsonVersion, r.Consistent() ? "true" : "false", OneLine(summary).c_str());
  const char* separator = "\n    ";
  std::size_t link = 0;  // the links come in image order
  for (std::size_t i = 0; i < r.images.size(); ++i) {
    Json deps = Json::array();
    for (; link < r.release.dependencies.size() && r.release.dependencies[link].image == i; ++link) {
      const DependencyLink& l = r.release.dependencies[link];
      const Dependency& dep = DependencyOf(r, l);
      deps.push_back({{"type", dep.type},
                      {"labels", CodeModeLabels(dep.type)},
                      {"version", Printable(dep.version)},
                      {"state", DependencyStateName(l.state)},
                      {"provided_by", Names(r, l.providers)},
                      {"provider_count", l.provider_count}});
    }
    const VerifyReport& report = r.images[i].report;
    const Header& h = report.header;
    const bool fields = h.form == HeaderForm::kNewStyle;
    const Json image = {{"file", Printable(r.images[i].name)},
                        {"verdict", VerdictName(report.verdict)},
                        {"status_name", StatusName(report.status)},
                        {"size", report.file_size},
                        {"sha256", r.sha256[i].empty() ? Json(nullptr) : Json(r.sha256[i])},
                        {"tag_id", fields ? Json(h.tag) : Json(nullptr)},
                        {"code_mode", fields ? Json(h.code_mode) : Json(nullptr)},
                        {"code_mode_labels", fields ? Json(CodeModeLabels(h.code_mode)) : Json(nullptr)},
                        {"code_version", fields ? Json(Printable(h.code_version)) : Json(nullptr)},
                        {"virevuz_version", fields ? Json(Printable(h.virevuz_version)) : Json(nullptr)},
                        {"dependencies", deps}};
    std::printf("%s%s", separator, OneLine(image).c_str());
    separator = ",\n    ";
  }
  std::printf("\n  ],\n  \"findings\": [");
  separator = "\n    ";
  for (const Finding& f : r.release.findings) {
    const Json finding = {{"file", Printable(r.images[f.image].name)},
                          {"kind", FindingKindName(f.kind)},
                          {"reason", f.reason},
                          {"dependency", f.dependency == kNone ? Json(nullptr) : Json(f.dependency)},
                          {"files", Names(r, f.others)}};
    std::printf("%s%s", separator, OneLine(finding).c_str());
    separator = ",\n    ";
  }
  for (const ManifestDifference& d : r.differences) {
    const Json finding = {{"file", Printable(d.file)},
                          {"kind", DifferenceKindName(d.kind)},
                          {"reason", d.reason},
                          {"dependency", nullptr},
                          {"files", Json::array()}};
    std::printf("%s%s", separator, OneLine(finding).c_str());
    separator = ",\n    ";
  }
  std::printf("\n  ]\n}\n");
}

std::string CheckJUnit(const CheckResult& r) {
  const Grouped g = Group(r);
  std::vector<TestCase> cases;
  for (std::size_t i = 0; i < r.images.size(); ++i) {
    TestCase c{"release.images", r.images[i].name, {}, {}, {}};
    const VerifyReport& report = r.images[i].report;
    if (IsFileStatus(report.status)) c.error = FileErrorText(report.status, report.os_error);
    for (const Line& l : g.images[i]) {
      if (l.dependency == kNone && c.error.empty()) c.failures.push_back(l);
    }
    cases.push_back(std::move(c));
  }
  for (const auto& [file, line] : g.gone) cases.push_back({"release.images", file, {line}, {}, {}});
  for (const DependencyLink& l : r.release.dependencies) {
    TestCase c{"release.dependencies", r.images[l.image].name + " needs " + DependencyText(DependencyOf(r, l)), {}, {},
               {}};
    for (const Line& line : g.images[l.image]) {
      if (line.dependency == l.dependency) c.failures.push_back(line);
    }
    if (l.state == DependencyState::kAllowedMissing) c.skipped = "no image provides it; its code mode may be missing";
    cases.push_back(std::move(c));
  }
  std::size_t failures = 0, errors = 0, skipped = 0;
  std::string body;
  for (const TestCase& c : cases) {
    failures += c.failures.empty() ? 0 : 1;
    errors += c.error.empty() ? 0 : 1;
    skipped += c.skipped.empty() ? 0 : 1;
    body += CaseXml(c);
  }
  const std::string counts = "tests=\"" + std::to_string(cases.size()) + "\" failures=\"" + std::to_string(failures) +
                             "\" errors=\"" + std::to_string(errors) + "\" skipped=\"" + std::to_string(skipped) + "\"";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"codehdr check\" " + counts +
         ">\n  <testsuite name=\"release\" " + counts + ">\n" + body + "  </testsuite>\n</testsuites>\n";
}

}  // namespace codehdr::tool
