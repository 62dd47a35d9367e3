// The one snake_case name of every enumerated value that leaves the library
// (statuses have theirs in status.cpp): the C API hands them out, and the
// tool's JSON and the Python package use them. Each returns null for a value
// that is none of the enum's.
#include <codehdr/header.h>
#include <codehdr/header_fields.h>
#include <codehdr/image.h>
#include <codehdr/release.h>

namespace codehdr {
namespace {

// The name of `value` in `names`, listed in enum order, or null.
template <typename Enum, std::size_t N>
const char* NameIn(const char* const (&names)[N], Enum value) {
  const auto index = static_cast<std::size_t>(value);
  return index < N ? names[index] : nullptr;
}

constexpr const char* kHeaderForms[] = {"none", "old_style", "new_style", "malformed"};
static_assert(std::size(kHeaderForms) == static_cast<std::size_t>(HeaderForm::kMalformed) + 1);

constexpr const char* kVerdicts[] = {"verified", "not_checked", "failed"};
static_assert(std::size(kVerdicts) == static_cast<std::size_t>(Verdict::kFailed) + 1);

constexpr const char* kFindingKinds[] = {
    "image_failed", "not_checked", "unknown_tag",        "code_mode_mismatch",
    "virevuz_mismatch", "duplicate", "dependency_not_met", "dependency_cycle",
};
static_assert(std::size(kFindingKinds) == static_cast<std::size_t>(FindingKind::kDependencyCycle) + 1);

constexpr const char* kDependencyStates[] = {"met", "allowed_missing", "not_met", "self"};
static_assert(std::size(kDependencyStates) == static_cast<std::size_t>(DependencyState::kSelf) + 1);

constexpr const char* kFieldKinds[] = {
    "guard_bytes",   "virevuz_version", "mandatory_size",  "total_size",      "crc32",
    "tag_id",        "code_mode",       "code_version",    "section_count",   "reserved",
    "old_style_tag_id", "section_head", "comment",         "dependency_type", "dependency_version",
    "extra_payload", "section_payload", "unread_bytes",
};
static_assert(std::size(kFieldKinds) == static_cast<std::size_t>(FieldKind::kUnreadBytes) + 1);

}  // namespace

const char* HeaderFormName(HeaderForm form) { return NameIn(kHeaderForms, form); }
const char* VerdictName(Verdict verdict) { return NameIn(kVerdicts, verdict); }
const char* FindingKindName(FindingKind kind) { return NameIn(kFindingKinds, kind); }
const char* DependencyStateName(DependencyState state) { return NameIn(kDependencyStates, state); }
const char* FieldKindName(FieldKind kind) { return NameIn(kFieldKinds, kind); }

}  // namespace codehdr
