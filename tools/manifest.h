// Release manifests: a JSON record of the files of a release directory, each
// with its size, SHA-256 and header fields, written when a release is made
// and compared with the directory when it is deployed.
//
//   {"format": "codehdr-release-manifest", "version": 1, "images": [
//     {"file": "app.img", "size": 4241, "sha256": "<64 hex digits>", "tag_id": 17,
//      "code_mode": 1, "code_version": "R01A03.2", "dependencies": [{"type": 0, "version": "R01A01.4"}]}]}
//
// This tool writes one image per line.
#ifndef CODEHDR_TOOLS_MANIFEST_H
#define CODEHDR_TOOLS_MANIFEST_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <codehdr/header.h>
#include <codehdr/image.h>

namespace codehdr::tool {

struct ManifestImage {
  std::string file;  // a plain name inside the release directory
  std::uint64_t size = 0;
  std::string sha256;  // 64 lower-case hex digits
  // The header's fields; a manifest records images with a new-style header
  // only, a file found in a directory may have none.
  bool has_header = true;
  std::uint8_t tag = 0;
  std::uint8_t code_mode = 0;
  std::string code_version;
  std::vector<Dependency> dependencies;
};

struct Manifest {
  std::vector<ManifestImage> images;  // no two with one name
};

// Why a manifest cannot be read or written: one line, printable ASCII.
class ManifestError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Why `name` cannot be a file of a release directory (empty when it can):
// it must be one plain file name, so that nothing outside the directory, or
// below it, is named. Refused: "", "." and "..", any "/" or "\" (absolute
// paths included), ":" (a drive or stream on Windows) and NUL.
std::string BadFileName(const std::string& name);

// Reads a manifest. Throws ManifestError naming the first problem: text that
// is not JSON, a missing or mistyped field ("images[2].sha256: ..."), a
// number out of range, a file name that BadFileName refuses, a name twice.
// Fields it does not know are ignored.
Manifest ParseManifest(const std::string& text);

// The manifest's JSON text, ending with a newline. Throws ManifestError when
// a name or version is not UTF-8 (JSON cannot hold it as it is).
std::string ManifestText(const Manifest& manifest);

// The record of a file `name` with its verification and SHA-256.
ManifestImage ManifestEntry(const std::string& name, const VerifyReport& report, const std::string& sha256);

// A way in which a directory differs from its manifest.
struct ManifestDifference {
  enum Kind { kMissing, kExtra, kChanged, kRenamed } kind;
  std::string file;    // the file in the directory; for kMissing the manifest's name
  std::string reason;  // one line: what is missing, what changed and how
};

// Compares the files `found` in a directory with `manifest`. A file that is
// missing under its own name and present under another with the same size
// and SHA-256 is one kRenamed. Differences come for the manifest's files in
// its order, then for the files only the directory holds, in `found` order.
std::vector<ManifestDifference> CompareManifest(const Manifest& manifest, const std::vector<ManifestImage>& found);

// "manifest_missing", "manifest_extra", "manifest_changed", "manifest_renamed".
const char* DifferenceKindName(ManifestDifference::Kind kind);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_MANIFEST_H
