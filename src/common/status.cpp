// Names, reasons and classic result codes of every Status.
#include <codehdr/result_codes.h>
#include <codehdr/core.h>

namespace codehdr {
namespace {

struct StatusRow {
  Status status;
  const char* name;
  std::uint16_t code;
  const char* reason;
};

// In enum order, one row per status.
constexpr StatusRow kStatusRows[] = {
    {Status::kOk, "ok", HDR_SUCCESS, "success"},
    {Status::kFileOpen, "file_open", 0, "the file cannot be opened"},
    {Status::kFileNotRegular, "file_not_regular", 0, "not a regular file"},
    {Status::kFileRead, "file_read", 0, "reading the file failed"},
    {Status::kFileShrank, "file_shrank", 0, "the file ended before the size the file system reported"},
    {Status::kFileWrite, "file_write", 0, "the output file cannot be written"},
    {Status::kNoHeader, "no_header", 0, "no code header: nothing to check"},
    {Status::kOldStyleHeader, "old_style_header", 0, "old-style header: it carries no versions or CRC to check"},
    {Status::kHeaderTruncated, "header_truncated", 0, "the file ends before the end of the header it declares"},
    {Status::kHeaderTooSmall, "header_too_small", 0,
     "the header declares a total size smaller than the 48-byte mandatory header"},
    {Status::kGuardBytes, "guard_bytes", ERR_GUARD_BYTES,
     "the header does not start with the four guard bytes C9 C9 C9 C9"},
    {Status::kVireVuzVersion, "virevuz_version", ERR_VERSION_FORMAT, "the VireVuz version is malformed"},
    {Status::kMandatorySize, "mandatory_size", ERR_MAN_HDR_SIZE, "the mandatory header size is not 48"},
    {Status::kCrcMismatch, "crc_mismatch", ERR_CRC_MISMATCH,
     "the CRC stored in the header differs from the CRC computed over the file"},
    {Status::kTagMismatch, "tag_mismatch", ERR_TAG_MISMATCH, "the header's tag id is not the expected one"},
    {Status::kHeaderCodeVersion, "header_code_version", ERR_VERSION_FORMAT,
     "the code version in the header is malformed"},
    {Status::kReservedByte, "reserved_byte", ERR_CODE_VER_FORMAT,
     "the reserved byte after the section count is not zero"},
    {Status::kSectionOverrun, "section_overrun", ERR_DEP_VER_FORMAT,
     "an optional section runs past the end of the header"},
    {Status::kHeaderDependencyVersion, "header_dependency_version", ERR_DEP_VER_FORMAT,
     "a dependency section's version is malformed"},
    {Status::kBufferTooSmall, "buffer_too_small", ERR_MAN_HDR_SIZE,
     "the buffer for the mandatory header is smaller than 48 bytes"},
    {Status::kNoCodeMode, "no_code_mode", ERR_CODE_MODE,
     "no device model has this tag id, or its code-mode label is empty"},
    {Status::kCodeModeTooLarge, "code_mode_too_large", ERR_CODE_MODE,
     "the device's code mode is above 255 and does not fit the header"},
    {Status::kCodeVersionEmpty, "code_version_empty", ERR_VERSION_FORMAT, "no code version was given"},
    {Status::kCodeVersion, "code_version", ERR_CODE_VER_FORMAT,
     "the code version is malformed or longer than 16 characters"},
    {Status::kTooManySections, "too_many_sections", ERR_OPT_SECTION,
     "a header holds at most 255 optional sections"},
    {Status::kUnknownLabel, "unknown_label", ERR_UNKNOWN_DEP_LABEL, "the label is not in the code-mode table"},
    {Status::kDependencyVersion, "dependency_version", ERR_VERSION_FORMAT,
     "a dependency version is malformed or longer than 16 characters"},
    {Status::kDevctlOpen, "devctl_open", ERR_DEVCTL_OPEN, "the device control file cannot be opened"},
    {Status::kDevctlPathTooLong, "devctl_path_too_long", ERR_DEVCTL_OPEN,
     "the path of the device control file is longer than 259 characters"},
    {Status::kDevctlNoVersion, "devctl_no_version", ERR_DEVCTL_NO_VERSION,
     "the device control file has no VERSION line with a number of 0 or more"},
    {Status::kDevctlNoModels, "devctl_no_models", ERR_DEVCTL_NO_MODELS,
     "the device control file has no DEVICE_MODEL line"},
    {Status::kOutOfMemory, "out_of_memory", 0, "out of memory"},
    {Status::kInvalidArgument, "invalid_argument", 0,
     "an argument is missing or out of range: a null pointer, a struct too small, an index past the end"},
    {Status::kVireVuzTooLong, "virevuz_too_long", ERR_VERSION_FORMAT,
     "the VireVuz version is longer than the 15 characters a header holds"},
    {Status::kComment, "comment", ERR_OPT_SECTION, "a comment holds at most 31 characters and no NUL byte"},
    {Status::kOutputIsInput, "output_is_input", 0,
     "the output is the file being read: writing it would replace the input"},
};

constexpr bool RowsInEnumOrder() {
  std::size_t i = 0;
  for (const StatusRow& row : kStatusRows) {
    if (static_cast<std::size_t>(row.status) != i++) return false;
  }
  return true;
}
static_assert(RowsInEnumOrder(), "one row per Status, in enum order");
static_assert(sizeof kStatusRows / sizeof kStatusRows[0] == kStatusCount, "kStatusCount follows the last Status");

const StatusRow& Row(Status status) {
  const auto index = static_cast<std::size_t>(status);
  return index < sizeof kStatusRows / sizeof kStatusRows[0] ? kStatusRows[index] : kStatusRows[0];
}

struct CodeName {
  std::uint16_t code;
  const char* name;
};

constexpr CodeName kCodeNames[] = {
    {HDR_SUCCESS, "HDR_SUCCESS"},
    {ERR_DEVCTL_OPEN, "ERR_DEVCTL_OPEN"},
    {ERR_DEVCTL_NO_VERSION, "ERR_DEVCTL_NO_VERSION"},
    {ERR_DEVCTL_NO_MODELS, "ERR_DEVCTL_NO_MODELS"},
    {CODE_MODE_NOT_FOUND, "CODE_MODE_NOT_FOUND"},
    {ERR_TAG_MISMATCH, "ERR_TAG_MISMATCH"},
    {ERR_CODE_MODE, "ERR_CODE_MODE"},
    {ERR_CRC_MISMATCH, "ERR_CRC_MISMATCH"},
    {ERR_VERSION_FORMAT, "ERR_VERSION_FORMAT"},
    {ERR_CODE_VER_FORMAT, "ERR_CODE_VER_FORMAT"},
    {ERR_GUARD_BYTES, "ERR_GUARD_BYTES"},
    {ERR_UNKNOWN_DEP_LABEL, "ERR_UNKNOWN_DEP_LABEL"},
    {ERR_OPT_SECTION, "ERR_OPT_SECTION"},
    {ERR_DEP_VER_FORMAT, "ERR_DEP_VER_FORMAT"},
    {ERR_MAN_HDR_SIZE, "ERR_MAN_HDR_SIZE"},
};

}  // namespace

const char* StatusName(Status status) { return Row(status).name; }

bool IsFileStatus(Status status) {
  return (status >= Status::kFileOpen && status <= Status::kFileWrite) || status == Status::kDevctlOpen ||
         status == Status::kDevctlPathTooLong;
}

const char* StatusReason(Status status) { return Row(status).reason; }

std::uint16_t LegacyCode(Status status) { return Row(status).code; }

const char* LegacyCodeName(std::uint16_t code) {
  for (const CodeName& row : kCodeNames) {
    if (row.code == code) return row.name;
  }
  return nullptr;
}

const char* LibraryVersion() { return CODEHDR_VERSION_STRING; }

}  // namespace codehdr
