// Every field of a code image's header, read through the library, in a form
// that the text and JSON printers of `info` share.
#ifndef CODEHDR_TOOLS_HEADER_FIELDS_H
#define CODEHDR_TOOLS_HEADER_FIELDS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "header_form.h"

class CCodeHeader;

namespace codehdr::tool {

struct DependencyField {
  unsigned int type = 0;
  std::string version;
};

struct HeaderFields {
  std::string file;
  std::uint64_t file_size = 0;
  HeaderForm form = HeaderForm::kNone;
  unsigned int tag_id = 0;       // new-style and old-style
  unsigned int header_size = 0;  // total header size; 4 for old-style
  // The rest is filled for a new-style header only.
  std::string virevuz_version;
  unsigned int mandatory_size = 0;
  std::uint32_t stored_crc = 0;
  std::optional<std::uint32_t> computed_crc;  // none for files over 2 GiB
  unsigned int code_mode = 0;
  std::string code_version;
  unsigned int section_count = 0;
  unsigned int reserved = 0;
  std::optional<std::string> comment;
  unsigned int comment_length = 0;
  std::vector<DependencyField> dependencies;
};

// Reads the header of `image` (the whole file named `file`) into fields.
// Clears the image's CRC bytes to compute the file CRC. Throws ToolError
// naming the file for a new-style header that does not fit the file.
HeaderFields ReadHeaderFields(CCodeHeader& header, const std::string& file, Bytes& image);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_HEADER_FIELDS_H
