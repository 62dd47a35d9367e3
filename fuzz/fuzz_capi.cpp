// The C interface over outside bytes (the image corpus): the chunk-fed verifier, fed the image in pieces cut anywhere,
// reports what the whole-bytes verifier reports, header and check included; a header object reads and checks the bytes
// as the core does; nothing is read outside them.
#include <cstdlib>
#include <string>

#include <codehdr/c.h>
#include <codehdr/checksum.h>
#include <codehdr/header.h>

static void Require(bool ok) { if (!ok) std::abort(); }

template <typename T>
static T Sized() {
  T s{};
  s.struct_size = sizeof(T);
  return s;
}

static std::string Deps(const codehdr_header* h, std::size_t count, int (*get)(const codehdr_header*, std::size_t,
                                                                               codehdr_dependency*)) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    codehdr_dependency d{};
    Require(get(h, i, &d) == CODEHDR_STATUS_OK && d.version != nullptr);
    text += std::to_string(d.type) + ":" + d.version + " ";
  }
  codehdr_dependency past{};
  Require(get(h, count, &past) == CODEHDR_STATUS_INVALID_ARGUMENT);
  return text;
}

// Everything a header object holds, as text.
static std::string Held(const codehdr_header* h) {
  auto info = Sized<codehdr_header_info>();
  Require(codehdr_header_get_info(h, &info) == CODEHDR_STATUS_OK);
  std::string text = std::to_string(info.form) + " " + std::to_string(info.problem) + " " +
                     std::to_string(info.total_size) + " " + std::to_string(info.tag) + " " + info.virevuz_version +
                     " " + std::to_string(info.mandatory_size) + " " + std::to_string(info.stored_crc) + " " +
                     std::to_string(info.code_mode) + " " + info.code_version + " " +
                     std::to_string(info.section_count) + " " + std::to_string(info.reserved) + " " +
                     (info.comment != nullptr ? std::string("comment ") + info.comment : "-") + " " +
                     std::to_string(info.comment_length) + " | " + Deps(h, info.dependencies,
                                                                         codehdr_header_get_dependency);
  for (std::size_t i = 0; i < info.sections; ++i) {
    codehdr_section s{};
    Require(codehdr_header_get_section(h, i, &s) == CODEHDR_STATUS_OK);
    text += std::to_string(s.offset) + "/" + std::to_string(s.type) + "/" + std::to_string(s.length) + " ";
  }
  text += "| " + std::string(reinterpret_cast<const char*>(info.bytes), info.byte_count) + " | ";
  auto check = Sized<codehdr_header_check_result>();
  Require(codehdr_header_get_check(h, &check) == CODEHDR_STATUS_OK);
  text += std::to_string(check.checked) + " " + std::to_string(check.status) + " " +
          std::to_string(check.fault_offset) + " " + std::to_string(check.fault_size) + " " +
          (check.code_version != nullptr ? check.code_version : "-") + " " + std::to_string(check.walked) + " ";
  if (check.walked) text += Deps(h, check.dependencies, codehdr_header_get_check_dependency);
  return text;
}

static std::string Reported(const codehdr_verify_report& r) {
  return std::to_string(r.verdict) + " " + std::to_string(r.status) + " " + std::to_string(r.os_error) + " " +
         std::to_string(r.file_size) + " " + std::to_string(r.has_computed_crc) + " " + std::to_string(r.computed_crc) +
         " " + std::to_string(r.fault_offset) + " " + std::to_string(r.fault_size) + " | " + Held(r.header);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The tag the verifiers expect: any, or one that the image's own tag byte may or may not match.
  const std::uint8_t tag = size > 28 && (data[size - 1] & 1) ? data[size - 1] : 0;
  codehdr_header* whole = codehdr_header_new();
  codehdr_header* chunked = codehdr_header_new();
  auto expected = Sized<codehdr_verify_report>();
  expected.header = whole;
  const int status = codehdr_verify_bytes(data, size, tag, &expected);
  Require(status == expected.status && expected.file_size == size);
  const std::string want = Reported(expected);

  codehdr_verifier* verifier = codehdr_verifier_new(tag);
  std::uint32_t random = codehdr::Crc32(data, size) | 1;
  for (int round = 0; round < 2; ++round) {  // after a finish the verifier starts afresh
    for (std::size_t at = 0; at < size;) {
      random = random * 1103515245u + 12345u;
      // Mostly short pieces, some empty, some long.
      const std::size_t cut = (random >> 16) % 8 == 0 ? (random >> 8) % 4096 : (random >> 16) % 61;
      const std::size_t n = cut < size - at ? cut : size - at;
      Require(codehdr_verifier_update(verifier, data + at, n) == CODEHDR_STATUS_OK);
      at += n;
    }
    Require(codehdr_verifier_size(verifier) == size);
    auto got = Sized<codehdr_verify_report>();
    got.header = chunked;
    Require(codehdr_verifier_finish(verifier, CODEHDR_STATUS_OK, 0, &got) == status);
    Require(Reported(got) == want && codehdr_verifier_size(verifier) == 0);
  }
  codehdr_verifier_free(verifier);

  // A header object reads the bytes as the core reads them, and checks a new-style header's bytes as the core does.
  const codehdr::Header core = codehdr::ReadHeader(data, size);
  Require(codehdr_header_read(chunked, data, size) == CODEHDR_STATUS_OK);
  auto info = Sized<codehdr_header_info>();
  Require(codehdr_header_get_info(chunked, &info) == CODEHDR_STATUS_OK);
  Require(info.form == static_cast<int>(core.form) && info.total_size == core.total_size && info.tag == core.tag);
  Require(info.code_version == core.code_version && info.dependencies == core.dependencies.size());
  Require((info.comment != nullptr) == core.comment.has_value() && (!core.comment || *core.comment == info.comment));
  if (core.form == codehdr::HeaderForm::kNewStyle) {
    const codehdr::HeaderCheck checked = codehdr::CheckHeader(data, core.total_size, tag, 0);
    auto result = Sized<codehdr_header_check_result>();
    Require(codehdr_header_check(chunked, data, core.total_size, tag, 0, &result) == static_cast<int>(checked.status));
    Require(result.fault_offset == checked.fault_offset && result.fault_size == checked.fault_size);
    Require(result.walked == checked.dependencies.has_value() &&
            (!checked.dependencies || result.dependencies == checked.dependencies->size()));
  }
  codehdr_header_free(chunked);
  codehdr_header_free(whole);
  return 0;
}
