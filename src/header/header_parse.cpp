// Reads the optional sections of the held header into the dependency list and
// the comment. Sections are stepped over by their own length byte (2 + L).
#include <codehdr/code_header.h>

#include "common/bounded_copy.h"
#include "header/bounds.h"
#include "header/byte_order.h"
#include "header/layout.h"

namespace layout = codehdr::layout;

namespace {

void ReadDependencyPayload(const unsigned char* hdr, std::size_t hdrLen, std::size_t payload,
                           dependencyInfo& info) {
  info.depType = codehdr::byte_order::ReadBe16(hdr + payload + layout::kDepTypeLoc);
  // The payload length is not compared with 18; the version text is taken up
  // to its NUL but never beyond the header buffer.
  const std::size_t verLoc = payload + layout::kDepVerLoc;
  codehdr::BoundedCopyN(info.depVer, sizeof info.depVer, reinterpret_cast<const char*>(hdr + verLoc),
                        codehdr::BytesFrom(hdrLen, verLoc));
}

}  // namespace

int CCodeHeader::ParseHeaderDependencyInfo() {
  dependencyList.Clear();
  delete[] comment;
  comment = nullptr;
  commentLen = 0;

  if (compressedCodeHeader == nullptr) return 0;
  // An old-style header has no sections; it still counts as a held header.
  if (oldStyleHeader || hdrBufLen < layout::kManHdrLen) return 1;

  const unsigned char* hdr = compressedCodeHeader;
  const unsigned sections = hdr[layout::kNumOptSecLoc];
  std::size_t pos = layout::kFirstOptSecLoc;
  for (unsigned i = 0; i < sections; ++i) {
    // A section whose head lies past the end of the header buffer ends the
    // walk; what the sections before it gave is kept. A payload that runs
    // past the end is read as far as the buffer holds it (its text is cut
    // there), and the walk ends after it.
    if (!codehdr::SpanFits(hdrBufLen, pos, layout::kOptPayloadLoc)) break;
    const unsigned char type = hdr[pos + layout::kOptTypeLoc];
    const unsigned char len = hdr[pos + layout::kOptLenLoc];
    const std::size_t payload = pos + layout::kOptPayloadLoc;

    if (type == layout::kOptTypeDependency) {
      // The dependency type needs two payload bytes even when L claims fewer.
      if (!codehdr::SpanFits(hdrBufLen, payload, layout::kDepVerLoc)) break;
      dependencyInfo info{};
      ReadDependencyPayload(hdr, hdrBufLen, payload, info);
      dependencyList.Append(info);
    } else if (type == layout::kOptTypeComment) {
      char* text = new char[layout::kCommentBufLen]();
      // A comment without a NUL ends at the buffer's end or after 31 characters.
      codehdr::BoundedCopyN(text, layout::kCommentBufLen, reinterpret_cast<const char*>(hdr + payload),
                            codehdr::BytesFrom(hdrBufLen, payload));
      delete[] comment;
      comment = text;
      commentLen = len;
    }
    pos = payload + len;
  }
  return 1;
}
