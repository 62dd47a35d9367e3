/* The size and field offsets of every struct of <codehdr/c.h>, compiled with
 * every compiler a caller may use (GCC on Linux, MinGW-w64, clang in the
 * MSVC ABI): a caller built by any of them agrees with the library on each
 * struct, or this file does not compile. The first column is for 64-bit
 * targets, the second for 32-bit ones (Windows x86, 32-bit ARM). First
 * fields are at offset 0 in C and go unlisted. */
#include <codehdr/c.h>

#define WANT(wide, narrow) (sizeof(void*) == 8 ? (wide) : (narrow))
#define SIZE(s, wide, narrow) typedef char size_of_##s[sizeof(codehdr_##s) == WANT(wide, narrow) ? 1 : -1];
#define AT(s, f, wide, narrow) typedef char s##_##f[offsetof(codehdr_##s, f) == WANT(wide, narrow) ? 1 : -1];

SIZE(version, 24, 20) AT(version, major, 8, 4) AT(version, minor, 12, 8) AT(version, letter, 16, 12)
AT(version, build, 20, 16)
SIZE(device, 40, 20) AT(device, model_id, 8, 4) AT(device, model_name, 16, 8) AT(device, code_mode, 24, 12)
AT(device, tag_id, 32, 16)
SIZE(dependency, 16, 8) AT(dependency, version, 8, 4)
SIZE(section, 16, 8) AT(section, type, 8, 4) AT(section, length, 9, 5)
SIZE(header_info, 112, 64) AT(header_info, form, 8, 4) AT(header_info, problem, 12, 8)
AT(header_info, total_size, 16, 12) AT(header_info, tag, 18, 14) AT(header_info, virevuz_version, 24, 16)
AT(header_info, mandatory_size, 32, 20) AT(header_info, stored_crc, 36, 24) AT(header_info, code_mode, 40, 28)
AT(header_info, code_version, 48, 32) AT(header_info, section_count, 56, 36) AT(header_info, reserved, 57, 37)
AT(header_info, comment, 64, 40) AT(header_info, comment_length, 72, 44) AT(header_info, sections, 80, 48)
AT(header_info, dependencies, 88, 52) AT(header_info, bytes, 96, 56) AT(header_info, byte_count, 104, 60)
SIZE(header_check_result, 56, 32) AT(header_check_result, checked, 8, 4) AT(header_check_result, status, 12, 8)
AT(header_check_result, fault_offset, 16, 12) AT(header_check_result, fault_size, 24, 16)
AT(header_check_result, code_version, 32, 20) AT(header_check_result, walked, 40, 24)
AT(header_check_result, dependencies, 48, 28)
SIZE(header_spec, 64, 32) AT(header_spec, tag, 8, 4) AT(header_spec, virevuz_version, 16, 8)
AT(header_spec, code_version, 24, 12) AT(header_spec, comment, 32, 16) AT(header_spec, code_mode_label, 40, 20)
AT(header_spec, dependencies, 48, 24) AT(header_spec, dependency_count, 56, 28)
SIZE(verify_report, 64, 48) AT(verify_report, header, 8, 4) AT(verify_report, verdict, 16, 8)
AT(verify_report, status, 20, 12) AT(verify_report, os_error, 24, 16) AT(verify_report, file_size, 32, 24)
AT(verify_report, has_computed_crc, 40, 32) AT(verify_report, computed_crc, 44, 36)
AT(verify_report, fault_offset, 48, 40) AT(verify_report, fault_size, 56, 44)
SIZE(write_report, 32, 32) AT(write_report, status, 8, 4) AT(write_report, os_error, 12, 8)
AT(write_report, size, 16, 16) AT(write_report, crc, 24, 24)
SIZE(extract_report, 32, 24) AT(extract_report, header, 8, 4) AT(extract_report, status, 16, 8)
AT(extract_report, os_error, 20, 12) AT(extract_report, size, 24, 16)
SIZE(release_options, 32, 16) AT(release_options, virevuz_version, 8, 4) AT(release_options, allow_missing, 16, 8)
AT(release_options, allow_missing_count, 24, 12)
SIZE(finding, 56, 28) AT(finding, kind, 8, 4) AT(finding, image, 16, 8) AT(finding, others, 24, 12)
AT(finding, other_count, 32, 16) AT(finding, dependency, 40, 20) AT(finding, reason, 48, 24)
SIZE(header_field, 32, 20) AT(header_field, size, 8, 4) AT(header_field, kind, 16, 8) AT(header_field, section, 20, 12)
AT(header_field, cut_off, 24, 16)
SIZE(dependency_link, 56, 28) AT(dependency_link, image, 8, 4) AT(dependency_link, dependency, 16, 8)
AT(dependency_link, state, 24, 12) AT(dependency_link, providers, 32, 16) AT(dependency_link, provider_named, 40, 20)
AT(dependency_link, provider_count, 48, 24)
