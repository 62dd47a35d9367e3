// Text taken from a header shown safely: bytes outside printable ASCII become
// \xNN, so corrupt fields neither garble a terminal nor break JSON.
#ifndef CODEHDR_TOOLS_PRINTABLE_H
#define CODEHDR_TOOLS_PRINTABLE_H

#include <cstddef>
#include <string>

namespace codehdr::tool {

// The bytes of a fixed-width text field up to its first NUL (at most `width`).
std::string FieldText(const unsigned char* field, std::size_t width);

// `text` with every byte outside 0x20..0x7E written as \xNN (and "\" as "\\").
std::string Printable(const std::string& text);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_PRINTABLE_H
