#include "text.h"

#include <cstdio>

#include <codehdr/header.h>

#include "errors.h"

namespace codehdr::tool {

std::string Printable(const std::string& text) { return PrintableText(text); }

std::string CrcText(std::uint32_t crc) {
  char text[9];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned int>(crc));
  return text;
}

std::vector<std::string> ModeLabels(unsigned int value) {
  return value <= 0xFFFF ? CodeModeLabels(static_cast<std::uint16_t>(value)) : std::vector<std::string>();
}

std::string JoinedModeLabels(unsigned int value, const std::string& none_text) {
  std::string joined;
  for (const std::string& label : ModeLabels(value)) {
    if (!joined.empty()) joined += '/';
    joined += label;
  }
  return joined.empty() ? none_text : joined;
}

namespace {

std::string VerifiedDetails(const VerifyReport& report) {
  const Header& header = report.header;
  return "tag " + std::to_string(header.tag) + ", code version " + Printable(header.code_version) + ", CRC-32 " +
         CrcText(header.stored_crc);
}

// What the failing check found, where a number says more than the reason.
std::string FailureDetails(const VerifyReport& report) {
  const Header& header = report.header;
  switch (report.status) {
    case Status::kCrcMismatch:
      return " (stored " + CrcText(header.stored_crc) + ", computed " + CrcText(report.computed_crc.value_or(0)) + ")";
    case Status::kTagMismatch:
      return " (the header has tag " + std::to_string(header.tag) + ")";
    case Status::kHeaderTruncated:
      if (header.total_size == 0) return "";
      return " (" + std::to_string(report.file_size) + "-byte file, " + std::to_string(header.total_size) +
             "-byte header)";
    case Status::kHeaderTooSmall:
      return " (" + std::to_string(header.total_size) + " bytes)";
    default:
      return "";
  }
}

}  // namespace

std::string VerdictText(const VerifyReport& report) {
  switch (report.verdict) {
    case Verdict::kVerified:
      return "verified (" + VerifiedDetails(report) + ")";
    case Verdict::kNotChecked: {
      std::string text = std::string("not checked (") + StatusReason(report.status);
      if (report.status == Status::kHeaderTooSmall) {
        text += ": " + std::to_string(report.header.total_size) + " bytes, which counts as no header";
      }
      return text + ")";
    }
    case Verdict::kFailed:
      break;
  }
  // StatusText leads with the classic code's name when there is one.
  return (LegacyCode(report.status) != 0 ? "FAILED " : "FAILED: ") + StatusText(report.status) +
         FailureDetails(report);
}

const char* VerdictWord(const VerifyReport& report) {
  if (IsFileStatus(report.status)) return "error";
  switch (report.verdict) {
    case Verdict::kVerified:
      return "verified";
    case Verdict::kNotChecked:
      return "not checked";
    case Verdict::kFailed:
      break;
  }
  return "failed";
}

}  // namespace codehdr::tool
