// A code image, in memory and as a file (one scratch file, rewritten for each input): the reader, the checker, the
// verifiers and the classic object agree on every input, and nothing is read outside it.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <codehdr/checksum.h>
#include <codehdr/code_header.h>
#include <codehdr/image.h>

#include "support.h"

using namespace codehdr;

static void Require(bool ok) { if (!ok) std::abort(); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const test::ScratchDir dir;
  const std::string path = dir.Write("image", test::Bytes(data, data + size));
  const Header h = ReadHeader(data, size);
  const bool isNew = h.form == HeaderForm::kNewStyle, isOld = h.form == HeaderForm::kOldStyle;
  // The object held a header before: a new-style header replaces its comment and dependencies, the other forms keep
  // them.
  static const test::Bytes previous = test::Image().Comment("old").Dep(77, "R01A02").Header();
  CCodeHeader c;
  c.ExtractHdrFromCompressedCodeFile(previous.data(), previous.size());
  const unsigned short got = c.ExtractHdrFromCompressedCodeFile(data, size);
  Require(got == (isNew || isOld ? h.total_size : 0) && c.GetHeaderTotalSize() == got);
  Require(c.GetHeaderTag() == h.tag && c.oldStyleHeader == isOld);
  Require(CCodeHeader().ExtractHdrFromCompressedCodeFile(path.c_str(), static_cast<long>(size)) == got);
  Require(!(isNew || isOld) || CCodeHeader().ExtractHdrFromCompressedCodeFile(data) == got);  // sized by its header
  const VerifyReport v = VerifyBytes(data, size), file = VerifyFile(path);
  Require(v.header.form == h.form && v.file_size == size && file.file_size == size);
  Require(file.verdict == v.verdict && file.status == v.status && file.computed_crc == v.computed_crc);
  Require(file.header_bytes == v.header_bytes);
  // Fed in chunks cut anywhere (empty ones too), the chunk-fed verifier reports the same; after Finish it starts afresh.
  ImageVerifier chunked;
  std::uint32_t random = Crc32(data, size) | 1;
  for (int round = 0; round < 2; ++round) {
    for (std::size_t at = 0; at < size;) {
      random = random * 1103515245u + 12345u;
      const std::size_t n = std::min<std::size_t>(size - at, (random >> 16) % 67);
      chunked.Update(data + at, n);
      at += n;
    }
    const VerifyReport r = chunked.Finish();
    Require(r.verdict == v.verdict && r.status == v.status && r.computed_crc == v.computed_crc);
    Require(r.file_size == size && r.header_bytes == v.header_bytes && chunked.size() == 0);
  }

  // DoVerifyHeader leaves in its object what the check took: the code version once it passed, the dependency list once
  // the section walk began.
  CCodeHeader verifier;
  verifier.InsertHeaderCodeVer("R09Z09");
  Require(verifier.DoVerifyHeader(path.c_str(), 0, 0) == (v.verdict != Verdict::kFailed));
  Require(verifier.IsNewHeader(path.c_str()) == (size >= 4 && std::memcmp(data, "\xC9\xC9\xC9\xC9", 4) == 0));
  const std::optional<HeaderCheck>& taken = v.check;
  Require((taken && taken->code_version ? taken->code_version->substr(0, 15) : "R09Z09") == verifier.codeVer);
  const auto cut = [](std::vector<Dependency> deps) {  // as the classic object holds them
    for (Dependency& d : deps) d.version.resize(std::min<std::size_t>(d.version.size(), 15));
    return test::DepList(deps);
  };
  Require(test::DepList(verifier) == cut(taken && taken->dependencies ? *taken->dependencies : h.dependencies));
  Require((verifier.comment != nullptr) == h.comment.has_value() && (!h.comment || *h.comment == verifier.comment));
  if (!isNew) {
    // Nothing to check, unless a new-style header does not fit its own size.
    const bool none = h.form != HeaderForm::kMalformed;
    Require(v.verdict == (none ? Verdict::kNotChecked : Verdict::kFailed) && v.status == h.problem);
    char text[32] = "-";
    Require(test::DepList(c) == std::vector<std::string>{"77:R01A02"} && c.GetHeaderCommentLen() == 4);
    Require(c.GetHeaderComment(text) == isOld && std::strcmp(text, isOld ? "old" : "-") == 0);  // with a header held
    Require(c.ValidateHeader(0, 0) == ERR_GUARD_BYTES && c.ExtractTagIdFromHeader() == 0);
    Require(c.GetHeaderCodeVer(text) == 0 && c.ExtractVerStrFromHeader(text, 17) == 0 && c.ExtractCrcFromHeader() == 0);
    Require(c.ParseHeaderDependencyInfo() == isOld && c.comment == nullptr && c.GetNumCodeDependencies() == 0);
    return 0;
  }
  // The classic object holds what the reader read, versions cut to 15 characters.
  Require(std::memcmp(c.compressedCodeHeader, data, got) == 0 && c.ExtractCrcFromHeader() == h.stored_crc);
  char text[32];
  Require(c.GetHeaderCodeVer(text) == 1 && h.code_version.compare(0, 15, text) == 0);
  Require(c.ExtractVerStrFromHeader(text, 17) == 1 && h.code_version == text && c.ExtractTagIdFromHeader() == h.tag);
  const auto room = static_cast<unsigned char>(h.code_version.size() + 1);  // the version and its NUL
  Require(c.ExtractVerStrFromHeader(text, room) == 1 && c.ExtractVerStrFromHeader(text, room - 1) == 0);
  text[31] = '#';  // no buffer, or one of no size, is not written
  Require(c.ExtractVerStrFromHeader(nullptr, 17) == 0 && c.ExtractVerStrFromHeader(text + 31, 0) == 0);
  Require(text[31] == '#');
  Require(c.GetHeaderComment(text) == h.comment.has_value() && c.GetHeaderCommentLen() == h.comment_length);
  Require(!h.comment || *h.comment == text);
  Require(test::DepList(c) == cut(h.dependencies));
  // The header's own tag and CRC pass; any other fails once the check reaches it.
  const HeaderCheck check = CheckHeader(data, got, 0, 0);
  Require(CheckHeader(data, got, h.tag, h.stored_crc).status == check.status);
  if (check.status == Status::kOk) {
    Require(CheckHeader(data, got, 0, (h.stored_crc ^ 0x80000000u) | 1u).status == Status::kCrcMismatch);
    Require(CheckHeader(data, got, (h.tag ^ 0x80) | 1, 0).status == Status::kTagMismatch);
  }
  Require(c.ValidateHeader(0, 0) == LegacyCode(check.status));
  Require(!check.code_version || check.code_version->substr(0, 15) == c.codeVer);
  // The verifier: the CRC with bytes 24-27 as zero, then the same check.
  std::vector<std::uint8_t> image(data, data + size);
  c.RemoveCRC(image.data());
  const std::uint32_t crc = Crc32(image.data(), size);
  Require(v.computed_crc == crc && v.status == CheckHeader(data, got, 0, crc).status);
  Require((v.verdict == Verdict::kVerified) == (c.ValidateHeader(0, crc) == HDR_SUCCESS));
  c.InsertCrcIntoHeader(~crc);  // big-endian
  Require(c.ExtractCrcFromHeader() == ~crc && c.compressedCodeHeader[24] == (~crc >> 24 & 0xFF));
  Require(c.ParseHeaderDependencyInfo() == 1 && test::DepList(c) == cut(h.dependencies));  // afresh
  return 0;
}
