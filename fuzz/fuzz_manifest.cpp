// Release manifest text from outside: the reader either refuses it with one printable line, or returns images that
// each name a plain file inside the directory; written out and read again they give the same text, and a directory
// holding exactly those files differs from it in nothing.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "manifest.h"

namespace {

bool Printable(const std::string& text) {
  for (const char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return !text.empty();
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
  // Read again, its text is the same: every field survives the round trip.
  const std::string text = ManifestText(manifest);
  if (ManifestText(ParseManifest(text)) != text) std::abort();  // an exception here ends the run: a finding
  if (!CompareManifest(manifest, manifest.images).empty()) std::abort();
  return 0;
}
