#include "result_codes.h"

#include <codehdr/code_header.h>

namespace codehdr::tool {

namespace {

struct ResultText {
  unsigned short code;
  const char* name;
  const char* when_building;
  const char* when_checking;  // null: same as when building
};

const ResultText kResults[] = {
    {HDR_SUCCESS, "HDR_SUCCESS", "success", nullptr},
    {ERR_DEVCTL_OPEN, "ERR_DEVCTL_OPEN", "the device control file cannot be opened, or its path is too long",
     nullptr},
    {ERR_DEVCTL_NO_VERSION, "ERR_DEVCTL_NO_VERSION",
     "the device control file has no VERSION line with a number of 0 or more", nullptr},
    {ERR_DEVCTL_NO_MODELS, "ERR_DEVCTL_NO_MODELS", "the device control file has no DEVICE_MODEL line", nullptr},
    {CODE_MODE_NOT_FOUND, "CODE_MODE_NOT_FOUND", "the label is not in the code-mode table", nullptr},
    {ERR_TAG_MISMATCH, "ERR_TAG_MISMATCH", "the header's tag id is not the expected one", nullptr},
    {ERR_CODE_MODE, "ERR_CODE_MODE",
     "no device model has this tag id, or its code-mode label is empty or has a value above 255", nullptr},
    {ERR_CRC_MISMATCH, "ERR_CRC_MISMATCH", "the CRC stored in the header differs from the CRC computed over the file",
     nullptr},
    {ERR_VERSION_FORMAT, "ERR_VERSION_FORMAT",
     "a malformed version string (VireVuz or dependency version), or an empty code version",
     "the VireVuz version or the code version in the header is malformed"},
    {ERR_CODE_VER_FORMAT, "ERR_CODE_VER_FORMAT", "the code version is malformed",
     "the reserved byte after the section count is not zero"},
    {ERR_GUARD_BYTES, "ERR_GUARD_BYTES", "the header does not start with the four guard bytes C9 C9 C9 C9", nullptr},
    {ERR_UNKNOWN_DEP_LABEL, "ERR_UNKNOWN_DEP_LABEL", "the dependency label is not in the code-mode table", nullptr},
    {ERR_OPT_SECTION, "ERR_OPT_SECTION", "the optional section cannot be added (a header holds at most 255)",
     nullptr},
    {ERR_DEP_VER_FORMAT, "ERR_DEP_VER_FORMAT", "a dependency section's version is malformed", nullptr},
    {ERR_MAN_HDR_SIZE, "ERR_MAN_HDR_SIZE", "the buffer for the mandatory header is smaller than 48 bytes",
     "the mandatory header size is not 48"},
};

const ResultText* Find(unsigned int code) {
  for (const ResultText& row : kResults) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

}  // namespace

std::string ResultName(unsigned int code) {
  const ResultText* row = Find(code);
  return row != nullptr ? row->name : "unknown result code";
}

std::string ResultSentence(unsigned int code, ResultContext context) {
  const ResultText* row = Find(code);
  if (row == nullptr) return "the library returned a result this tool does not know";
  if (context == ResultContext::kCheck && row->when_checking != nullptr) return row->when_checking;
  return row->when_building;
}

std::string DescribeResult(unsigned int code, ResultContext context) {
  return ResultName(code) + " (" + std::to_string(code) + "): " + ResultSentence(code, context);
}

}  // namespace codehdr::tool
