// Prints a JSON document on standard output, indented, one trailing newline.
// Bytes that are not UTF-8 (file names, corrupt fields) are replaced rather
// than aborting the output.
#ifndef CODEHDR_TOOLS_JSON_PRINT_H
#define CODEHDR_TOOLS_JSON_PRINT_H

#include <string>

#include <nlohmann/json.hpp>

namespace codehdr::tool {

// The version of the tool's JSON output, the first key of every document
// (info, verify, check and devices --json). It goes up when a key or a value
// changes its meaning or spelling; new keys alone do not raise it.
constexpr int kJsonVersion = 2;

// {"json_version": kJsonVersion, key: items}
nlohmann::ordered_json Versioned(const char* key, nlohmann::ordered_json items);

void PrintJson(const nlohmann::ordered_json& document);

// `value` as JSON on one line, with the same replacement of bytes that are
// not UTF-8.
std::string OneLine(const nlohmann::ordered_json& value);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_JSON_PRINT_H
