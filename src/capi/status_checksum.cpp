// The C interface's statuses and checksums.
#include <codehdr/c.h>
#include <codehdr/checksum.h>
#include <codehdr/core.h>

#include "capi/capi.h"

namespace codehdr::capi {
namespace {

struct SameStatus {
  int c;
  Status core;
};

// Every C status beside its core Status, in order: the C values are the
// core's, and none is missing.
constexpr SameStatus kStatuses[] = {
    {CODEHDR_STATUS_OK, Status::kOk},
    {CODEHDR_STATUS_FILE_OPEN, Status::kFileOpen},
    {CODEHDR_STATUS_FILE_NOT_REGULAR, Status::kFileNotRegular},
    {CODEHDR_STATUS_FILE_READ, Status::kFileRead},
    {CODEHDR_STATUS_FILE_SHRANK, Status::kFileShrank},
    {CODEHDR_STATUS_FILE_WRITE, Status::kFileWrite},
    {CODEHDR_STATUS_NO_HEADER, Status::kNoHeader},
    {CODEHDR_STATUS_OLD_STYLE_HEADER, Status::kOldStyleHeader},
    {CODEHDR_STATUS_HEADER_TRUNCATED, Status::kHeaderTruncated},
    {CODEHDR_STATUS_HEADER_TOO_SMALL, Status::kHeaderTooSmall},
    {CODEHDR_STATUS_GUARD_BYTES, Status::kGuardBytes},
    {CODEHDR_STATUS_VIREVUZ_VERSION, Status::kVireVuzVersion},
    {CODEHDR_STATUS_MANDATORY_SIZE, Status::kMandatorySize},
    {CODEHDR_STATUS_CRC_MISMATCH, Status::kCrcMismatch},
    {CODEHDR_STATUS_TAG_MISMATCH, Status::kTagMismatch},
    {CODEHDR_STATUS_HEADER_CODE_VERSION, Status::kHeaderCodeVersion},
    {CODEHDR_STATUS_RESERVED_BYTE, Status::kReservedByte},
    {CODEHDR_STATUS_SECTION_OVERRUN, Status::kSectionOverrun},
    {CODEHDR_STATUS_HEADER_DEPENDENCY_VERSION, Status::kHeaderDependencyVersion},
    {CODEHDR_STATUS_BUFFER_TOO_SMALL, Status::kBufferTooSmall},
    {CODEHDR_STATUS_NO_CODE_MODE, Status::kNoCodeMode},
    {CODEHDR_STATUS_CODE_MODE_TOO_LARGE, Status::kCodeModeTooLarge},
    {CODEHDR_STATUS_CODE_VERSION_EMPTY, Status::kCodeVersionEmpty},
    {CODEHDR_STATUS_CODE_VERSION, Status::kCodeVersion},
    {CODEHDR_STATUS_TOO_MANY_SECTIONS, Status::kTooManySections},
    {CODEHDR_STATUS_UNKNOWN_LABEL, Status::kUnknownLabel},
    {CODEHDR_STATUS_DEPENDENCY_VERSION, Status::kDependencyVersion},
    {CODEHDR_STATUS_DEVCTL_OPEN, Status::kDevctlOpen},
    {CODEHDR_STATUS_DEVCTL_PATH_TOO_LONG, Status::kDevctlPathTooLong},
    {CODEHDR_STATUS_DEVCTL_NO_VERSION, Status::kDevctlNoVersion},
    {CODEHDR_STATUS_DEVCTL_NO_MODELS, Status::kDevctlNoModels},
    {CODEHDR_STATUS_OUT_OF_MEMORY, Status::kOutOfMemory},
    {CODEHDR_STATUS_INVALID_ARGUMENT, Status::kInvalidArgument},
    {CODEHDR_STATUS_VIREVUZ_TOO_LONG, Status::kVireVuzTooLong},
    {CODEHDR_STATUS_COMMENT, Status::kComment},
    {CODEHDR_STATUS_OUTPUT_IS_INPUT, Status::kOutputIsInput},
};

constexpr bool StatusesMatch() {
  int i = 0;
  for (const SameStatus& s : kStatuses) {
    if (s.c != i || static_cast<int>(s.core) != i) return false;
    ++i;
  }
  return i == kStatusCount;
}
static_assert(StatusesMatch(), "codehdr_status lists every codehdr::Status with its value");

}  // namespace
}  // namespace codehdr::capi

using codehdr::capi::IsStatus;

extern "C" {

const char* codehdr_status_name(int status) {
  return IsStatus(status) ? codehdr::StatusName(static_cast<codehdr::Status>(status)) : nullptr;
}

const char* codehdr_status_reason(int status) {
  return IsStatus(status) ? codehdr::StatusReason(static_cast<codehdr::Status>(status)) : nullptr;
}

int codehdr_status_is_file_error(int status) {
  return IsStatus(status) && codehdr::IsFileStatus(static_cast<codehdr::Status>(status)) ? 1 : 0;
}

int codehdr_status_classic_code(int status) {
  return IsStatus(status) ? codehdr::LegacyCode(static_cast<codehdr::Status>(status)) : 0;
}

const char* codehdr_classic_code_name(int code) {
  return code >= 0 && code <= 0xFFFF ? codehdr::LegacyCodeName(static_cast<std::uint16_t>(code)) : nullptr;
}

const char* codehdr_library_version(void) { return codehdr::LibraryVersion(); }

uint32_t codehdr_crc32(uint32_t crc, const void* data, size_t size) {
  return data != nullptr ? codehdr::Crc32Extend(crc, codehdr::capi::Bytes(data), size) : crc;
}

uint32_t codehdr_crc32_parallel(uint32_t crc, const void* data, size_t size, unsigned threads) {
  return data != nullptr ? codehdr::Crc32Parallel(crc, codehdr::capi::Bytes(data), size, threads) : crc;
}

uint32_t codehdr_crc32_combine(uint32_t crc_a, uint32_t crc_b, uint64_t size_b) {
  return codehdr::Crc32Combine(crc_a, crc_b, size_b);
}

uint16_t codehdr_crc16(uint16_t crc, const void* data, size_t size) {
  return data != nullptr ? codehdr::Crc16Extend(crc, codehdr::capi::Bytes(data), size) : crc;
}

const char* codehdr_crc32_kernel(void) { return codehdr::Crc32KernelName(); }

}  // extern "C"
