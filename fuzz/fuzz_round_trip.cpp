// Round trip: the input drives a build (tag id, VireVuz and code versions,
// dependencies by type and by label, and a comment taken from a parsed
// header). The build's result must be the one its inputs call for; a built
// header is sealed into a file with its CRC, extracted, validated, verified and
// compared field by field with what went in. Any disagreement aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <codehdr/code_header.h>
#include <codehdr/crc.h>
#include <codehdr/version_string.h>

#include "byte_reader.h"
#include <codehdr/header.h>
#include "header_checks.h"
#include "stdout_silencer.h"
#include "temp_dir.h"

namespace {

using codehdr::fuzz::ByteReader;
using codehdr::fuzz::TempDir;

constexpr unsigned kLabelTags = codehdr::kCodeModeRowCount;  // tags 1..17 carry the table's labels
constexpr unsigned char kUnknownLabelTag = 18;               // a label the table lacks

// The device control file: tag t (1..17) has the label of table row t - 1.
std::string DeviceFileText() {
  std::string text = "VERSION 1\n";
  for (unsigned row = 0; row < kLabelTags; ++row) {
    text += "DEVICE_MODEL " + std::to_string(row + 1) + " DEV " + codehdr::CodeModes()[row].label + " x " +
            std::to_string(row + 1) + "\n";
  }
  text += "DEVICE_MODEL 99 DEV NOSUCH x " + std::to_string(kUnknownLabelTag) + "\n";
  return text;
}

struct Fixture {
  TempDir dir;
  std::string devicePath;
  Fixture() {
    const std::string text = DeviceFileText();
    devicePath = dir.WriteFile("virevuz.txt", reinterpret_cast<const unsigned char*>(text.data()), text.size());
  }
};

// A version string: built from numbers, or raw bytes of the input.
std::string MakeVersion(ByteReader& in, CCodeHeader& h) {
  if (in.Byte() % 4 != 0) {
    char buf[16] = {};
    const unsigned char build = in.Byte();
    if (h.BuildFormattedVerStr(in.Byte() % 100, in.Byte() % 100, buf, static_cast<char>('A' + in.Byte() % 26),
                               sizeof buf, build >= 10 ? 255 : build, in.Bool()) == 1)
      return buf;
  }
  return in.String(20).c_str();
}

bool WellFormed(const std::string& v, std::size_t limit) {
  return VerifyCodeVersionFormat(v.c_str(), static_cast<unsigned char>(v.size() < limit ? v.size() : limit)) == 1;
}

// Gives the object the comment of a parsed header: a 48-byte header with one
// comment section of the input's text and length byte.
std::string GiveComment(ByteReader& in, CCodeHeader& h) {
  if (!in.Bool()) return "";
  const std::string text = in.String(40);
  const std::vector<unsigned char> img = codehdr::fuzz::CommentCarrier(text);
  if (h.ExtractHdrFromCompressedCodeFile(img.data(), img.size()) != img.size() || h.comment == nullptr) std::abort();
  return std::string(text.c_str()).substr(0, 31);
}

struct Dep {
  unsigned short type;
  std::string ver;  // as stored: at most 15 characters
};

std::vector<Dep> AddDependencies(ByteReader& in, CCodeHeader& h) {
  std::vector<Dep> added;
  const unsigned count = in.Byte() % 40;
  for (unsigned i = 0; i < count; ++i) {
    const std::string ver = MakeVersion(in, h);
    if (in.Bool()) {
      const unsigned short type = in.U16();
      if (h.AddCodeDependencyToHdr(type, ver.c_str()) != 1) std::abort();
      added.push_back({type, ver.substr(0, 15)});
      continue;
    }
    const unsigned row = in.Byte() % (kLabelTags + 1);
    const char* label = row < kLabelTags ? codehdr::CodeModes()[row].label : "NOSUCH";
    const unsigned short r = h.AddCodeDependencyToHdr(label, ver.c_str());
    const unsigned short want = row == kLabelTags ? ERR_UNKNOWN_DEP_LABEL
                                : !WellFormed(ver, 16) ? ERR_VERSION_FORMAT
                                                       : HDR_SUCCESS;
    if (r != want) std::abort();
    if (r == HDR_SUCCESS) added.push_back({codehdr::CodeModes()[row].value, ver.substr(0, 15)});
  }
  return added;
}

unsigned short ExpectedBuildResult(unsigned char tag, const std::string& vire, const std::string& codeVer) {
  if (!WellFormed(vire.substr(0, 15), 16)) return ERR_VERSION_FORMAT;
  if (tag == 0 || tag > kUnknownLabelTag) return ERR_CODE_MODE;
  if (tag != kUnknownLabelTag && codehdr::CodeModes()[tag - 1].value > 255) return ERR_CODE_MODE;
  if (codeVer.empty()) return ERR_VERSION_FORMAT;
  return HDR_SUCCESS;  // the stored code version already passed its check
}

void CompareFields(CCodeHeader& out, unsigned char tag, const std::string& vire, const std::string& codeVer,
                   const std::string& comment, bool hasComment, const std::vector<Dep>& deps) {
  const unsigned char* hdr = out.compressedCodeHeader;
  if (out.ExtractTagIdFromHeader() != tag) std::abort();
  const unsigned char mode = tag == kUnknownLabelTag ? CODE_MODE_NOT_FOUND
                                                     : static_cast<unsigned char>(codehdr::CodeModes()[tag - 1].value);
  if (hdr[29] != mode) std::abort();
  const std::string vireStored = vire.substr(0, 15);
  if (std::memcmp(hdr + 4, vireStored.c_str(), vireStored.size() + 1) != 0) std::abort();
  char ver[16];
  if (out.GetHeaderCodeVer(ver) != 1 || codeVer != ver) std::abort();
  char text[32];
  if (out.GetHeaderComment(text) != (hasComment ? 1 : 0)) std::abort();
  if (hasComment && (comment != text || out.GetHeaderCommentLen() != comment.size() + 1)) std::abort();
  if (out.GetNumCodeDependencies() != static_cast<int>(deps.size())) std::abort();
  for (std::size_t i = 0; i < deps.size() && i < 256; ++i) {
    const dependencyInfo d = out.GetCodeDependencyAt(static_cast<unsigned char>(i));
    if (d.depType != deps[i].type || deps[i].ver != d.depVer) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture fixture;
  ByteReader in(data, size);
  CCodeHeader h;
  {
    codehdr::fuzz::StdoutSilencer quiet;
    if (h.Init(fixture.devicePath.c_str()) != HDR_SUCCESS) std::abort();
  }
  const bool hasComment = in.Bool();
  const std::string comment = hasComment ? GiveComment(in, h) : "";
  const bool withComment = h.comment != nullptr;
  const unsigned char tag = in.Byte() % 24;
  const std::string vire = MakeVersion(in, h);
  const std::string wanted = MakeVersion(in, h);
  const std::string codeVer = h.InsertHeaderCodeVer(wanted.c_str()) == 1 ? wanted.substr(0, 15) : "";
  const std::vector<Dep> deps = AddDependencies(in, h);
  const std::size_t sections = deps.size() + (withComment ? 1 : 0);
  if (sections > 255) return 0;  // more than a header can count

  int result = -1;
  const unsigned short total = h.BuildHeader(tag, vire.c_str(), &result);
  if (result != ExpectedBuildResult(tag, vire, codeVer)) std::abort();
  if (result != HDR_SUCCESS) {
    if (total != 0) std::abort();
    return 0;
  }
  const std::size_t wantTotal = 48 + (withComment ? 2 + comment.size() + 1 : 0) + 20 * deps.size();
  if (total != wantTotal || h.GetHeaderTotalSize() != total || h.totalHdrSize != total || h.oldStyleHeader) std::abort();

  // Seal a file: header, code bytes from the rest of the input, CRC.
  std::vector<unsigned char> file(h.compressedCodeHeader, h.compressedCodeHeader + total);
  std::size_t restLen = 0;
  const std::uint8_t* rest = in.Rest(&restLen);
  file.insert(file.end(), rest, rest + restLen);
  CCRC engine;
  const unsigned crc = engine.GetCRC32(file.data(), static_cast<int>(file.size()));
  h.InsertCrcIntoHeader(crc);
  std::memcpy(file.data(), h.compressedCodeHeader, total);

  CCodeHeader out;
  if (out.ExtractHdrFromCompressedCodeFile(file.data(), file.size()) != total) std::abort();
  CompareFields(out, tag, vire, codeVer, comment, withComment, deps);
  bool depsWellFormed = true;
  for (const Dep& d : deps) depsWellFormed = depsWellFormed && WellFormed(d.ver, 16);
  const unsigned short valid = out.ValidateHeader(tag, crc);
  if (valid != (depsWellFormed ? HDR_SUCCESS : ERR_DEP_VER_FORMAT)) std::abort();

  const std::string path = fixture.dir.WriteFile("sealed.bin", file.data(), file.size());
  CCodeHeader verifier;
  if (verifier.DoVerifyHeader(path.c_str(), 0, tag) != (depsWellFormed ? 1 : 0)) std::abort();
  if (depsWellFormed) CompareFields(verifier, tag, vire, codeVer, comment, withComment, deps);
  return 0;
}
