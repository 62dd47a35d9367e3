// The C interface's header objects: reading, checking and building a header,
// the code-mode table and dependencies named by label.
#include <string>

#include <codehdr/c.h>
#include <codehdr/header.h>

#include "capi/capi.h"

using namespace codehdr::capi;

namespace {

// The bytes a read header occupies at the start of `size` bytes: a new-style
// header's total size, an old-style header's 4; none for the other forms.
std::vector<std::uint8_t> HeaderBytes(const codehdr::Header& header, const std::uint8_t* data) {
  const bool whole = header.form == codehdr::HeaderForm::kNewStyle || header.form == codehdr::HeaderForm::kOldStyle;
  return whole ? std::vector<std::uint8_t>(data, data + header.total_size) : std::vector<std::uint8_t>();
}

// The header read from `size` bytes, with its bytes, as an object holds it.
codehdr_header Read(const void* data, std::size_t size) {
  codehdr_header read;
  read.header = codehdr::ReadHeader(Bytes(data), size);
  read.bytes = HeaderBytes(read.header, Bytes(data));
  return read;
}

codehdr_dependency Dependency(const codehdr::Dependency& d) { return codehdr_dependency{d.type, d.version.c_str()}; }

codehdr_header_check_result CheckResult(const codehdr_header& h) {
  codehdr_header_check_result result{};
  if (!h.check) return result;
  const codehdr::HeaderCheck& c = *h.check;
  result.checked = 1;
  result.status = ToInt(c.status);
  result.fault_offset = c.fault_offset;
  result.fault_size = c.fault_size;
  result.code_version = c.code_version ? c.code_version->c_str() : nullptr;
  result.walked = c.dependencies.has_value() ? 1 : 0;
  result.dependencies = c.dependencies ? c.dependencies->size() : 0;
  return result;
}

// The caller's spec as the core takes it; invalid when a required text or
// the dependency array is missing.
bool Spec(const codehdr_header_spec& in, codehdr::HeaderSpec& spec) {
  if (in.virevuz_version == nullptr || in.code_version == nullptr || !Range(in.dependencies, in.dependency_count)) {
    return false;
  }
  spec.tag = in.tag;
  spec.virevuz_version = in.virevuz_version;
  spec.code_version = in.code_version;
  if (in.comment != nullptr) spec.comment = std::string(in.comment);
  spec.dependencies.reserve(in.dependency_count);
  for (std::size_t i = 0; i < in.dependency_count; ++i) {
    if (in.dependencies[i].version == nullptr) return false;
    spec.dependencies.push_back(codehdr::Dependency{in.dependencies[i].type, in.dependencies[i].version});
  }
  return true;
}

}  // namespace

extern "C" {

const char* codehdr_header_form_name(int form) { return EnumName(form, codehdr::HeaderFormName); }

codehdr_header* codehdr_header_new(void) { return New<codehdr_header>(); }

void codehdr_header_free(codehdr_header* header) { delete header; }

int codehdr_header_read(codehdr_header* header, const void* data, size_t size) {
  if (header == nullptr || !Range(data, size)) return kInvalid;
  return Guarded([&] {
    *header = Read(data, size);
    return kOk;
  });
}

int codehdr_header_get_info(const codehdr_header* header, codehdr_header_info* out) {
  if (header == nullptr || !Usable(out)) return kInvalid;
  const codehdr::Header& h = header->header;
  codehdr_header_info info{};
  info.form = static_cast<int>(h.form);
  info.problem = ToInt(h.problem);
  info.total_size = h.total_size;
  info.tag = h.tag;
  info.virevuz_version = h.virevuz_version.c_str();
  info.mandatory_size = h.mandatory_size;
  info.stored_crc = h.stored_crc;
  info.code_mode = h.code_mode;
  info.code_version = h.code_version.c_str();
  info.section_count = h.section_count;
  info.reserved = h.reserved;
  info.comment = h.comment ? h.comment->c_str() : nullptr;
  info.comment_length = h.comment_length;
  info.sections = h.sections.size();
  info.dependencies = h.dependencies.size();
  info.bytes = header->bytes.data();
  info.byte_count = header->bytes.size();
  Out(out, info);
  return kOk;
}

int codehdr_header_get_section(const codehdr_header* header, size_t index, codehdr_section* out) {
  if (header == nullptr || out == nullptr || index >= header->header.sections.size()) return kInvalid;
  const codehdr::Section& s = header->header.sections[index];
  *out = codehdr_section{s.offset, s.type, s.length};
  return kOk;
}

int codehdr_header_get_dependency(const codehdr_header* header, size_t index, codehdr_dependency* out) {
  if (header == nullptr || out == nullptr || index >= header->header.dependencies.size()) return kInvalid;
  *out = Dependency(header->header.dependencies[index]);
  return kOk;
}

int codehdr_header_check(codehdr_header* header, const void* data, size_t size, uint8_t expected_tag, uint32_t crc,
                         codehdr_header_check_result* out) {
  if (header == nullptr || !Range(data, size) || (out != nullptr && !Usable(out))) return kInvalid;
  return Guarded([&] {
    codehdr_header checked = Read(data, size);
    checked.check = codehdr::CheckHeader(Bytes(data), size, expected_tag, crc);
    *header = std::move(checked);
    if (out != nullptr) Out(out, CheckResult(*header));
    return ToInt(header->check->status);
  });
}

int codehdr_header_get_check(const codehdr_header* header, codehdr_header_check_result* out) {
  if (header == nullptr || !Usable(out)) return kInvalid;
  Out(out, CheckResult(*header));
  return kOk;
}

int codehdr_header_get_check_dependency(const codehdr_header* header, size_t index, codehdr_dependency* out) {
  if (header == nullptr || out == nullptr || !header->check || !header->check->dependencies ||
      index >= header->check->dependencies->size()) {
    return kInvalid;
  }
  *out = Dependency((*header->check->dependencies)[index]);
  return kOk;
}

int codehdr_header_build(codehdr_header* header, const codehdr_header_spec* spec, const codehdr_devices* devices) {
  if (header == nullptr || !Usable(spec)) return kInvalid;
  const codehdr_header_spec in = In(spec);
  if (in.code_mode_label == nullptr && devices == nullptr) return kInvalid;
  return Guarded([&] {
    codehdr::HeaderSpec core;
    if (!Spec(in, core)) return kInvalid;
    const codehdr::BuiltHeader built = in.code_mode_label != nullptr
                                           ? codehdr::BuildHeader(core, std::string(in.code_mode_label))
                                           : codehdr::BuildHeader(core, devices->table);
    if (built.status != codehdr::Status::kOk) return ToInt(built.status);
    *header = Read(built.bytes.data(), built.bytes.size());
    return kOk;
  });
}

size_t codehdr_code_mode_count(void) { return codehdr::CodeModes().size(); }

int codehdr_code_mode_at(size_t index, uint16_t* value, const char** label) {
  if (index >= codehdr::CodeModes().size() || value == nullptr || label == nullptr) return kInvalid;
  *value = codehdr::CodeModes()[index].value;
  *label = codehdr::CodeModes()[index].label;
  return kOk;
}

int codehdr_code_mode_value(const char* label, uint16_t* value) {
  if (label == nullptr || value == nullptr) return kInvalid;
  return Guarded([&] {
    const std::optional<std::uint16_t> found = codehdr::CodeModeValue(label);
    if (!found) return ToInt(codehdr::Status::kUnknownLabel);
    *value = *found;
    return kOk;
  });
}

int codehdr_dependency_type(const char* label, const char* version, uint16_t* type) {
  if (label == nullptr || version == nullptr || type == nullptr) return kInvalid;
  return Guarded([&] {
    codehdr::Dependency dependency;
    const codehdr::Status status = codehdr::DependencyByLabel(label, version, dependency);
    if (status == codehdr::Status::kOk) *type = dependency.type;
    return ToInt(status);
  });
}

}  // extern "C"
