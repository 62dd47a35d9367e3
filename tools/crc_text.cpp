#include "crc_text.h"

#include <codehdr/crc.h>

namespace codehdr::tool {

std::string CrcText(std::uint32_t crc) {
  char text[9] = {};
  CCRC engine;
  engine.Crc32ToStr(crc, text);
  return text;
}

}  // namespace codehdr::tool
