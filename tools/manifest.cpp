#include "manifest.h"

#include <algorithm>
#include <cctype>
#include <map>

#include <codehdr/layout.h>
#include <nlohmann/json.hpp>

#include "text.h"

namespace codehdr::tool {

namespace {

using Json = nlohmann::json;

constexpr const char* kFormat = "codehdr-release-manifest";
constexpr int kFormatVersion = 1;
constexpr std::size_t kDigestHexLen = 64;

[[noreturn]] void Refuse(const std::string& where, const std::string& what) {
  throw ManifestError(where + ": " + what);
}

const Json& Field(const Json& object, const std::string& where, const char* key) {
  const auto found = object.find(key);
  if (found == object.end()) Refuse(where, std::string("has no \"") + key + "\"");
  return *found;
}

std::uint64_t Whole(const Json& object, const std::string& where, const char* key, std::uint64_t max) {
  const Json& value = Field(object, where, key);
  if (!value.is_number_unsigned() || value.get<std::uint64_t>() > max) {
    Refuse(where + "." + key, "not a whole number from 0 to " + std::to_string(max));
  }
  return value.get<std::uint64_t>();
}

std::string Text(const Json& object, const std::string& where, const char* key, std::size_t max) {
  const Json& value = Field(object, where, key);
  if (!value.is_string()) Refuse(where + "." + key, "not a string");
  const std::string& text = value.get_ref<const std::string&>();
  if (text.size() > max) Refuse(where + "." + key, "longer than " + std::to_string(max) + " bytes");
  return text;
}

const Json& Array(const Json& object, const std::string& where, const char* key) {
  const Json& value = Field(object, where, key);
  if (!value.is_array()) Refuse(where + "." + key, "not an array");
  return value;
}

std::string Digest(const Json& object, const std::string& where) {
  std::string digest = Text(object, where, "sha256", kDigestHexLen);
  const bool hex = std::all_of(digest.begin(), digest.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
  if (digest.size() != kDigestHexLen || !hex) Refuse(where + ".sha256", "not 64 hex digits");
  std::transform(digest.begin(), digest.end(), digest.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  return digest;
}

ManifestImage Image(const Json& entry, const std::string& where) {
  if (!entry.is_object()) Refuse(where, "not an object");
  ManifestImage image;
  image.file = Text(entry, where, "file", std::string::npos);
  if (const std::string bad = BadFileName(image.file); !bad.empty()) {
    Refuse(where + ".file", "\"" + Printable(image.file) + "\" " + bad);
  }
  image.size = Whole(entry, where, "size", UINT64_MAX);
  image.sha256 = Digest(entry, where);
  image.tag = static_cast<std::uint8_t>(Whole(entry, where, "tag_id", 0xFF));
  image.code_mode = static_cast<std::uint8_t>(Whole(entry, where, "code_mode", 0xFF));
  image.code_version = Text(entry, where, "code_version", layout::kVersionFieldLen);
  const Json& deps = Array(entry, where, "dependencies");
  for (std::size_t d = 0; d < deps.size(); ++d) {
    const std::string at = where + ".dependencies[" + std::to_string(d) + "]";
    if (!deps[d].is_object()) Refuse(at, "not an object");
    image.dependencies.push_back({static_cast<std::uint16_t>(Whole(deps[d], at, "type", 0xFFFF)),
                                  Text(deps[d], at, "version", layout::kVersionFieldLen)});
  }
  return image;
}

// "BOOT/BOOTLDR (0) R01A01.4, FPGA/CPLD (3) R03C00", or "none".
std::string DependencyList(const std::vector<Dependency>& deps) {
  std::string text;
  for (const Dependency& d : deps) text += (text.empty() ? "" : ", ") + DependencyText(d);
  return text.empty() ? "none" : text;
}

std::string Change(const std::string& what, const std::string& before, const std::string& now) {
  return what + " " + before + " -> " + now;
}

// What differs between the recorded and the present file, "" when nothing.
std::string Changes(const ManifestImage& was, const ManifestImage& is) {
  std::vector<std::string> changes;
  if (was.size != is.size) changes.push_back(Change("size", std::to_string(was.size), std::to_string(is.size) + " bytes"));
  if (!is.has_header) {
    changes.push_back("no new-style header now");
  } else {
    if (was.tag != is.tag) changes.push_back(Change("tag id", std::to_string(was.tag), std::to_string(is.tag)));
    if (was.code_mode != is.code_mode) {
      changes.push_back(Change("code mode", std::to_string(was.code_mode), std::to_string(is.code_mode)));
    }
    if (was.code_version != is.code_version) {
      changes.push_back(Change("code version", Printable(was.code_version), Printable(is.code_version)));
    }
    if (DependencyList(was.dependencies) != DependencyList(is.dependencies)) {
      changes.push_back(Change("dependencies", DependencyList(was.dependencies), DependencyList(is.dependencies)));
    }
  }
  if (was.sha256 != is.sha256) {
    std::string change = Change("SHA-256", was.sha256.substr(0, 16) + "...", is.sha256.substr(0, 16) + "...");
    if (changes.empty()) change += " (same size and header fields)";
    changes.push_back(change);
  }
  std::string text;
  for (const std::string& c : changes) text += (text.empty() ? "" : "; ") + c;
  return text;
}

}  // namespace

std::string BadFileName(const std::string& name) {
  if (name.empty()) return "is empty";
  if (name == "." || name == "..") return "names a directory, not a file in it";
  if (name.find('\0') != std::string::npos) return "holds a NUL byte";
  if (name[0] == '/' || name[0] == '\\') return "is an absolute path, outside the directory";
  if (name.find_first_of("/\\") != std::string::npos) return "is a path, not a file name in the directory";
  if (name.find(':') != std::string::npos) return "holds a ':' (a drive or stream on Windows)";
  return "";
}

Manifest ParseManifest(const std::string& text) {
  Json doc;
  try {
    doc = Json::parse(text);
  } catch (const Json::exception& e) {
    // A syntax error, or a number too large for a double (9e999): "[json.exception.parse_error.101] parse error at
    // line 1, ...". The part after the tag.
    const std::string what = e.what();
    const std::size_t tag_end = what.find("] ");
    throw ManifestError("not valid JSON: " + Printable(tag_end == std::string::npos ? what : what.substr(tag_end + 2)));
  }
  if (!doc.is_object()) throw ManifestError("not a JSON object");
  const auto format = doc.find("format");
  if (format == doc.end() || *format != kFormat) {
    throw ManifestError(std::string("\"format\" is not \"") + kFormat + "\"");
  }
  const auto version = doc.find("version");
  if (version == doc.end() || *version != kFormatVersion) {
    throw ManifestError("\"version\" is not " + std::to_string(kFormatVersion) + ": a manifest this tool cannot read");
  }
  const Json& images = Array(doc, "manifest", "images");
  Manifest manifest;
  std::map<std::string, std::size_t> seen;
  for (std::size_t i = 0; i < images.size(); ++i) {
    const std::string where = "images[" + std::to_string(i) + "]";
    manifest.images.push_back(Image(images[i], where));
    const auto [first, fresh] = seen.emplace(manifest.images.back().file, i);
    if (!fresh) Refuse(where + ".file", "\"" + Printable(first->first) + "\" again (images[" + std::to_string(first->second) + "])");
  }
  return manifest;
}

std::string ManifestText(const Manifest& manifest) {
  // One image per line: a change to one file changes one line of the manifest.
  std::string text = std::string("{\n  \"format\": \"") + kFormat + "\",\n  \"version\": " +
                     std::to_string(kFormatVersion) + ",\n  \"images\": [";
  const char* separator = "\n    ";
  for (const ManifestImage& m : manifest.images) {
    nlohmann::ordered_json deps = nlohmann::ordered_json::array();
    for (const Dependency& d : m.dependencies) deps.push_back({{"type", d.type}, {"version", d.version}});
    const nlohmann::ordered_json image = {{"file", m.file},
                                          {"size", m.size},
                                          {"sha256", m.sha256},
                                          {"tag_id", m.tag},
                                          {"code_mode", m.code_mode},
                                          {"code_version", m.code_version},
                                          {"dependencies", deps}};
    try {
      text += separator + image.dump(-1, ' ', false);
    } catch (const nlohmann::ordered_json::type_error&) {
      throw ManifestError("a file name or version is not UTF-8 text, which a manifest cannot hold");
    }
    separator = ",\n    ";
  }
  return text + "\n  ]\n}\n";
}

ManifestImage ManifestEntry(const std::string& name, const VerifyReport& report, const std::string& sha256) {
  const Header& h = report.header;
  ManifestImage image;
  image.file = name;
  image.size = report.file_size;
  image.sha256 = sha256;
  image.has_header = h.form == HeaderForm::kNewStyle;
  if (image.has_header) {
    image.tag = h.tag;
    image.code_mode = h.code_mode;
    image.code_version = h.code_version;
    image.dependencies = h.dependencies;
  }
  return image;
}

std::vector<ManifestDifference> CompareManifest(const Manifest& manifest, const std::vector<ManifestImage>& found) {
  std::map<std::string, const ManifestImage*> present, recorded;
  for (const ManifestImage& f : found) present.emplace(f.file, &f);
  for (const ManifestImage& m : manifest.images) recorded.emplace(m.file, &m);
  // Files recorded but not present, by their bytes, for finding renames.
  std::multimap<std::pair<std::uint64_t, std::string>, const ManifestImage*> gone;
  for (const ManifestImage& m : manifest.images) {
    if (present.count(m.file) == 0) gone.emplace(std::make_pair(m.size, m.sha256), &m);
  }
  std::vector<ManifestDifference> tail;
  for (const ManifestImage& f : found) {
    if (recorded.count(f.file) != 0) continue;
    const auto same = gone.find({f.size, f.sha256});
    if (same == gone.end()) {
      tail.push_back({ManifestDifference::kExtra, f.file, "not in the manifest"});
      continue;
    }
    tail.push_back({ManifestDifference::kRenamed, f.file,
                    "the manifest records these bytes as " + Printable(same->second->file)});
    recorded.erase(same->second->file);  // accounted for: not missing
    gone.erase(same);
  }
  std::vector<ManifestDifference> differences;
  for (const ManifestImage& m : manifest.images) {
    const auto now = present.find(m.file);
    if (now == present.end()) {
      if (recorded.count(m.file) != 0) {
        differences.push_back({ManifestDifference::kMissing, m.file, "in the manifest, not in the directory"});
      }
    } else if (const std::string changes = Changes(m, *now->second); !changes.empty()) {
      differences.push_back({ManifestDifference::kChanged, m.file, changes});
    }
  }
  differences.insert(differences.end(), tail.begin(), tail.end());
  return differences;
}

const char* DifferenceKindName(ManifestDifference::Kind kind) {
  switch (kind) {
    case ManifestDifference::kMissing:
      return "manifest_missing";
    case ManifestDifference::kExtra:
      return "manifest_extra";
    case ManifestDifference::kChanged:
      return "manifest_changed";
    case ManifestDifference::kRenamed:
      return "manifest_renamed";
  }
  return "manifest";
}

}  // namespace codehdr::tool
