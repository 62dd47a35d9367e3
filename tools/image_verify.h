// Verifies one code image file the way CCodeHeader::DoVerifyHeader does, step
// by step, so that a failure keeps its reason; then asks DoVerifyHeader itself
// and reports an internal error if the two verdicts differ.
#ifndef CODEHDR_TOOLS_IMAGE_VERIFY_H
#define CODEHDR_TOOLS_IMAGE_VERIFY_H

#include <cstdint>
#include <optional>
#include <string>

class CCodeHeader;

namespace codehdr::tool {

enum class VerifyStatus {
  kVerified,    // the header validates and the CRC matches
  kFailed,      // the header or the CRC is wrong (code/reason say why)
  kNotChecked,  // no new-style header: the library has nothing to check
  kError,       // the file could not be read, or an internal disagreement
};

struct VerifyOutcome {
  std::string file;
  VerifyStatus status = VerifyStatus::kError;
  std::optional<unsigned int> code;  // the library's result code, when known
  std::string reason;                // a sentence, empty when verified
  std::optional<unsigned int> tag_id;
  std::string code_version;          // as the header holds it (new-style only)
  std::optional<std::uint32_t> stored_crc;
  std::optional<std::uint32_t> computed_crc;
};

// `expected_tag` 0 accepts any tag id. `header` is reused between calls.
VerifyOutcome VerifyImage(CCodeHeader& header, const std::string& file, unsigned char expected_tag);

// "verified", "failed", "not checked", "error".
const char* VerifyStatusName(VerifyStatus status);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_IMAGE_VERIFY_H
