// The device table of a device control file ("virevuz.txt"), read into
// values. The file's rules are those of CVireVuzTxt (see virevuz_txt.h); the
// reader's messages ("Device Control Version 3", ...) go to a sink of the
// caller's choice instead of standard output.
#ifndef CODEHDR_DEVICES_H
#define CODEHDR_DEVICES_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <codehdr/core.h>
#include <codehdr/export.h>
#include <codehdr/virevuz_txt.h>

namespace codehdr {

// One DEVICE_MODEL line: model_id, model_name, code_mode_str, tag_id.
using DeviceRecord = ::download_ctl_typ;

struct CODEHDR_EXPORT DeviceTable {
  std::vector<DeviceRecord> records;  // in file order

  // The code-mode label that header building uses for `tag`: that of the
  // first record whose tag_id is `tag`, cut to 7 characters. A record with
  // tag_id 0 ends the search. Empty when nothing is found (always for 0).
  std::string CodeModeLabel(std::uint8_t tag) const;
};

// The code-mode label that header building takes from a record: its first
// 7 characters (a code-mode label is never longer).
CODEHDR_EXPORT std::string DeviceCodeModeLabel(const DeviceRecord& record);

// Receives each message line, without its line end.
using MessageSink = std::function<void(const std::string& line)>;

// Reads the device control file at `path` in one pass. Returns kOk and
// replaces table.records, or with `table` unchanged: kFileNotRegular at once
// for anything but a regular file (a directory, a FIFO, a device such as
// /dev/zero: reading it might never end), kDevctlOpen when it cannot be
// opened, kDevctlNoVersion or kDevctlNoModels. The reader's messages
// ("Device Control Version 3", "Version not found", ...) go to `messages`
// (none is kept when it is empty); a file that cannot be opened or is not a
// regular file sends none, the status says it.
CODEHDR_EXPORT Status LoadDeviceTable(const std::string& path, DeviceTable& table,
                                      const MessageSink& messages = MessageSink());

// "virevuz.txt" in the directory of the running executable (the bare name
// when that directory is unknown). Empty when the complete path is longer
// than the 259 characters the classic reader allows.
CODEHDR_EXPORT std::string DeviceFileBesideExecutable();

// The environment variable that names the device control file of a program
// that is given none on its command line.
constexpr const char* kDeviceFileVariable = "CODEHDR_DEVCTL";

// Where a program looks for the device control file when it is given none
// and kDeviceFileVariable is not set: /etc/codehdr/virevuz.txt on Linux,
// DeviceFileBesideExecutable() on Windows (empty when too long there).
CODEHDR_EXPORT std::string SystemDeviceFile();

}  // namespace codehdr

#endif  // CODEHDR_DEVICES_H
