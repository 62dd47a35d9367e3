// What every operation of the library's own API reports: one Status with a
// name and a one-line reason. Statuses that the classic API also reports map
// to its result code (LegacyCode); the classic API folds several distinct
// faults into one code, the Status keeps them apart.
#ifndef CODEHDR_CORE_H
#define CODEHDR_CORE_H

#include <cstdint>
#include <string>

#include <codehdr/export.h>

namespace codehdr {

// Values are stable: new statuses are only ever added at the end.
enum class Status : std::uint8_t {
  kOk = 0,
  // Files. No classic result code; os_error fields say what the system said.
  kFileOpen,         // the file cannot be opened
  kFileNotRegular,   // not a regular file (a directory, a device)
  kFileRead,         // reading failed
  kFileShrank,       // the file ended before the size the file system reported
  kFileWrite,        // the output cannot be created, written, synced or renamed
  // The form of the bytes at the start of an image.
  kNoHeader,         // neither form of header: nothing to check
  kOldStyleHeader,   // an old-style header: no versions or CRC to check
  kHeaderTruncated,  // the image ends before the header it declares
  kHeaderTooSmall,   // the declared total size is below the 48-byte mandatory header
  // Checking a new-style header, in the order of the checks.
  kGuardBytes,                // 1053
  kVireVuzVersion,            // 1051 (also when building)
  kMandatorySize,             // 1058
  kCrcMismatch,               // 1050
  kTagMismatch,               // 302
  kHeaderCodeVersion,         // 1051
  kReservedByte,              // 1052
  kSectionOverrun,            // 1057
  kHeaderDependencyVersion,   // 1057
  // Building a header and adding dependencies.
  kBufferTooSmall,     // 1058
  kNoCodeMode,         // 1002
  kCodeModeTooLarge,   // 1002
  kCodeVersionEmpty,   // 1051
  kCodeVersion,        // 1052
  kTooManySections,    // 1055
  kUnknownLabel,       // 1054
  kDependencyVersion,  // 1051
  // The device control file.
  kDevctlOpen,         // 116
  kDevctlPathTooLong,  // 116
  kDevctlNoVersion,    // 117
  kDevctlNoModels,     // 118
  // The C API's boundary.
  kOutOfMemory,      // an allocation failed
  kInvalidArgument,  // a null pointer, a struct too small, an index past the end
  // Building a header (added later).
  kVireVuzTooLong,  // 1051: more than the 15 characters a header holds
  kComment,         // 1055: a comment longer than 31 characters or holding a NUL
  // Writing a file (added later).
  kOutputIsInput,  // the output names the file being read
};

// The number of statuses: every value below it is one. Follows the last
// enumerator (status.cpp checks that its table has this many rows).
constexpr int kStatusCount = static_cast<int>(Status::kOutputIsInput) + 1;

// A short identifier, e.g. "crc_mismatch".
CODEHDR_EXPORT const char* StatusName(Status status);
// One line saying what failed, e.g. "an optional section runs past the end of
// the header".
CODEHDR_EXPORT const char* StatusReason(Status status);
// True for the statuses that say a file could not be opened, read or
// written (kFileOpen ... kFileWrite, and the device control file's
// kDevctlOpen and kDevctlPathTooLong): the input or output failed, not a
// check.
CODEHDR_EXPORT bool IsFileStatus(Status status);
// The classic API's result code for the status (ERR_CRC_MISMATCH for
// kCrcMismatch, ...). 0 for kOk and for statuses the classic API has no code
// for (files, header forms).
CODEHDR_EXPORT std::uint16_t LegacyCode(Status status);
// The name of a classic result code ("ERR_CRC_MISMATCH", "HDR_SUCCESS"), or
// null for a number that is none.
CODEHDR_EXPORT const char* LegacyCodeName(std::uint16_t code);

// `text` with every byte outside 0x20..0x7E written as \xNN and "\" as "\\":
// text taken from an image (a version field, a comment) or a file name, safe
// for a terminal, a one-line message, JSON or XML.
CODEHDR_EXPORT std::string PrintableText(const std::string& text);

// The library's version, e.g. "1.1.0".
CODEHDR_EXPORT const char* LibraryVersion();

}  // namespace codehdr

#endif  // CODEHDR_CORE_H
