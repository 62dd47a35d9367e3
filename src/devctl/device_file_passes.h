// The two passes over the device control file: the first counts the model
// lines and finds the version, the second fills the records.
#ifndef CODEHDR_SRC_DEVCTL_DEVICE_FILE_PASSES_H
#define CODEHDR_SRC_DEVCTL_DEVICE_FILE_PASSES_H

#include <codehdr/virevuz_txt.h>

namespace codehdr::devctl {

struct DeviceFileSummary {
  int version = -1;     // below 0 until a version line gives a number
  int modelLines = 0;   // stops growing at INT_MAX
};

// First pass. Prints "Device Control Version %s\n" for every version line with
// a 2nd token. Returns false, printing nothing, when the file cannot be opened.
bool CountDeviceFile(const char* path, DeviceFileSummary* summary);

// Second pass. Fills table[0 .. count-1] from the model lines in file order;
// further model lines are ignored. Returns false when the file cannot be
// opened.
bool FillDeviceRecords(const char* path, download_ctl_typ* table, int count);

}  // namespace codehdr::devctl

#endif  // CODEHDR_SRC_DEVCTL_DEVICE_FILE_PASSES_H
