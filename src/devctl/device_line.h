// What one line of the device control file says: whether it is a model line
// or a version line, and the values it gives.
#ifndef CODEHDR_SRC_DEVCTL_DEVICE_LINE_H
#define CODEHDR_SRC_DEVCTL_DEVICE_LINE_H

#include <cstddef>

#include <codehdr/virevuz_txt.h>

namespace codehdr::devctl {

// One fgets read: at most 119 characters and the NUL.
constexpr std::size_t kLineBufSize = 120;

// Keywords are found anywhere in the line, case-sensitively.
bool IsModelLine(const char* line);
bool IsVersionLine(const char* line);

// Copies the 2nd token of line into text (kLineBufSize bytes) and returns
// true, or returns false when the line has no 2nd token. When the token
// converts like "%d", *version receives it; otherwise *version is unchanged.
bool ReadVersionToken(const char* line, char* text, int* version);

// Fills a zero-filled record from a model line: token 2 model_id ("%x"),
// tokens 3 and 4 model_name and code_mode_str, token 6 tag_id ("%d"). A name
// or label longer than 9 characters is cut to its first 9.
void ReadModelLine(const char* line, download_ctl_typ* record);

}  // namespace codehdr::devctl

#endif  // CODEHDR_SRC_DEVCTL_DEVICE_LINE_H
