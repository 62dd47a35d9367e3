// Building a header from any spec: the library's own builder either refuses it with a status and builds nothing, or
// builds a header that passes its own check and reads back as the spec; the C interface builds the same.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <codehdr/c.h>
#include <codehdr/header.h>
#include <codehdr/version_string.h>

using namespace codehdr;

static void Require(bool ok) { if (!ok) std::abort(); }

namespace {

// The input read front to back; past its end every byte is 0.
struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::uint8_t Byte() { return size == 0 ? 0 : (--size, *data++); }
  // Raw bytes half the time, else a version string with a little after it, so that most specs get far.
  std::string Text() {
    const std::uint8_t how = Byte(), length = Byte() % 40;
    std::string text;
    if (how % 2 == 0) {
      for (std::uint8_t i = 0; i < length; ++i) text += static_cast<char>(Byte());
      return text;
    }
    const unsigned major = Byte() % 100, minor = Byte() % 100;
    const char letter = static_cast<char>('A' + Byte() % 26);
    const int build = how % 4 == 1 ? kNoBuild : Byte() % 10;
    text = FormatVersion(major, minor, letter, build, how & 8).value_or("");
    for (std::uint8_t i = 0; i < length % 12; ++i) text += static_cast<char>(how & 16 ? '0' + Byte() % 10 : Byte());
    return text;
  }
};

bool HasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in{data, size};
  HeaderSpec spec;
  spec.tag = in.Byte();
  const std::uint8_t flags = in.Byte();
  const std::string label = flags & 1 ? in.Text() : CodeModes()[flags % kCodeModeCount].label;
  spec.virevuz_version = in.Text();
  spec.code_version = in.Text();
  if (flags & 2) spec.comment = in.Text();
  // Up to 260 dependencies: past the 255 sections a header holds.
  const std::size_t count = flags & 4 ? 250 + in.Byte() % 11 : in.Byte() % 5;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t type = static_cast<std::uint16_t>(in.Byte() << 8 | in.Byte());
    spec.dependencies.push_back({type, i < 5 ? in.Text() : "R01A02"});
  }

  const BuiltHeader built = BuildHeader(spec, label);
  if (built.status != Status::kOk) {
    Require(built.bytes.empty());
  } else {
    Require(CheckHeader(built.bytes.data(), built.bytes.size(), spec.tag, 0).status == Status::kOk);
    const Header h = ReadHeader(built.bytes.data(), built.bytes.size());
    Require(h.form == HeaderForm::kNewStyle && h.total_size == built.bytes.size() && h.tag == spec.tag);
    Require(h.virevuz_version == spec.virevuz_version && h.code_version == spec.code_version);
    Require(h.comment == spec.comment && h.dependencies.size() == spec.dependencies.size());
    for (std::size_t i = 0; i < h.dependencies.size(); ++i) {
      Require(h.dependencies[i].type == spec.dependencies[i].type);
      Require(h.dependencies[i].version == spec.dependencies[i].version);
    }
  }

  // C strings cannot hold a NUL: only specs without one go through the C interface.
  bool nul = HasNul(label) || HasNul(spec.virevuz_version) || HasNul(spec.code_version) ||
             (spec.comment && HasNul(*spec.comment));
  std::vector<codehdr_dependency> deps;
  for (const Dependency& d : spec.dependencies) {
    nul = nul || HasNul(d.version);
    deps.push_back({d.type, d.version.c_str()});
  }
  if (nul) return 0;
  codehdr_header_spec c{};
  c.struct_size = sizeof c;
  c.tag = spec.tag;
  c.virevuz_version = spec.virevuz_version.c_str();
  c.code_version = spec.code_version.c_str();
  c.comment = spec.comment ? spec.comment->c_str() : nullptr;
  c.code_mode_label = label.c_str();
  c.dependencies = deps.data();
  c.dependency_count = deps.size();
  codehdr_header* header = codehdr_header_new();
  Require(codehdr_header_build(header, &c, nullptr) == static_cast<int>(built.status));
  codehdr_header_info info{};
  info.struct_size = sizeof info;
  Require(codehdr_header_get_info(header, &info) == CODEHDR_STATUS_OK && info.byte_count == built.bytes.size());
  Require(built.bytes.empty() || std::memcmp(info.bytes, built.bytes.data(), info.byte_count) == 0);
  codehdr_header_free(header);
  return 0;
}
