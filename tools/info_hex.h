// `codehdr info --hex`: the bytes of an image's header, one field per line
// with its offset, raw bytes, name and decoded value; the bytes that make the
// image fail verification are marked with what was expected.
#ifndef CODEHDR_TOOLS_INFO_HEX_H
#define CODEHDR_TOOLS_INFO_HEX_H

#include <cstdint>
#include <string>

#include <codehdr/image.h>

namespace codehdr::tool {

struct HexOptions {
  std::uint8_t expected_tag = 0;  // the tag the report was checked against; 0: any
  bool colour = false;            // marked lines in red
};

void PrintInfoHex(const std::string& file, const VerifyReport& report, const HexOptions& options);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_INFO_HEX_H
