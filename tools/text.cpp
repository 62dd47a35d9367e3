#include "text.h"

#include <cstdio>

#include <codehdr/checksum.h>
#include <codehdr/header.h>

#include "errors.h"

namespace codehdr::tool {

std::string Printable(const std::string& text) { return PrintableText(text); }

namespace {

std::string VerifiedDetails(const VerifyReport& report) {
  const Header& header = report.header;
  return "tag " + std::to_string(header.tag) + ", code version " + Printable(header.code_version) + ", CRC-32 " +
         Crc32Text(header.stored_crc);
}

// What the failing check found, where a number says more than the reason.
std::string FailureDetails(const VerifyReport& report) {
  const Header& header = report.header;
  switch (report.status) {
    case Status::kCrcMismatch:
      return " (stored " + Crc32Text(header.stored_crc) + ", computed " + Crc32Text(report.computed_crc.value_or(0)) + ")";
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

}  // namespace codehdr::tool
