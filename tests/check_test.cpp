// codehdr check run as a child process: exit statuses and errors, every finding kind in its JSON, and release
// manifests written, compared with an untouched copy, and with copies changed in one way each.
#include <filesystem>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support.h"
#include "tool_runner.h"

namespace codehdr::test {
namespace {

namespace fs = std::filesystem;

const std::string kDevices = " --devctl " CODEHDR_SOURCE_DIR "/data/virevuz.txt";

// check prints file names in their printable form, as it prints text from images: a backslash (the separator of
// Windows paths) doubled, bytes outside printable ASCII as \xNN.
class CheckTest : public ToolFixture {
 protected:
  // A fresh copy of the sample release (rx200-app.img needs rx200b-boot.img and tx310-fpga.img) in the scratch
  // directory `name`.
  std::string Release(const std::string& name = "rel") const {
    fs::remove_all(F(name));
    fs::copy(CODEHDR_SOURCE_DIR "/data/release", F(name));
    return F(name);
  }
};

// Arguments, exit status, and what is printed: a line of standard output that starts with the text, or for an error
// (exit status 2, or a device table refused) the error line on standard error after "codehdr: ".
TEST_F(CheckTest, ExitStatusAndWhatItPrints) {
  Release();
  ASSERT_TRUE(fs::create_directories(F("empty")) && fs::create_directories(F("withsub/sub")));
  dir_.Write("withsub/a.img", "text");
  dir_.Write("text", "text");
  const std::string app = " @rel/rx200-app.img";
  const std::string rel = " --dir @rel" + kDevices;
  const struct { std::string args; int status; bool error; std::string text; } cases[] = {
      {"check" + rel, 0, false, "check: 3 images, 2 of 2 dependencies met: the release is consistent"},
      {"check" + app + " @rel/rx200b-boot.img" + kDevices, 1, false,
       "  dependency_not_met: needs FPGA/CPLD (3) R03C00, which no other image provides; no other image has code mode 3"},
      {"check" + rel + " --virevuz R02B02", 1, false, "  virevuz_mismatch: VireVuz version R02B01, not the required R02B02"},
      {"check" + app + " --allow-missing BOOTLDR --allow-missing CPLD" + kDevices, 0, false,
       PrintableText(F("rel/rx200-app.img")) +
           ": ok (tag 17, code mode APP (1), code version R01A03.2, 2 allowed missing)"},
      {"check" + app + " --write-manifest @w.json" + kDevices, 1, true, F("w.json") + ": not written: the release is"},
      {"check --dir @rel --devctl @text", 1, true, F("text") + ": cannot load the device control file: ERR_DEVCTL_NO"},
      {"check" + kDevices, 2, true, "usage: give the release's IMAGE files or --dir DIR"},
      {"check" + rel + app, 2, true, "usage: IMAGE excludes --dir"},
      {"check" + app + " @rel/./rx200-app.img" + kDevices, 2, true, F("rel/./rx200-app.img") + ": named twice (also as "},
      {"check --manifest @m.json" + app, 2, true, "usage: --manifest requires --dir"},
      {"check" + rel + " --manifest @m --write-manifest @w", 2, true, "usage: --write-manifest excludes --manifest"},
      {"check -" + kDevices, 2, true, "-: a release is made of files: standard input cannot be one of them"},
      {"check @missing" + kDevices, 2, true, F("missing") + ": the file cannot be opened: No such file or directory"},
      {"check --dir @none" + kDevices, 2, true, F("none") + ": cannot list the directory: No such file or directory"},
      {"check --dir @empty" + kDevices, 2, true, F("empty") + ": holds no files: nothing to check"},
      {"check --dir @withsub" + kDevices, 2, true, F("withsub") + "/sub: not a regular file"},
      {"check --allow-missing Boot" + app, 2, true, "--allow-missing Boot: not a code-mode label (codehdr modes"},
      {"check --virevuz R2B01" + app, 2, true, "--virevuz R2B01: not a valid version string"},
      {"check --dir @rel --manifest @missing", 2, true, F("missing") + ": the file cannot be opened"},
      {"check" + rel + " --junit @nodir/j.xml", 2, true,
       F("nodir/j.xml") + ": the output file cannot be written: No such file or directory"},
      {"check" + rel + " --junit @rel/j.xml", 0, true, F("rel/j.xml") + ": warning: written into the checked directory"},
  };
  for (const auto& c : cases) {
    const Output run = Tool(c.args);
    const std::vector<std::string> err = Lines(run.err);
    const auto isError = [](const std::string& l) { return StartsWith(l, "codehdr:"); };
    const long errors = static_cast<long>(std::count_if(err.begin(), err.end(), isError));
    EXPECT_EQ(std::pair(run.status, errors), std::pair(c.status, c.error ? 1L : 0L)) << c.args << "\n" << run.err;
    EXPECT_TRUE(c.error ? !err.empty() && StartsWith(err.back(), "codehdr: " + c.text)
                        : ("\n" + run.out).find("\n" + c.text) != std::string::npos)
        << c.args << ":\n" << run.out << run.err;
  }
  EXPECT_FALSE(fs::exists(F("w.json"))) << "a manifest of an inconsistent release";
}

// A manifest written for the sample release is the one committed beside it (data/release.json, whose digests are
// sha256sum's: the platform's SHA-256 is checked here); an untouched copy passes; a changed one is reported.
TEST_F(CheckTest, ManifestRoundTripNamesEachChange) {
  const std::string rel = Release();
  const Output written = Tool("check --dir @rel --write-manifest @release.json" + kDevices);
  ASSERT_EQ(written.status, 0) << written.out << written.err;
  const nlohmann::json m = nlohmann::json::parse(ReadFile(F("release.json")));
  EXPECT_EQ(m, nlohmann::json::parse(ReadFile(CODEHDR_SOURCE_DIR "/data/release.json")));
  // The manifest may lie in the directory it describes.
  fs::copy_file(F("release.json"), rel + "/release.json");
  const Output same = Tool("check --dir @rel --manifest @rel/release.json" + kDevices);
  EXPECT_EQ(same.status, 0) << same.out << same.err;
  EXPECT_NE(same.out.find("3 images, 2 of 2 dependencies met, manifest " + PrintableText(rel + "/release.json") +
                          ": the release is consistent"), std::string::npos) << same.out;

  // One payload byte changed: the image fails, and the manifest says which field changed (each kind of difference is
  // the comparison's own test).
  Bytes boot = ReadFile(rel + "/rx200b-boot.img");
  boot[2000] ^= 1;
  dir_.Write("rel/rx200b-boot.img", boot);
  const Output run = Tool("check --dir @rel --manifest @rel/release.json" + kDevices);
  EXPECT_EQ(run.status, 1) << run.err;
  for (const std::string& line : {std::string("rx200b-boot.img: 2 findings"),
                                  std::string("  image_failed: failed verification (crc_mismatch)"),
                                  "  manifest_changed: SHA-256 " +
                                      m["images"][1]["sha256"].get<std::string>().substr(0, 16) + "... -> ",
                                  std::string("... (same size and header fields)")}) {
    EXPECT_NE(("\n" + run.out).find(line), std::string::npos) << run.out;
  }
}

}  // namespace
}  // namespace codehdr::test
