// The WebAssembly module's program. It has no work of its own (the page calls
// the C interface, which the link exports; main only lets the module start),
// but it holds the struct layout that the page's marshalling
// (web/page/codehdr_wasm.js) reads: a change to <codehdr/c.h> that moves a
// field fails this build instead of misleading the page.
#include <cstddef>

#include <codehdr/c.h>

#define CODEHDR_AT(type, field, offset) static_assert(offsetof(type, field) == (offset), #type "." #field);

CODEHDR_AT(codehdr_header_info, form, 4)
CODEHDR_AT(codehdr_header_info, problem, 8)
CODEHDR_AT(codehdr_header_info, total_size, 12)
CODEHDR_AT(codehdr_header_info, tag, 14)
CODEHDR_AT(codehdr_header_info, virevuz_version, 16)
CODEHDR_AT(codehdr_header_info, mandatory_size, 20)
CODEHDR_AT(codehdr_header_info, stored_crc, 24)
CODEHDR_AT(codehdr_header_info, code_mode, 28)
CODEHDR_AT(codehdr_header_info, code_version, 32)
CODEHDR_AT(codehdr_header_info, section_count, 36)
CODEHDR_AT(codehdr_header_info, reserved, 37)
CODEHDR_AT(codehdr_header_info, comment, 40)
CODEHDR_AT(codehdr_header_info, comment_length, 44)
CODEHDR_AT(codehdr_header_info, dependencies, 52)
CODEHDR_AT(codehdr_header_info, bytes, 56)
CODEHDR_AT(codehdr_header_info, byte_count, 60)
static_assert(sizeof(codehdr_header_info) == 64);
CODEHDR_AT(codehdr_verify_report, header, 4)
CODEHDR_AT(codehdr_verify_report, verdict, 8)
CODEHDR_AT(codehdr_verify_report, status, 12)
CODEHDR_AT(codehdr_verify_report, os_error, 16)
CODEHDR_AT(codehdr_verify_report, file_size, 24)
CODEHDR_AT(codehdr_verify_report, has_computed_crc, 32)
CODEHDR_AT(codehdr_verify_report, computed_crc, 36)
static_assert(sizeof(codehdr_verify_report) == 48);
CODEHDR_AT(codehdr_header_field, size, 4)
CODEHDR_AT(codehdr_header_field, kind, 8)
CODEHDR_AT(codehdr_header_field, section, 12)
CODEHDR_AT(codehdr_header_field, cut_off, 16)
static_assert(sizeof(codehdr_header_field) == 20);
CODEHDR_AT(codehdr_dependency, version, 4)
static_assert(sizeof(codehdr_dependency) == 8);
CODEHDR_AT(codehdr_device, model_id, 4)
CODEHDR_AT(codehdr_device, model_name, 8)
CODEHDR_AT(codehdr_device, code_mode, 12)
CODEHDR_AT(codehdr_device, tag_id, 16)
static_assert(sizeof(codehdr_device) == 20);
CODEHDR_AT(codehdr_finding, kind, 4)
CODEHDR_AT(codehdr_finding, image, 8)
CODEHDR_AT(codehdr_finding, others, 12)
CODEHDR_AT(codehdr_finding, other_count, 16)
CODEHDR_AT(codehdr_finding, dependency, 20)
CODEHDR_AT(codehdr_finding, reason, 24)
static_assert(sizeof(codehdr_finding) == 28);
CODEHDR_AT(codehdr_dependency_link, image, 4)
CODEHDR_AT(codehdr_dependency_link, dependency, 8)
CODEHDR_AT(codehdr_dependency_link, state, 12)
CODEHDR_AT(codehdr_dependency_link, providers, 16)
CODEHDR_AT(codehdr_dependency_link, provider_named, 20)
CODEHDR_AT(codehdr_dependency_link, provider_count, 24)
static_assert(sizeof(codehdr_dependency_link) == 28);
static_assert(sizeof(codehdr_release_options) == 16);

int main() { return 0; }
