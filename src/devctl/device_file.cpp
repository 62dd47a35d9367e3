// The device control file: lines, tokens, numbers, records, the reading of
// the file, the tag-id lookup and the file's place; and the device table of
// namespace codehdr over them.
#include "devctl/device_file.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "common/bounded_copy.h"
#include "platform/platform.h"

namespace codehdr::devctl {
namespace {

// One read: at most 119 characters and the NUL. A longer physical line is
// read in pieces, each taken as a line of its own.
constexpr std::size_t kLineBufSize = 120;

constexpr char kSeparators[] = " ,\t\n\r";
constexpr char kModelKeyword[] = "DEVICE_MODEL";
constexpr char kVersionKeyword[] = "VERSION";

// 0-based indexes of the tokens a line's fields come from, counted from the
// start of the line wherever the keyword stands.
constexpr int kVersionToken = 1;
constexpr int kModelIdToken = 1;
constexpr int kModelNameToken = 2;
constexpr int kCodeModeToken = 3;
constexpr int kTagIdToken = 5;
constexpr int kModelLineTokens = kTagIdToken + 1;

// The longest label of the code-mode table, which header building matches.
constexpr std::size_t kCodeModeLabelMax = 7;

// The text file, closed on every path out of a pass.
class TextFile {
 public:
  // A directory counts as a file that cannot be opened; with `notRegular`
  // anything but a regular file is refused (see platform::OpenTextStream).
  explicit TextFile(const platform::NativeName& name, bool* notRegular = nullptr)
      : file_(platform::OpenTextStream(name, notRegular)) {}
  ~TextFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  bool ReadLine(char (&line)[kLineBufSize]) { return std::fgets(line, kLineBufSize, file_) != nullptr; }

 private:
  std::FILE* file_;
};

// Keywords are found anywhere in the line, case-sensitively.
bool IsModelLine(const char* line) { return std::strstr(line, kModelKeyword) != nullptr; }
bool IsVersionLine(const char* line) { return std::strstr(line, kVersionKeyword) != nullptr; }

// Stores the first at most maxTokens tokens of line, split at runs of
// separators, and returns how many were stored.
int SplitTokens(const char* line, Token* tokens, int maxTokens) {
  int count = 0;
  const char* cursor = line + std::strspn(line, kSeparators);
  while (count < maxTokens && *cursor != '\0') {
    const std::size_t length = std::strcspn(cursor, kSeparators);
    tokens[count++] = Token{cursor, length};
    cursor += length;
    cursor += std::strspn(cursor, kSeparators);
  }
  return count;
}

// A token as a C string for the C library's conversions. Tokens come from
// lines of at most 119 characters, so a line buffer holds any of them whole.
struct TokenText {
  char text[kLineBufSize];
  explicit TokenText(const Token& token) { BoundedCopyN(text, sizeof text, token.text, token.length); }
};

// The 2nd token of a version line, or false when there is none. *version
// receives its value when it converts.
bool ReadVersionLine(const char* line, Token* token, int* version) {
  Token tokens[kVersionToken + 1];
  if (SplitTokens(line, tokens, kVersionToken + 1) <= kVersionToken) return false;
  *token = tokens[kVersionToken];
  ScanDecimal(*token, version);
  return true;
}

// A name or label longer than its field is cut to the field.
template <std::size_t N>
void CopyField(char (&field)[N], const Token& token) {
  BoundedCopyN(field, N, token.text, token.length);
}

// Fills a zero-filled record from a model line.
void ReadModelLine(const char* line, download_ctl_typ* record) {
  Token tokens[kModelLineTokens];
  const int count = SplitTokens(line, tokens, kModelLineTokens);
  if (count > kModelIdToken) ScanHex(tokens[kModelIdToken], &record->model_id);
  if (count > kModelNameToken) CopyField(record->model_name, tokens[kModelNameToken]);
  if (count > kCodeModeToken) CopyField(record->code_mode_str, tokens[kCodeModeToken]);
  if (count > kTagIdToken) ScanDecimal(tokens[kTagIdToken], &record->tag_id);
}

void Emit(const MessageSink& messages, const std::string& line) {
  if (messages) messages(line);
}

}  // namespace

bool ScanDecimal(const Token& token, int* value) {
  const TokenText t(token);
  char* end = nullptr;
  const long parsed = std::strtol(t.text, &end, 10);
  if (end == t.text) return false;
  *value = static_cast<int>(parsed);  // "%d" keeps the low 32 bits
  return true;
}

bool ScanHex(const Token& token, unsigned int* value) {
  const TokenText t(token);
  char* end = nullptr;
  unsigned long parsed = std::strtoul(t.text, &end, 16);
  if (end == t.text) {
    // "0x" with no hex digit after it is the number 0 followed by "x", as
    // "%x" reads it; not every C library's strtoul agrees, so it is taken
    // here: a 0 after the optional space and sign converts. (Overflow is
    // left to strtoul: it is what "%x" does on each system, and C libraries
    // differ there too.)
    const char* digit = t.text + std::strspn(t.text, " \t\n\v\f\r");
    digit += (*digit == '+' || *digit == '-') ? 1 : 0;
    if (*digit != '0') return false;
    parsed = 0;
  }
  *value = static_cast<unsigned int>(parsed);  // "%x" keeps the low 32 bits
  return true;
}

Status ScanDeviceFile(const char* path, const MessageSink& messages, const RecordSink& records, int* modelLines,
                      bool regularOnly) {
  bool notRegular = false;
  TextFile file{platform::NativeName(path), regularOnly ? &notRegular : nullptr};
  if (notRegular) return Status::kFileNotRegular;
  if (!file.IsOpen()) {
    if (!regularOnly) Emit(messages, std::string("Cannot open Device Control File - ") + path);
    return Status::kDevctlOpen;
  }
  // Below 0 until a version line gives a number; the last one decides.
  int version = -1;
  int models = 0;
  char line[kLineBufSize];
  while (file.ReadLine(line)) {
    if (IsModelLine(line)) {
      if (models < INT_MAX) ++models;
      if (records) {
        download_ctl_typ record{};
        ReadModelLine(line, &record);
        records(record);
      }
    }
    Token token;
    if (IsVersionLine(line) && ReadVersionLine(line, &token, &version)) {
      Emit(messages, "Device Control Version " + std::string(token.text, token.length));
    }
  }
  *modelLines = models;
  if (version < 0) {
    Emit(messages, "Version not found");
    return Status::kDevctlNoVersion;
  }
  if (models == 0) {
    Emit(messages, "No device models in Device Control File");
    return Status::kDevctlNoModels;
  }
  return Status::kOk;
}

bool FillDeviceRecords(const platform::NativeName& name, download_ctl_typ* table, int count) {
  TextFile file(name);
  if (!file.IsOpen()) return false;
  char line[kLineBufSize];
  int filled = 0;
  while (filled < count && file.ReadLine(line)) {
    if (IsModelLine(line)) ReadModelLine(line, &table[filled++]);
  }
  return true;
}

const download_ctl_typ* FindRecordForTag(const download_ctl_typ* records, std::size_t count, std::uint8_t tag) {
  for (std::size_t i = 0; i < count; ++i) {
    if (records[i].tag_id == 0) return nullptr;
    if (records[i].tag_id == static_cast<int>(tag)) return &records[i];
  }
  return nullptr;
}

std::string DeviceFilePathBeside(const std::string& exePath) {
  const std::size_t sep = exePath.rfind(platform::kPathSeparator);
  std::string path = sep == std::string::npos ? std::string() : exePath.substr(0, sep + 1);
  path += kDeviceFileName;
  return platform::PathLength(path) <= kMaxDevicePathLen ? path : std::string();
}

}  // namespace codehdr::devctl

namespace codehdr {

Status LoadDeviceTable(const std::string& path, DeviceTable& table, const MessageSink& messages) {
  std::vector<DeviceRecord> records;
  int modelLines = 0;
  const Status status = devctl::ScanDeviceFile(
      path.c_str(), messages, [&records](const DeviceRecord& record) { records.push_back(record); }, &modelLines,
      true);
  if (status == Status::kOk) table.records = std::move(records);
  return status;
}

std::string DeviceCodeModeLabel(const DeviceRecord& record) {
  return std::string(record.code_mode_str, BoundedLength(record.code_mode_str, devctl::kCodeModeLabelMax));
}

std::string DeviceTable::CodeModeLabel(std::uint8_t tag) const {
  const DeviceRecord* record = devctl::FindRecordForTag(records.data(), records.size(), tag);
  return record != nullptr ? DeviceCodeModeLabel(*record) : std::string();
}

std::string DeviceFileBesideExecutable() { return devctl::DeviceFilePathBeside(platform::ExecutablePath()); }

std::string SystemDeviceFile() {
  const std::string folder = platform::ConfigurationDirectory();
  return folder.empty() ? DeviceFileBesideExecutable() : folder + devctl::kDeviceFileName;
}

}  // namespace codehdr
