#include "image_verify.h"

#include <climits>

#include <codehdr/codehdr.h>

#include "file_bytes.h"
#include "header/layout.h"
#include "header_form.h"
#include "printable.h"
#include "result_codes.h"

namespace codehdr::tool {

namespace {


void SetNotChecked(const ExtractedHeader& extracted, CCodeHeader& header, VerifyOutcome& out) {
  out.status = VerifyStatus::kNotChecked;
  if (extracted.form == HeaderForm::kOldStyle) {
    out.tag_id = header.GetHeaderTag();
    out.reason = "old-style header: it carries no versions or CRC to check";
  } else {
    out.reason = extracted.problem.empty() ? "no code header: nothing to check" : extracted.problem;
  }
}

// Steps 5 to 7 of the library's verification, keeping the result code.
void CheckNewStyle(CCodeHeader& header, Bytes& image, unsigned char expected_tag, VerifyOutcome& out) {
  out.tag_id = header.GetHeaderTag();
  out.stored_crc = header.ExtractCrcFromHeader();
  out.code_version = FieldText(header.compressedCodeHeader + layout::kCodeVerLoc, layout::kVersionFieldLen);
  header.RemoveCRC(image.data());
  CCRC crc;
  std::uint32_t computed = crc.GetCRC32(image.data(), static_cast<int>(image.size()));
  out.computed_crc = computed;
  unsigned short code = header.ValidateHeader(expected_tag, computed);
  out.code = code;
  if (code == HDR_SUCCESS) {
    out.status = VerifyStatus::kVerified;
  } else {
    out.status = VerifyStatus::kFailed;
    out.reason = ResultSentence(code, ResultContext::kCheck);
  }
}

// The verdict that our own steps predict for DoVerifyHeader (1 or 0).
int PredictedVerdict(const VerifyOutcome& out) { return out.status == VerifyStatus::kFailed ? 0 : 1; }

void CompareWithLibrary(CCodeHeader& header, unsigned char expected_tag, VerifyOutcome& out) {
  int library = header.DoVerifyHeader(out.file.c_str(), 0, expected_tag);
  int predicted = PredictedVerdict(out);
  if (library == predicted) return;
  out.reason = "internal error: DoVerifyHeader returned " + std::to_string(library) +
               " but the step-by-step check says " + VerifyStatusName(out.status) +
               (out.reason.empty() ? std::string() : " (" + out.reason + ")");
  out.status = VerifyStatus::kError;
}

// Files beyond the CRC routine's int length: only the library's verdict.
void VerifyHugeFile(CCodeHeader& header, unsigned char expected_tag, VerifyOutcome& out) {
  if (header.DoVerifyHeader(out.file.c_str(), 0, expected_tag) != 0) {
    out.status = VerifyStatus::kVerified;
    out.reason = "verified by the library; files over 2 GiB get no step-by-step details";
  } else {
    out.status = VerifyStatus::kFailed;
    out.reason = "refused by the library; the reason is not available for files over 2 GiB";
  }
}

}  // namespace

VerifyOutcome VerifyImage(CCodeHeader& header, const std::string& file, unsigned char expected_tag) {
  VerifyOutcome out;
  out.file = file;
  Bytes image;
  if (!TryReadWholeFile(file, image, out.reason)) return out;
  if (image.size() > static_cast<std::size_t>(INT_MAX)) {
    image = Bytes();
    VerifyHugeFile(header, expected_tag, out);
    return out;
  }
  ExtractedHeader extracted = ExtractHeader(header, image);
  switch (extracted.form) {
    case HeaderForm::kNone:
    case HeaderForm::kOldStyle:
      SetNotChecked(extracted, header, out);
      break;
    case HeaderForm::kMalformed:
      out.status = VerifyStatus::kFailed;
      out.reason = extracted.problem;
      break;
    case HeaderForm::kNewStyle:
      CheckNewStyle(header, image, expected_tag, out);
      break;
  }
  CompareWithLibrary(header, expected_tag, out);
  return out;
}

const char* VerifyStatusName(VerifyStatus status) {
  switch (status) {
    case VerifyStatus::kVerified:
      return "verified";
    case VerifyStatus::kFailed:
      return "failed";
    case VerifyStatus::kNotChecked:
      return "not checked";
    case VerifyStatus::kError:
      break;
  }
  return "error";
}

}  // namespace codehdr::tool
