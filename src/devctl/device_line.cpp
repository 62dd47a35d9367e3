#include "devctl/device_line.h"

#include <cstring>

#include "common/bounded_copy.h"
#include "devctl/number_scan.h"
#include "devctl/tokenizer.h"

namespace codehdr::devctl {
namespace {

constexpr char kModelKeyword[] = "DEVICE_MODEL";
constexpr char kVersionKeyword[] = "VERSION";

// 0-based indexes of the tokens a line's fields come from.
constexpr int kVersionToken = 1;
constexpr int kModelIdToken = 1;
constexpr int kModelNameToken = 2;
constexpr int kCodeModeToken = 3;
constexpr int kTagIdToken = 5;
constexpr int kModelLineTokens = kTagIdToken + 1;

}  // namespace

bool IsModelLine(const char* line) { return std::strstr(line, kModelKeyword) != nullptr; }

bool IsVersionLine(const char* line) { return std::strstr(line, kVersionKeyword) != nullptr; }

bool ReadVersionToken(const char* line, char* text, int* version) {
  Token tokens[kVersionToken + 1];
  if (SplitTokens(line, tokens, kVersionToken + 1) <= kVersionToken) return false;
  const Token& token = tokens[kVersionToken];
  BoundedCopyN(text, kLineBufSize, token.text, token.length);
  ScanDecimal(token, version);
  return true;
}

void ReadModelLine(const char* line, download_ctl_typ* record) {
  Token tokens[kModelLineTokens];
  const int count = SplitTokens(line, tokens, kModelLineTokens);
  if (count > kModelIdToken) ScanHex(tokens[kModelIdToken], &record->model_id);
  if (count > kModelNameToken) {
    BoundedCopyN(record->model_name, sizeof record->model_name, tokens[kModelNameToken].text,
                 tokens[kModelNameToken].length);
  }
  if (count > kCodeModeToken) {
    BoundedCopyN(record->code_mode_str, sizeof record->code_mode_str, tokens[kCodeModeToken].text,
                 tokens[kCodeModeToken].length);
  }
  if (count > kTagIdToken) ScanDecimal(tokens[kTagIdToken], &record->tag_id);
}

}  // namespace codehdr::devctl
