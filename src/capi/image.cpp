// The C interface's whole images: verifying a file, a byte range or chunks
// the caller feeds; writing an image in one pass; extracting a payload.
#include <codehdr/c.h>
#include <codehdr/file_io.h>
#include <codehdr/image.h>

#include "capi/capi.h"

namespace codehdr::capi {

static_assert(CODEHDR_VERDICT_VERIFIED == static_cast<int>(Verdict::kVerified) &&
              CODEHDR_VERDICT_NOT_CHECKED == static_cast<int>(Verdict::kNotChecked) &&
              CODEHDR_VERDICT_FAILED == static_cast<int>(Verdict::kFailed));
static_assert(CODEHDR_FORM_NONE == static_cast<int>(HeaderForm::kNone) &&
              CODEHDR_FORM_OLD_STYLE == static_cast<int>(HeaderForm::kOldStyle) &&
              CODEHDR_FORM_NEW_STYLE == static_cast<int>(HeaderForm::kNewStyle) &&
              CODEHDR_FORM_MALFORMED == static_cast<int>(HeaderForm::kMalformed));

namespace {

// Moves a verification's header, bytes and check into the caller's header
// object (moves allocate nothing).
void Receive(codehdr_header* into, VerifyReport& report) {
  into->header = std::move(report.header);
  into->bytes = std::move(report.header_bytes);
  into->check = std::move(report.check);
}

// Fills the caller's verify report, when there is one. Returns the status.
int Report(const VerifyReport& report, codehdr_verify_report* out) {
  if (out == nullptr) return ToInt(report.status);
  codehdr_verify_report r{};
  r.header = out->header;
  r.verdict = static_cast<int>(report.verdict);
  r.status = ToInt(report.status);
  r.os_error = report.os_error;
  r.file_size = report.file_size;
  r.has_computed_crc = report.computed_crc.has_value() ? 1 : 0;
  r.computed_crc = report.computed_crc.value_or(0);
  if (report.check) {
    r.fault_offset = report.check->fault_offset;
    r.fault_size = report.check->fault_size;
  }
  Out(out, r);
  return r.status;
}

// A caller's report: absent, or usable.
template <typename T>
bool Optional(const T* report) {
  return report == nullptr || Usable(report);
}

// Where a verification's header goes: the object the caller's report names.
codehdr_header* Receiver(const codehdr_verify_report* report) {
  return report != nullptr ? In(report).header : nullptr;
}

// Hands a verification to the caller: its header into the receiver, its
// fields into the report.
int Deliver(VerifyReport report, codehdr_verify_report* out) {
  if (codehdr_header* into = Receiver(out)) Receive(into, report);
  return Report(report, out);
}

}  // namespace

int DeliverCopy(const VerifyReport& report, codehdr_verify_report* out) {
  if (codehdr_header* into = Receiver(out)) {
    codehdr_header copy{report.header, report.header_bytes, report.check};  // the one step that allocates
    *into = std::move(copy);
  }
  return Report(report, out);
}

namespace {

int Written(const WriteReport& report, codehdr_write_report* out) {
  if (out != nullptr) {
    codehdr_write_report r{};
    r.status = ToInt(report.status);
    r.os_error = report.os_error;
    r.size = report.size;
    r.crc = report.crc;
    Out(out, r);
  }
  return ToInt(report.status);
}

}  // namespace
}  // namespace codehdr::capi

using namespace codehdr::capi;

extern "C" {

const char* codehdr_verdict_name(int verdict) { return EnumName(verdict, codehdr::VerdictName); }

int codehdr_verify_file(const char* path, uint8_t expected_tag, codehdr_verify_report* report) {
  if (path == nullptr || !Optional(report)) return kInvalid;
  return Guarded([&] { return Deliver(codehdr::VerifyFile(path, expected_tag), report); });
}

int codehdr_verify_bytes(const void* data, size_t size, uint8_t expected_tag, codehdr_verify_report* report) {
  if (!Range(data, size) || !Optional(report)) return kInvalid;
  return Guarded([&] { return Deliver(codehdr::VerifyBytes(Bytes(data), size, expected_tag), report); });
}

codehdr_verifier* codehdr_verifier_new(uint8_t expected_tag) {
  return New<codehdr_verifier>(expected_tag);
}

void codehdr_verifier_free(codehdr_verifier* verifier) { delete verifier; }

int codehdr_verifier_update(codehdr_verifier* verifier, const void* data, size_t size) {
  if (verifier == nullptr || !Range(data, size)) return kInvalid;
  return Guarded([&] {
    verifier->verifier.Update(Bytes(data), size);
    return kOk;
  });
}

uint64_t codehdr_verifier_size(const codehdr_verifier* verifier) {
  return verifier != nullptr ? verifier->verifier.size() : 0;
}

int codehdr_verifier_finish(codehdr_verifier* verifier, int read_status, int os_error,
                            codehdr_verify_report* report) {
  if (verifier == nullptr || !IsStatus(read_status) || !Optional(report)) return kInvalid;
  return Guarded([&] {
    return Deliver(verifier->verifier.Finish(static_cast<codehdr::Status>(read_status), os_error), report);
  });
}

int codehdr_write_image(const char* output, const void* header, size_t header_size, const void* payload,
                        size_t payload_size, codehdr_write_report* report) {
  if (output == nullptr || !Range(header, header_size) || !Range(payload, payload_size) || !Optional(report)) {
    return kInvalid;
  }
  return Guarded([&] {
    const std::vector<std::uint8_t> head(Bytes(header), Bytes(header) + header_size);
    return Written(codehdr::WriteImage(output, head, Bytes(payload), payload_size), report);
  });
}

int codehdr_write_image_from_file(const char* output, const void* header, size_t header_size,
                                  const char* payload_path, codehdr_write_report* report) {
  if (output == nullptr || !Range(header, header_size) || payload_path == nullptr || !Optional(report)) {
    return kInvalid;
  }
  return Guarded([&] {
    const std::vector<std::uint8_t> head(Bytes(header), Bytes(header) + header_size);
    codehdr::InputFile payload(payload_path);
    return Written(codehdr::WriteImage(output, head, payload), report);
  });
}

int codehdr_extract_payload(const char* image, const char* output, int raw, codehdr_extract_report* report) {
  if (image == nullptr || output == nullptr || !Optional(report)) return kInvalid;
  return Guarded([&] {
    codehdr::ExtractReport extracted = codehdr::ExtractPayload(image, output, raw != 0);
    if (report != nullptr) {
      codehdr_extract_report r = In(report);
      if (r.header != nullptr) *r.header = codehdr_header{std::move(extracted.header), {}, {}};
      r.status = ToInt(extracted.status);
      r.os_error = extracted.os_error;
      r.size = extracted.size;
      Out(report, r);
    }
    return ToInt(extracted.status);
  });
}

}  // extern "C"
