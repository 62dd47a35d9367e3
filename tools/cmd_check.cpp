// codehdr check (IMAGE... | --dir DIR) [--devctl FILE] [--virevuz VER] [--allow-missing LABEL]... [-j N]
//               [--json] [--junit FILE] [--write-manifest FILE | --manifest FILE]
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include <codehdr/layout.h>
#include <codehdr/release.h>
#include <codehdr/version_string.h>

#include "check_report.h"
#include "commands.h"
#include "errors.h"
#include "inputs.h"
#include "manifest.h"
#include "verify_pool.h"

namespace codehdr::tool {

namespace {

namespace fs = std::filesystem;

// A manifest is read whole; one of ten thousand images is about 3 MiB.
constexpr std::uint64_t kManifestLimit = std::uint64_t{256} << 20;

struct Inputs {
  std::vector<std::string> paths;  // to open
  std::vector<std::string> names;  // as the output shows them
};

// Names are UTF-8 (as on the command line of every platform the tool runs on).
std::string Utf8(const fs::path& path) { return path.u8string(); }

// Every entry of `dir`, in byte order of the names, except the manifest
// read or written and the JUnit file (which may lie in it). Entries that are
// not regular files are kept: verification refuses them, so none is passed
// over unnoticed. The files left out are compared as canonical paths, each
// resolved once: resolving every entry would cost a system call per path
// component and entry.
Inputs ListDirectory(const std::string& dir, const CheckOptions& opts) {
  std::error_code error;
  const fs::path folder = fs::u8path(dir);
  fs::directory_iterator entries(folder, error);
  if (error) throw ToolError(dir, "cannot list the directory: " + error.message());
  std::vector<fs::path> left_out;
  for (const std::string* file : {&opts.manifest, &opts.write_manifest, &opts.junit}) {
    if (!file->empty()) left_out.push_back(fs::weakly_canonical(fs::u8path(*file), error));
  }
  const fs::path canonical_folder = fs::weakly_canonical(folder, error);
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : entries) {
    const fs::path name = entry.path().filename();
    if (!left_out.empty() && std::find(left_out.begin(), left_out.end(), canonical_folder / name) != left_out.end()) {
      continue;
    }
    names.push_back(Utf8(name));
  }
  std::sort(names.begin(), names.end());
  // Joined as text: a path object per entry would cost more than its verification.
  const std::string prefix = dir.back() == '/' || dir.back() == '\\' ? dir : dir + "/";
  Inputs inputs;
  inputs.paths.reserve(names.size());
  for (const std::string& name : names) inputs.paths.push_back(prefix + name);
  inputs.names = std::move(names);
  return inputs;
}

// Whether `file` lies directly in `dir`, whatever the names of either.
bool InDirectory(const std::string& file, const std::string& dir) {
  std::error_code error;
  const fs::path folder = fs::weakly_canonical(fs::u8path(dir), error);
  return !error && fs::weakly_canonical(fs::u8path(file), error).parent_path() == folder && !error;
}

void CheckOptionValues(const CheckOptions& opts) {
  if (opts.files.empty() == opts.dir.empty()) throw ToolError("", "usage: give the release's IMAGE files or --dir DIR");
  if (std::count(opts.files.begin(), opts.files.end(), "-") != 0) {
    throw ToolError("-", "a release is made of files: standard input cannot be one of them");
  }
  if (!opts.virevuz.empty() && (opts.virevuz.size() > layout::kVersionFieldLen ||
                                !CheckVersion(opts.virevuz.c_str(), layout::kVersionFieldLen))) {
    throw ToolError("--virevuz " + opts.virevuz, "not a valid version string");
  }
  // A release holds each image once: one named twice would count twice (a
  // duplicate of itself, or a dependency it seems to meet for another).
  std::error_code error;
  std::map<fs::path, const std::string*> seen;
  for (const std::string& file : opts.files) {
    fs::path key = fs::weakly_canonical(fs::u8path(file), error);
    if (error) key = fs::u8path(file);  // compared as given
    const auto [first, fresh] = seen.emplace(key, &file);
    if (!fresh) throw ToolError(file, "named twice (also as " + *first->second + "): give each image of a release once");
  }
  for (const std::string& label : opts.allow_missing) {
    if (!CodeModeValue(label)) {
      throw ToolError("--allow-missing " + label, "not a code-mode label (codehdr modes lists them)");
    }
  }
}

// The name each image has in a manifest: its file name alone.
std::vector<std::string> ManifestNames(const Inputs& inputs) {
  std::vector<std::string> names;
  std::map<std::string, std::string> seen;
  for (const std::string& path : inputs.paths) {
    names.push_back(Utf8(fs::u8path(path).filename()));
    const auto [first, fresh] = seen.emplace(names.back(), path);
    if (!fresh) {
      throw ToolError(path, "has the same file name as " + first->second + ": a manifest names files by name alone");
    }
    if (const std::string bad = BadFileName(names.back()); !bad.empty()) throw ToolError(path, "its name " + bad);
  }
  return names;
}

// Verifies every input, reporting each one that cannot be read; true when
// all could be.
bool VerifyInputs(const Inputs& inputs, const CheckOptions& opts, CheckResult& result) {
  const bool sha256 = !opts.manifest.empty() || !opts.write_manifest.empty();
  std::vector<VerifyOutcome> outcomes = VerifyAll(inputs.paths, opts.jobs, 0, sha256);
  bool all_read = true;
  result.images.reserve(outcomes.size());
  result.sha256.reserve(outcomes.size());
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    VerifyOutcome& o = outcomes[i];
    if (!o.exception.empty()) {
      o.report = VerifyReport();
      o.report.status = Status::kFileRead;
      PrintError(inputs.paths[i], "cannot verify: " + o.exception);
      all_read = false;
    } else if (IsFileStatus(o.report.status)) {
      PrintError(inputs.paths[i], FileErrorText(o.report.status, o.report.os_error));
      all_read = false;
    }
    result.images.push_back({inputs.names[i], std::move(o.report)});
    result.sha256.push_back(std::move(o.sha256));
  }
  return all_read;
}

Manifest ManifestOf(const CheckResult& result, const std::vector<std::string>& names) {
  Manifest manifest;
  for (std::size_t i = 0; i < result.images.size(); ++i) {
    manifest.images.push_back(ManifestEntry(names[i], result.images[i].report, result.sha256[i]));
  }
  return manifest;
}

}  // namespace

int RunReleaseCheck(const CheckOptions& opts) {
  CheckOptionValues(opts);
  Manifest recorded;
  if (!opts.manifest.empty()) {
    try {
      recorded = ParseManifest(ReadSmallFile(opts.manifest, kManifestLimit));
    } catch (const ManifestError& e) {
      throw ToolError(opts.manifest, std::string("not a release manifest this tool reads: ") + e.what());
    }
  }
  const DeviceTable devices = LoadDevices(opts.devctl);
  Inputs inputs = opts.dir.empty() ? Inputs{opts.files, opts.files} : ListDirectory(opts.dir, opts);
  // Without a manifest to miss them, an empty directory is more likely a wrong path than a release.
  if (inputs.paths.empty() && opts.manifest.empty()) throw ToolError(opts.dir, "holds no files: nothing to check");
  const std::vector<std::string> names = opts.write_manifest.empty() ? inputs.names : ManifestNames(inputs);

  CheckResult result;
  const bool all_read = VerifyInputs(inputs, opts, result);
  result.release = CheckRelease(result.images, devices, ReleaseOptions{opts.virevuz, opts.allow_missing});
  if (!opts.manifest.empty()) {
    result.manifest = opts.manifest;
    result.differences = CompareManifest(recorded, ManifestOf(result, inputs.names).images);
  }

  if (opts.json) {
    PrintCheckJson(result);
  } else {
    PrintCheckText(result);
  }
  if (!opts.junit.empty()) {
    WriteSmallFile(opts.junit, CheckJUnit(result));
    if (!opts.dir.empty() && InDirectory(opts.junit, opts.dir)) {
      PrintError(opts.junit, "warning: written into the checked directory, where a later check --manifest without "
                             "this --junit counts it as an extra file");
    }
  }
  if (!opts.write_manifest.empty()) {
    if (!result.Consistent() || !all_read) {
      PrintError(opts.write_manifest, "not written: the release is not consistent");
    } else {
      try {
        WriteSmallFile(opts.write_manifest, ManifestText(ManifestOf(result, names)));
      } catch (const ManifestError& e) {
        throw ToolError(opts.write_manifest, std::string("cannot be written: ") + e.what());
      }
    }
  }
  if (!all_read) return kExitUsage;
  return result.Consistent() ? kExitOk : kExitFailed;
}

}  // namespace codehdr::tool
