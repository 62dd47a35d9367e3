// A CRC-32 in the library's text form: lower-case hex, no leading zeros.
#ifndef CODEHDR_TOOLS_CRC_TEXT_H
#define CODEHDR_TOOLS_CRC_TEXT_H

#include <cstdint>
#include <string>

namespace codehdr::tool {

std::string CrcText(std::uint32_t crc);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_CRC_TEXT_H
