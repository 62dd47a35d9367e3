// Whole files: the input as a file (one memfd, rewritten for each input),
// verified by VerifyFile and by the classic DoVerifyHeader. Both agree with
// VerifyBytes, and the classic object holds what the verification rules say.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <codehdr/code_header.h>
#include <codehdr/image.h>

#include "support.h"

using namespace codehdr;

static void Require(bool ok) { if (!ok) std::abort(); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = ::memfd_create("image", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  Require(::ftruncate(fd, 0) == 0 && ::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));

  const VerifyReport mem = VerifyBytes(data, size), file = VerifyFile(path);
  Require(file.verdict == mem.verdict && file.status == mem.status && file.computed_crc == mem.computed_crc);
  Require(file.header_bytes == mem.header_bytes && file.file_size == size);
  CCodeHeader c;
  c.InsertHeaderCodeVer("R09Z09");
  Require(c.DoVerifyHeader(path.c_str(), 0, 0) == (mem.verdict != Verdict::kFailed));
  Require(c.IsNewHeader(path.c_str()) == (size >= 4 && std::memcmp(data, "\xC9\xC9\xC9\xC9", 4) == 0));

  // The object holds the header, the comment and dependencies it parsed, and
  // what the check took: the code version once it passed, the list once the
  // section walk began.
  const Header& h = mem.header;
  const bool held = h.form == HeaderForm::kNewStyle || h.form == HeaderForm::kOldStyle;
  Require(c.GetHeaderTotalSize() == (held ? h.total_size : 0) && c.GetHeaderTag() == h.tag);
  Require(!held || std::memcmp(c.compressedCodeHeader, data, h.form == HeaderForm::kOldStyle ? 1 : h.total_size) == 0);
  const std::optional<HeaderCheck>& check = mem.check;
  Require((check && check->code_version ? check->code_version->substr(0, 15) : "R09Z09") == c.codeVer);
  std::vector<Dependency> deps = check && check->dependencies ? *check->dependencies : h.dependencies;
  for (Dependency& d : deps) d.version.resize(std::min<std::size_t>(d.version.size(), 15));
  Require(test::DepList(c) == test::DepList(deps));
  Require((c.comment != nullptr) == h.comment.has_value() && (!h.comment || *h.comment == c.comment));

  // The file form of the extraction gives what the buffer form gives.
  CCodeHeader fromFile;
  Require(fromFile.ExtractHdrFromCompressedCodeFile(path.c_str(), static_cast<long>(size)) ==
          CCodeHeader().ExtractHdrFromCompressedCodeFile(data, size));
  return 0;
}
