#include "json_print.h"

#include <cstdio>
#include <utility>

namespace codehdr::tool {

nlohmann::ordered_json Versioned(const char* key, nlohmann::ordered_json items) {
  return {{"json_version", kJsonVersion}, {key, std::move(items)}};
}

void PrintJson(const nlohmann::ordered_json& document) {
  std::string text = document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
}

std::string OneLine(const nlohmann::ordered_json& value) {
  return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace codehdr::tool
