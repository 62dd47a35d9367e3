// Release manifest text from outside: the reader either refuses it with one printable line, or returns images that
// each name a plain file inside the directory; written out and read again they are the same manifest, and a directory
// holding exactly those files differs from it in nothing.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "manifest.h"

namespace {

using codehdr::tool::ManifestImage;

bool Printable(const std::string& text) {
  for (const char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return !text.empty();
}

bool Same(const ManifestImage& a, const ManifestImage& b) {
  if (a.dependencies.size() != b.dependencies.size()) return false;
  for (std::size_t d = 0; d < a.dependencies.size(); ++d) {
    if (a.dependencies[d].type != b.dependencies[d].type || a.dependencies[d].version != b.dependencies[d].version) {
      return false;
    }
  }
  return a.file == b.file && a.size == b.size && a.sha256 == b.sha256 && a.tag == b.tag &&
         a.code_mode == b.code_mode && a.code_version == b.code_version;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace codehdr::tool;
  Manifest manifest;
  try {
    manifest = ParseManifest(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const ManifestError& e) {
    if (!Printable(e.what())) std::abort();
    return 0;
  }
  for (const ManifestImage& image : manifest.images) {
    if (!BadFileName(image.file).empty() || image.sha256.size() != 64 || image.code_version.size() > 16) std::abort();
  }
  const Manifest again = ParseManifest(ManifestText(manifest));  // an exception here ends the run: a finding
  if (again.images.size() != manifest.images.size()) std::abort();
  for (std::size_t i = 0; i < again.images.size(); ++i) {
    if (!Same(again.images[i], manifest.images[i])) std::abort();
  }
  if (!CompareManifest(manifest, manifest.images).empty()) std::abort();
  return 0;
}
