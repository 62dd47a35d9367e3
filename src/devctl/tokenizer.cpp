#include "devctl/tokenizer.h"

#include <cstring>

namespace codehdr::devctl {
namespace {

constexpr char kSeparators[] = " ,\t\n\r";

}  // namespace

bool NextToken(const char** cursor, Token* token) {
  const char* start = *cursor + std::strspn(*cursor, kSeparators);
  if (*start == '\0') {
    *cursor = start;
    return false;
  }
  const std::size_t length = std::strcspn(start, kSeparators);
  token->text = start;
  token->length = length;
  *cursor = start + length;
  return true;
}

int SplitTokens(const char* line, Token* tokens, int maxTokens) {
  int count = 0;
  const char* cursor = line;
  while (count < maxTokens && NextToken(&cursor, &tokens[count])) ++count;
  return count;
}

}  // namespace codehdr::devctl
