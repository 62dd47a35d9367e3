// The device control file "virevuz.txt": reading it into records, the
// tag-id lookup, and where the file lies. The device table of namespace
// codehdr reads the file in one pass; the classic CVireVuzTxt reads it in two
// (count, then fill an array of the exact size) with the same rules.
#ifndef CODEHDR_SRC_DEVCTL_DEVICE_FILE_H
#define CODEHDR_SRC_DEVCTL_DEVICE_FILE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include <codehdr/core.h>
#include <codehdr/devices.h>
#include <codehdr/virevuz_txt.h>

#include "platform/platform.h"

namespace codehdr::devctl {

// A token of a line: a view, not terminated.
struct Token {
  const char* text = nullptr;
  std::size_t length = 0;
};

// Number conversion of tokens as "%d" and "%x" read them: leading white
// space, an optional sign, for hexadecimal an optional 0x prefix, then the
// leading digits. Values out of range come out as strtol/strtoul give them,
// narrowed to 32 bits. Returns false, leaving *value unchanged, when the
// token does not begin with a number.
bool ScanDecimal(const Token& token, int* value);
bool ScanHex(const Token& token, unsigned int* value);

// Receives each record in file order.
using RecordSink = std::function<void(const download_ctl_typ& record)>;

// Reads the file at `path` once. Every version line with a 2nd token sends
// "Device Control Version <token>" to `messages`; every model line counts in
// *modelLines (which stops at INT_MAX) and, when `records` is not empty, is
// read into a record handed to it. Returns kOk, or kDevctlOpen,
// kDevctlNoVersion or kDevctlNoModels after sending that failure's message.
// `messages` may be empty. With `regularOnly` (the reader of namespace
// codehdr), a file that is not a regular file is refused at once with
// kFileNotRegular, as images are, and a file that cannot be opened sends no
// message: the status says it all.
Status ScanDeviceFile(const char* path, const MessageSink& messages, const RecordSink& records, int* modelLines,
                      bool regularOnly = false);

// Reads the file at `path` again and fills table[0 .. count-1] from its model
// lines in file order; later model lines are ignored and records without a
// line are left as they are. Returns false when the file cannot be opened.
// The name is converted before the caller changes anything: opening it then
// cannot throw.
bool FillDeviceRecords(const platform::NativeName& name, download_ctl_typ* table, int count);

// The first of `count` records whose tag_id is `tag`, or null. A record with
// tag_id 0 ends the search, so tag 0 is never found.
const download_ctl_typ* FindRecordForTag(const download_ctl_typ* records, std::size_t count, std::uint8_t tag);

constexpr char kDeviceFileName[] = "virevuz.txt";

// The complete path must fit in 260 bytes with its terminator (on Windows,
// 260 UTF-16 units: the system's own path limit).
constexpr std::size_t kMaxDevicePathLen = 259;

// The directory of exePath (up to and including its last separator) followed
// by "virevuz.txt"; the bare name when exePath has no separator. Empty when
// the result would be longer than kMaxDevicePathLen.
std::string DeviceFilePathBeside(const std::string& exePath);

}  // namespace codehdr::devctl

#endif  // CODEHDR_SRC_DEVCTL_DEVICE_FILE_H
