// Round trip: a header built from fields the input chooses (tag, two versions,
// comment flag and comment, dependencies; the rest is the payload) equals the
// support library's rendering of them, or the build fails at the first bad
// field; written with the payload it verifies (unless a dependency version is
// malformed), and the payload comes back out.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include <codehdr/header.h>
#include <codehdr/image.h>
#include <codehdr/version_string.h>

#include "support.h"

using namespace codehdr;

static void Require(bool ok) { if (!ok) std::abort(); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* p, std::size_t n) {
  const auto byte = [&]() -> std::uint8_t { return n > 0 ? (--n, *p++) : 0; };
  const auto word = [&] { const int high = byte(); return static_cast<std::uint16_t>(high << 8 | byte()); };
  const auto text = [&](std::size_t max) {  // a length byte, then characters that often make a version
    std::string s(byte() % (max + 1), ' ');
    for (char& c : s) c = "PRABIZ0123456789.x"[byte() % 18];
    return s;
  };
  static const DeviceTable devices = [] {  // tags 1-17: the code-mode table's labels; 18: one it lacks
    DeviceTable t{std::vector<DeviceRecord>(18)};
    for (int i = 0; i < 18; ++i) {
      std::string(i < 17 ? CodeModes()[i].label : "NOSUCH").copy(t.records[i].code_mode_str, 9);
      t.records[i].tag_id = i + 1;
    }
    return t;
  }();
  static const test::ScratchDir dir(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "");  // a memory file system
  HeaderSpec spec{static_cast<std::uint8_t>(byte() % 20), text(20), text(20), std::nullopt, {}};
  if (byte() & 1) spec.comment = text(40);
  for (int deps = byte() % 6; deps > 0; --deps) spec.dependencies.push_back({word(), text(20)});
  const BuiltHeader built = BuildHeader(spec, devices);

  test::Image img;  // the build's failures, in the order it meets them
  img.tag = spec.tag, img.vireVuz = spec.virevuz_version.substr(0, 15), img.codeVer = spec.code_version;
  const std::uint16_t mode = spec.tag == 18 ? CODE_MODE_NOT_FOUND : CodeModes()[(spec.tag + 16) % 17].value;
  const std::string& code = img.codeVer;
  const Status want = !CheckVersion(img.vireVuz.c_str(), img.vireVuz.size())         ? Status::kVireVuzVersion
                      : spec.tag < 1 || spec.tag > 18                                ? Status::kNoCodeMode
                      : mode > 255                                                   ? Status::kCodeModeTooLarge
                      : code.empty()                                                 ? Status::kCodeVersionEmpty
                      : code.size() > 16 || !CheckVersion(code.c_str(), code.size()) ? Status::kCodeVersion
                                                                                     : Status::kOk;
  Require(built.status == want && built.bytes.empty() == (want != Status::kOk));
  if (want != Status::kOk) return 0;
  img.codeMode = static_cast<std::uint8_t>(mode);
  if (spec.comment) img.Comment(spec.comment->substr(0, 32));
  for (const Dependency& d : spec.dependencies) img.Dep(d.type, d.version);
  Require(built.bytes == img.Header());
  const auto sound = [](const Dependency& d) { return CheckVersion(d.version.substr(0, 16).c_str(), 16); };
  const bool wellFormed = std::all_of(spec.dependencies.begin(), spec.dependencies.end(), sound);
  const std::string path = dir.File("image"), out = dir.File("payload");
  const WriteReport w = WriteImage(path, built.bytes, p, n);
  Require(w.status == Status::kOk && w.size == built.bytes.size() + n);
  const VerifyReport v = VerifyFile(path, spec.tag);
  Require(v.status == (wellFormed ? Status::kOk : Status::kHeaderDependencyVersion) && v.computed_crc == w.crc);
  Require(v.header.stored_crc == w.crc && v.header.code_version == code);
  Require(ExtractPayload(path, out).status == Status::kOk && test::ReadFile(out) == test::Bytes(p, p + n));
  return 0;
}
