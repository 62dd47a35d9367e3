#include "devctl/device_file_passes.h"

#include <climits>
#include <cstdio>

#include "devctl/device_line.h"
#include "platform/platform.h"

namespace codehdr::devctl {
namespace {

// Closes the file on every path out of a pass.
class TextFile {
 public:
  // A directory counts as a file that cannot be opened: the open succeeds on
  // this platform, but there is nothing to read.
  explicit TextFile(const char* path) : file_(std::fopen(path, "r")) {
    if (file_ != nullptr && platform::IsDirectory(file_)) {
      std::fclose(file_);
      file_ = nullptr;
    }
  }
  ~TextFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // Reads the next line, or the next 119 characters of a longer one.
  bool ReadLine(char (&line)[kLineBufSize]) { return std::fgets(line, kLineBufSize, file_) != nullptr; }

 private:
  std::FILE* file_;
};

void ReadVersionLine(const char* line, int* version) {
  char text[kLineBufSize];
  if (ReadVersionToken(line, text, version)) std::printf("Device Control Version %s\n", text);
}

}  // namespace

bool CountDeviceFile(const char* path, DeviceFileSummary* summary) {
  TextFile file(path);
  if (!file.IsOpen()) return false;
  char line[kLineBufSize];
  while (file.ReadLine(line)) {
    if (IsModelLine(line) && summary->modelLines < INT_MAX) ++summary->modelLines;
    if (IsVersionLine(line)) ReadVersionLine(line, &summary->version);
  }
  return true;
}

bool FillDeviceRecords(const char* path, download_ctl_typ* table, int count) {
  TextFile file(path);
  if (!file.IsOpen()) return false;
  char line[kLineBufSize];
  int filled = 0;
  while (filled < count && file.ReadLine(line)) {
    if (IsModelLine(line)) ReadModelLine(line, &table[filled++]);
  }
  return true;
}

}  // namespace codehdr::devctl
