// The tool's internals without running it: the comparison of a directory with its manifest, and what the manifest
// reader takes. (SHA-256 from the platform is checked by the manifest written for the sample release, whose digests
// are sha256sum's.) Links the tool's own library (and through it the shared library), not the library's objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manifest.h"

namespace codehdr::tool {
namespace {

ManifestImage Img(const std::string& file, char digest, std::string version = "R01A01",
                  std::vector<Dependency> deps = {{0, "R01A01.4"}}) {
  ManifestImage m;
  m.file = file, m.size = 100, m.sha256 = std::string(64, digest), m.tag = 17, m.code_mode = 1;
  m.code_version = std::move(version), m.dependencies = std::move(deps);
  return m;
}

TEST(ToolManifest, DifferencesBetweenADirectoryAndItsManifest) {
  const Manifest recorded{{Img("a", '1'), Img("b", '2'), Img("c", '3'), Img("d", '4')}};
  ManifestImage headerless = Img("c", '9');
  headerless.has_header = false, headerless.size = 7;
  ManifestImage retagged = Img("d", '8', "R01A02", {{3, "R03C00"}, {511, "R01\\"}});
  retagged.tag = 18;
  // b is renamed twice over (one rename is paired, the other copy is new); a is gone; e is new.
  const std::vector<ManifestImage> found = {Img("b2", '2'), Img("b3", '2'), headerless, retagged, Img("e", '5')};
  std::vector<std::string> got;
  for (const ManifestDifference& d : CompareManifest(recorded, found)) {
    got.push_back(std::string(DifferenceKindName(d.kind)) + " " + d.file + ": " + d.reason);
  }
  const std::string sha = "SHA-256 " + std::string(16, '3') + "... -> " + std::string(16, '9') + "...";
  EXPECT_EQ(got, (std::vector<std::string>{
                     "manifest_missing a: in the manifest, not in the directory",
                     "manifest_changed c: size 100 -> 7 bytes; no new-style header now; " + sha,
                     "manifest_changed d: tag id 17 -> 18; code version R01A01 -> R01A02; dependencies BOOT/BOOTLDR (0) "
                     "R01A01.4 -> FPGA/CPLD (3) R03C00, BUNDLE (511) R01\\\\; SHA-256 4444444444444444... -> "
                     "8888888888888888...",
                     "manifest_renamed b2: the manifest records these bytes as b",
                     "manifest_extra b3: not in the manifest",
                     "manifest_extra e: not in the manifest",
                 }));
  EXPECT_TRUE(CompareManifest(recorded, recorded.images).empty());
}

// The round trip through a file is the check command's test; here, what the reader takes and what it refuses.
TEST(ToolManifest, WhatTheReaderAccepts) {
  Manifest m{{Img("r\xc3\xa9lease.img", 'a')}};
  std::string text = ManifestText(m);  // upper-case digests read as lower-case; unknown fields are ignored
  text.replace(text.find(std::string(64, 'a')), 64, std::string(64, 'A'));
  text.replace(text.find("\"size\""), 0, "\"note\": [1, {}], ");
  EXPECT_EQ(ParseManifest(text).images[0].sha256, std::string(64, 'a'));
  m.images[0].file = "\xff.img";  // no UTF-8: JSON cannot hold it
  EXPECT_THROW(ManifestText(m), ManifestError);
  const struct { const char* name; const char* bad; } names[] = {
      {"a.img", ""}, {"..a", ""}, {"", "is empty"}, {"..", "names a directory"}, {".", "names a directory"},
      {"/a", "is an absolute path"}, {"\\a", "is an absolute path"}, {"a/b", "is a path"}, {"a\\b", "is a path"},
      {"c:a", "holds a ':'"},
  };
  for (const auto& n : names) {
    const std::string bad = BadFileName(n.name);
    EXPECT_TRUE(*n.bad == '\0' ? bad.empty() : bad.rfind(n.bad, 0) == 0) << n.name << ": " << bad;
  }
  EXPECT_EQ(BadFileName(std::string("a\0b", 3)), "holds a NUL byte");
}

}  // namespace
}  // namespace codehdr::tool
