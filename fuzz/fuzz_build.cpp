// Building a header from any HeaderSpec: the library's own builder either refuses it with a status and builds nothing,
// or builds a header that passes its own check and reads back as asked.
#include <cstdlib>
#include <string>

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
  return 0;
}
