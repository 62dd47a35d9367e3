#include "verify_output.h"

#include <cstdio>

#include <codehdr/code_header.h>

#include "crc_text.h"
#include "report.h"
#include "result_codes.h"
#include "tool_error.h"

namespace codehdr::tool {

namespace {

template <typename T>
nlohmann::ordered_json OrNull(const std::optional<T>& value) {
  return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

std::string VerifiedDetails(const VerifyOutcome& o) {
  std::string text = "tag " + (o.tag_id ? std::to_string(*o.tag_id) : std::string("?"));
  if (!o.code_version.empty()) text += ", code version " + o.code_version;
  if (o.stored_crc) text += ", CRC-32 " + CrcText(*o.stored_crc);
  if (!o.reason.empty()) text += "; " + o.reason;
  return text;
}

std::string FailureDetails(const VerifyOutcome& o) {
  if (!o.code) return ": " + o.reason;
  std::string text = " " + ResultName(*o.code) + " (" + std::to_string(*o.code) + "): " + o.reason;
  if (*o.code == ERR_CRC_MISMATCH && o.stored_crc && o.computed_crc) {
    text += " (stored " + CrcText(*o.stored_crc) + ", computed " + CrcText(*o.computed_crc) + ")";
  }
  if (*o.code == ERR_TAG_MISMATCH && o.tag_id) text += " (the header has tag " + std::to_string(*o.tag_id) + ")";
  return text;
}

}  // namespace

nlohmann::ordered_json VerifyJson(const VerifyOutcome& o) {
  return {{"file", o.file},
          {"status", VerifyStatusName(o.status)},
          {"code", OrNull(o.code)},
          {"code_name", o.code ? nlohmann::ordered_json(ResultName(*o.code)) : nlohmann::ordered_json(nullptr)},
          {"reason", o.reason},
          {"tag_id", OrNull(o.tag_id)},
          {"code_version", o.code_version},
          {"stored_crc", OrNull(o.stored_crc)},
          {"computed_crc", OrNull(o.computed_crc)}};
}

void PrintVerifyText(const VerifyOutcome& o) {
  const char* file = o.file.c_str();
  switch (o.status) {
    case VerifyStatus::kVerified:
      std::printf("%s: verified (%s)\n", file, VerifiedDetails(o).c_str());
      break;
    case VerifyStatus::kFailed:
      std::printf("%s: FAILED%s\n", file, FailureDetails(o).c_str());
      break;
    case VerifyStatus::kNotChecked:
      std::printf("%s: not checked (%s)\n", file, o.reason.c_str());
      break;
    case VerifyStatus::kError:
      PrintError(o.file, o.reason);
      break;
  }
}

int VerifyExitStatus(const std::vector<VerifyOutcome>& outcomes) {
  int status = kExitOk;
  for (const VerifyOutcome& o : outcomes) {
    if (o.status == VerifyStatus::kError) return kExitUsage;
    if (o.status == VerifyStatus::kFailed) status = kExitFailed;
  }
  return status;
}

}  // namespace codehdr::tool
