// Header bytes in memory: the reader, the checker, the verifier and the
// classic object must agree on every input and read nothing outside it.
#include <cstdlib>
#include <cstring>
#include <vector>

#include <codehdr/checksum.h>
#include <codehdr/code_header.h>
#include <codehdr/image.h>

using namespace codehdr;

static void Require(bool ok) { if (!ok) std::abort(); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Header h = ReadHeader(data, size);
  const bool isNew = h.form == HeaderForm::kNewStyle, isOld = h.form == HeaderForm::kOldStyle;
  CCodeHeader c;
  const unsigned short got = c.ExtractHdrFromCompressedCodeFile(data, size);
  Require(got == (isNew || isOld ? h.total_size : 0) && c.GetHeaderTotalSize() == got);
  Require(c.GetHeaderTag() == h.tag && c.oldStyleHeader == isOld);
  const VerifyReport v = VerifyBytes(data, size);
  Require(v.header.form == h.form && v.file_size == size);
  if (!isNew) {
    // Nothing to check, unless a new-style header does not fit its own size.
    const bool none = h.form != HeaderForm::kMalformed || (h.problem == Status::kHeaderTooSmall && h.total_size <= 4);
    Require(v.verdict == (none ? Verdict::kNotChecked : Verdict::kFailed) && v.status == h.problem);
    Require(c.ValidateHeader(0, 0) == ERR_GUARD_BYTES);
    return 0;
  }
  // The classic object holds what the reader read, versions cut to 15 characters.
  Require(std::memcmp(c.compressedCodeHeader, data, got) == 0 && c.ExtractCrcFromHeader() == h.stored_crc);
  char text[32];
  Require(c.ExtractVerStrFromHeader(text, 17) == 1 && h.code_version == text);
  Require(c.GetHeaderComment(text) == h.comment.has_value() && c.GetHeaderCommentLen() == h.comment_length);
  Require(!h.comment || *h.comment == text);
  Require(c.GetNumCodeDependencies() == static_cast<int>(h.dependencies.size()));
  for (std::size_t i = 0; i < h.dependencies.size(); ++i) {
    const dependencyInfo d = c.GetCodeDependencyAt(static_cast<unsigned char>(i));
    Require(d.depType == h.dependencies[i].type && h.dependencies[i].version.substr(0, 15) == d.depVer);
  }
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
  return 0;
}
