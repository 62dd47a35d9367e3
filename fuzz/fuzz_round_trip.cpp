// Round trip: a header built from fields the input chooses must equal the
// support library's own rendering of those fields; written with a payload it
// verifies (or fails where a dependency version is malformed), and its
// payload comes back out unchanged.
//
// Input: tag, VireVuz version, code version, comment flag and comment,
// dependency count and (type, version) each, then the payload. A text is a
// length byte and characters drawn from a small alphabet, so that versions
// are often well-formed.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <codehdr/code_header.h>
#include <codehdr/header.h>
#include <codehdr/image.h>
#include <codehdr/version_string.h>

#include "support.h"

using namespace codehdr;

static void Require(bool ok) {
  if (!ok) std::abort();
}

struct Input {
  const std::uint8_t* p;
  std::size_t n;
  std::uint8_t Byte() { return n > 0 ? (--n, *p++) : 0; }
  std::uint16_t Word() {
    const std::uint16_t high = Byte();
    return static_cast<std::uint16_t>(high << 8 | Byte());
  }
  std::string Text(std::size_t max) {
    static const char kAlphabet[] = "PRABIZ0123456789.x";
    std::string text(Byte() % (max + 1), ' ');
    for (char& c : text) c = kAlphabet[Byte() % (sizeof kAlphabet - 1)];
    return text;
  }
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Tags 1-17 carry the labels of the code-mode table, 18 a label it lacks.
  static const DeviceTable devices = [] {
    DeviceTable t;
    for (int tag = 1; tag <= 18; ++tag) {
      DeviceRecord r{};
      std::snprintf(r.code_mode_str, sizeof r.code_mode_str, "%s", tag <= 17 ? CodeModes()[tag - 1].label : "NOSUCH");
      r.tag_id = tag;
      t.records.push_back(r);
    }
    return t;
  }();
  // On a memory file system where there is one: every write is synced.
  static const test::ScratchDir dir(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "");
  Input in{data, size};
  HeaderSpec spec{static_cast<std::uint8_t>(in.Byte() % 20), in.Text(20), in.Text(20), std::nullopt, {}};
  if (in.Byte() & 1) spec.comment = in.Text(40);
  for (int deps = in.Byte() % 6; deps > 0; --deps) spec.dependencies.push_back({in.Word(), in.Text(20)});
  const test::Bytes payload(in.p, in.p + in.n);

  const BuiltHeader built = BuildHeader(spec, devices);
  // The build's failures, in the order it meets them.
  const std::string vireVuz = spec.virevuz_version.substr(0, 15), code = spec.code_version;
  std::optional<std::uint16_t> mode;
  if (spec.tag >= 1 && spec.tag <= 18) mode = spec.tag == 18 ? CODE_MODE_NOT_FOUND : CodeModes()[spec.tag - 1].value;
  const Status want = !CheckVersion(vireVuz.c_str(), vireVuz.size())                ? Status::kVireVuzVersion
                      : !mode                                                        ? Status::kNoCodeMode
                      : *mode > 255                                                  ? Status::kCodeModeTooLarge
                      : code.empty()                                                 ? Status::kCodeVersionEmpty
                      : code.size() > 16 || !CheckVersion(code.c_str(), code.size()) ? Status::kCodeVersion
                                                                                     : Status::kOk;
  Require(built.status == want && built.bytes.empty() == (want != Status::kOk));
  if (want != Status::kOk) return 0;
  test::Image img;
  img.tag = spec.tag, img.vireVuz = vireVuz, img.codeVer = code, img.codeMode = static_cast<std::uint8_t>(*mode);
  if (spec.comment) img.Comment(spec.comment->substr(0, 32));
  bool wellFormed = true;
  for (const Dependency& d : spec.dependencies) {
    img.Dep(d.type, d.version);
    wellFormed = wellFormed && CheckVersion(d.version.substr(0, 16).c_str(), 16);
  }
  Require(built.bytes == img.Header());

  const std::string path = dir.File("image"), out = dir.File("payload");
  const WriteReport w = WriteImage(path, built.bytes, payload.data(), payload.size());
  Require(w.status == Status::kOk && w.size == built.bytes.size() + payload.size());
  const VerifyReport v = VerifyFile(path, spec.tag);
  Require(v.status == (wellFormed ? Status::kOk : Status::kHeaderDependencyVersion) && v.computed_crc == w.crc);
  Require(v.header.stored_crc == w.crc && v.header.code_version == spec.code_version);
  const ExtractReport e = ExtractPayload(path, out);
  Require(e.status == Status::kOk && test::ReadFile(out) == payload);
  return 0;
}
