// Checks shared by the header fuzz targets: what a CCodeHeader may hold after
// an extraction, what validation may return, and every accessor a held
// new-style header allows. Each check abort()s on a disagreement.
#ifndef CODEHDR_FUZZ_HEADER_CHECKS_H
#define CODEHDR_FUZZ_HEADER_CHECKS_H

#include <cstddef>
#include <string>
#include <vector>

#include <codehdr/code_header.h>

namespace codehdr::fuzz {

// The object after ExtractHdrFromCompressedCodeFile gave `result` for an
// image of `size` bytes at `image`.
void CheckExtraction(CCodeHeader& h, unsigned short result, const unsigned char* image, std::size_t size);

// True when `code` is one of the results ValidateHeader may give.
bool IsValidationResult(unsigned short code);

// Every accessor of a held new-style header, including a CRC write and read
// back. Leaves the header as it found it.
void CheckNewStyleAccessors(CCodeHeader& h);

// The accessors that guard against a missing header.
void CheckGuardedAccessors(CCodeHeader& h);

// A 48-byte header followed by one comment section holding `text` and a NUL:
// extracting it hands the comment to an object, as parsing a header does.
std::vector<unsigned char> CommentCarrier(const std::string& text);

}  // namespace codehdr::fuzz

#endif  // CODEHDR_FUZZ_HEADER_CHECKS_H
