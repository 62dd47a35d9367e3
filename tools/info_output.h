// The two forms of `codehdr info` output for one file's header fields.
#ifndef CODEHDR_TOOLS_INFO_OUTPUT_H
#define CODEHDR_TOOLS_INFO_OUTPUT_H

#include <cstdio>

#include <nlohmann/json.hpp>

#include "header_fields.h"

namespace codehdr::tool {

// Keys: file, file_size, form, and for old- and new-style headers tag_id and
// header_size; for a new-style header also virevuz_version, mandatory_size,
// total_size, stored_crc, computed_crc (null over 2 GiB), crc_match, code_mode,
// code_mode_labels, code_version, section_count, reserved, comment (null when
// none), comment_length, dependencies [{type, labels, version}].
nlohmann::ordered_json InfoJson(const HeaderFields& fields);

// Readable, one field per line.
void PrintInfoText(const HeaderFields& fields, std::FILE* out);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_INFO_OUTPUT_H
