// Device control text: the input becomes "virevuz.txt" in a private directory
// and is loaded through the path overload of the reader, over an object that
// already holds a table. Then both lookups run over every index and every tag
// id with several destination sizes, through a copy that outlives the
// original object.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <codehdr/code_header.h>
#include <codehdr/virevuz_txt.h>

#include "guarded_buffer.h"
#include "stdout_silencer.h"
#include "temp_dir.h"

namespace {

using codehdr::fuzz::GuardedBuffer;
using codehdr::fuzz::StdoutSilencer;
using codehdr::fuzz::TempDir;

constexpr char kModelKeyword[] = "DEVICE_MODEL";
constexpr std::size_t kLineBuf = 120;

// The number of lines (pieces of at most 119 characters) that contain the
// model keyword, as the reader counts them.
int CountModelPieces(const std::uint8_t* data, std::size_t size) {
  int count = 0;
  std::size_t pos = 0;
  while (pos < size) {
    std::string piece;
    while (pos < size && piece.size() < kLineBuf - 1) {
      const char c = static_cast<char>(data[pos++]);
      piece.push_back(c);
      if (c == '\n') break;
    }
    if (std::strstr(piece.c_str(), kModelKeyword) != nullptr) ++count;
  }
  return count;
}

const char kBaseline[] = "VERSION 1\nDEVICE_MODEL 1 BASE MODEA x 7\nDEVICE_MODEL 2 BASE2 MODEB x 9\n";

std::vector<download_ctl_typ> Snapshot(const CVireVuzTxt& t) {
  if (t.device_table == nullptr) return {};
  return std::vector<download_ctl_typ>(t.device_table, t.device_table + t.device_count);
}

bool SameRecord(const download_ctl_typ& a, const download_ctl_typ& b) {
  return a.model_id == b.model_id && a.tag_id == b.tag_id &&
         std::memcmp(a.model_name, b.model_name, sizeof a.model_name) == 0 &&
         std::memcmp(a.code_mode_str, b.code_mode_str, sizeof a.code_mode_str) == 0;
}

bool SameTable(const std::vector<download_ctl_typ>& a, const CVireVuzTxt& t) {
  const std::vector<download_ctl_typ> b = Snapshot(t);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!SameRecord(a[i], b[i])) return false;
  }
  return true;
}

void CheckRecords(CVireVuzTxt& t) {
  for (int i = -1; i <= t.device_count; ++i) {
    const download_ctl_typ r = t.GetCtrlTypeAt(i);
    if (i < 0 || i == t.device_count) {
      if (r.tag_id != 0) std::abort();
      continue;
    }
    if (!SameRecord(r, t.device_table[i])) std::abort();
    if (strnlen(r.model_name, sizeof r.model_name) == sizeof r.model_name) std::abort();
    if (strnlen(r.code_mode_str, sizeof r.code_mode_str) == sizeof r.code_mode_str) std::abort();
  }
}

// The label the tag-id search must find, or null.
const char* ExpectedLabel(const CVireVuzTxt& t, unsigned tagId) {
  for (int i = 0; t.device_table != nullptr && i < t.device_count; ++i) {
    if (t.device_table[i].tag_id == 0) return nullptr;
    if (t.device_table[i].tag_id == static_cast<int>(tagId)) return t.device_table[i].code_mode_str;
  }
  return nullptr;
}

// Destination buffers of exact sizes, each ending at a guard page; made once,
// refilled with the sentinel before every call.
constexpr unsigned kDstSizes[] = {0, 1, 2, 4, 9, 10, 16};
constexpr unsigned char kSentinel = 0x7E;

GuardedBuffer& DestinationOfSize(std::size_t which) {
  static std::vector<std::unique_ptr<GuardedBuffer>> buffers = [] {
    std::vector<std::unique_ptr<GuardedBuffer>> made;
    const std::string fill(16, static_cast<char>(kSentinel));
    for (unsigned size : kDstSizes) {
      made.push_back(std::make_unique<GuardedBuffer>(reinterpret_cast<const unsigned char*>(fill.data()), size));
    }
    return made;
  }();
  return *buffers[which];
}

bool Untouched(const GuardedBuffer& dst) {
  for (std::size_t i = 0; i < dst.size(); ++i) {
    if (dst.data()[i] != kSentinel) return false;
  }
  return true;
}

void CheckTagLookups(CVireVuzTxt& t) {
  for (unsigned tag = 0; tag <= 255; ++tag) {
    const char* want = ExpectedLabel(t, tag);
    for (std::size_t which = 0; which < std::size(kDstSizes); ++which) {
      GuardedBuffer& dst = DestinationOfSize(which);
      const unsigned size = kDstSizes[which];
      std::memset(dst.data(), kSentinel, size);
      t.GetCodeModeStrFromTagId(static_cast<unsigned char>(tag), dst.chars(), size);
      if (want == nullptr || size == 0) {
        if (!Untouched(dst)) std::abort();
        continue;
      }
      const std::size_t n = strnlen(dst.chars(), size);
      if (n == size || std::strncmp(dst.chars(), want, n) != 0) std::abort();
      if (n < size - 1 && want[n] != '\0') std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TempDir dir;
  const std::string baseline =
      dir.WriteFile("baseline.txt", reinterpret_cast<const unsigned char*>(kBaseline), sizeof kBaseline - 1);
  const std::string path = dir.WriteFile("virevuz.txt", data, size);

  CVireVuzTxt copy;
  {
    CVireVuzTxt reader;
    unsigned short result;
    std::vector<download_ctl_typ> before;
    {
      StdoutSilencer quiet;
      if (reader.init_device_control(baseline.c_str()) != HDR_SUCCESS) std::abort();
      before = Snapshot(reader);
      result = reader.init_device_control(path.c_str());
    }
    const int models = CountModelPieces(data, size);
    switch (result) {
      case HDR_SUCCESS:
        if (reader.device_count != models || models < 1) std::abort();
        break;
      case ERR_DEVCTL_NO_VERSION:
      case ERR_DEVCTL_NO_MODELS:
        if (result == ERR_DEVCTL_NO_MODELS && models != 0) std::abort();
        if (!SameTable(before, reader)) std::abort();
        break;
      default:
        std::abort();  // the file exists and is readable
    }
    copy = reader;
  }
  CheckRecords(copy);
  CheckTagLookups(copy);
  return 0;
}
