// Re-entrant splitting of a device control line into tokens. Tokens are views
// into the caller's line; nothing is written into it.
#ifndef CODEHDR_SRC_DEVCTL_TOKENIZER_H
#define CODEHDR_SRC_DEVCTL_TOKENIZER_H

#include <cstddef>

namespace codehdr::devctl {

struct Token {
  const char* text = nullptr;
  std::size_t length = 0;
};

// Finds the next token at or after *cursor in a NUL-terminated line, skipping
// runs of " ,\t\n\r", and moves *cursor past it. Returns false at the end.
bool NextToken(const char** cursor, Token* token);

// Stores the first at most maxTokens tokens of line in tokens[] and returns
// how many were stored.
int SplitTokens(const char* line, Token* tokens, int maxTokens);

}  // namespace codehdr::devctl

#endif  // CODEHDR_SRC_DEVCTL_TOKENIZER_H
