// The C interface's releases: images added with their verification, and the
// set check over them with its findings and dependencies.
#include <codehdr/c.h>
#include <codehdr/image.h>
#include <codehdr/release.h>

#include "capi/capi.h"

namespace codehdr::capi {

static_assert(CODEHDR_FINDING_IMAGE_FAILED == static_cast<int>(FindingKind::kImageFailed) &&
              CODEHDR_FINDING_NOT_CHECKED == static_cast<int>(FindingKind::kNotChecked) &&
              CODEHDR_FINDING_UNKNOWN_TAG == static_cast<int>(FindingKind::kUnknownTag) &&
              CODEHDR_FINDING_CODE_MODE_MISMATCH == static_cast<int>(FindingKind::kCodeModeMismatch) &&
              CODEHDR_FINDING_VIREVUZ_MISMATCH == static_cast<int>(FindingKind::kVireVuzMismatch) &&
              CODEHDR_FINDING_DUPLICATE == static_cast<int>(FindingKind::kDuplicate) &&
              CODEHDR_FINDING_DEPENDENCY_NOT_MET == static_cast<int>(FindingKind::kDependencyNotMet) &&
              CODEHDR_FINDING_DEPENDENCY_CYCLE == static_cast<int>(FindingKind::kDependencyCycle));
static_assert(CODEHDR_DEPENDENCY_MET == static_cast<int>(DependencyState::kMet) &&
              CODEHDR_DEPENDENCY_ALLOWED_MISSING == static_cast<int>(DependencyState::kAllowedMissing) &&
              CODEHDR_DEPENDENCY_NOT_MET == static_cast<int>(DependencyState::kNotMet) &&
              CODEHDR_DEPENDENCY_SELF == static_cast<int>(DependencyState::kSelf));
static_assert(CODEHDR_MAX_NAMED_IMAGES == kMaxNamedImages && CODEHDR_NO_DEPENDENCY == Finding::kNoDependency);

namespace {

// Adds the image that `verify` reports on. Everything that allocates comes
// before the verification is taken (`verify` itself leaves its source as it
// was when it throws), so that a failure adds nothing and changes nothing.
template <typename Verify>
int Add(codehdr_release* release, const char* name, const char* fallbackName, Verify&& verify) {
  return Guarded([&] {
    std::string imageName(name != nullptr ? name : fallbackName);
    release->images.reserve(release->images.size() + 1);
    VerifyReport report = verify();
    release->images.push_back(ReleaseImage{std::move(imageName), std::move(report)});  // room reserved: no throw
    return kOk;
  });
}

}  // namespace
}  // namespace codehdr::capi

using namespace codehdr::capi;

extern "C" {

codehdr_release* codehdr_release_new(void) { return New<codehdr_release>(); }

void codehdr_release_free(codehdr_release* release) { delete release; }

int codehdr_release_add_file(codehdr_release* release, const char* name, const char* path) {
  if (release == nullptr || path == nullptr) return kInvalid;
  return Add(release, name, path, [&] { return codehdr::VerifyFile(path); });
}

int codehdr_release_add_bytes(codehdr_release* release, const char* name, const void* data, size_t size) {
  if (release == nullptr || name == nullptr || !Range(data, size)) return kInvalid;
  return Add(release, name, name, [&] { return codehdr::VerifyBytes(Bytes(data), size); });
}

int codehdr_release_add_verifier(codehdr_release* release, const char* name, codehdr_verifier* verifier,
                                 int read_status, int os_error) {
  if (release == nullptr || name == nullptr || verifier == nullptr || !IsStatus(read_status)) return kInvalid;
  return Add(release, name, name, [&] {
    return verifier->verifier.Finish(static_cast<codehdr::Status>(read_status), os_error);
  });
}

size_t codehdr_release_image_count(const codehdr_release* release) {
  return release != nullptr ? release->images.size() : 0;
}

const char* codehdr_release_image_name(const codehdr_release* release, size_t index) {
  if (release == nullptr || index >= release->images.size()) return nullptr;
  return release->images[index].name.c_str();
}

int codehdr_release_get_image(const codehdr_release* release, size_t index, codehdr_verify_report* report) {
  if (release == nullptr || index >= release->images.size() || !Usable(report)) return kInvalid;
  return Guarded([&] {
    DeliverCopy(release->images[index].report, report);
    return kOk;
  });
}

int codehdr_release_check(codehdr_release* release, const codehdr_devices* devices,
                          const codehdr_release_options* options) {
  if (release == nullptr || devices == nullptr || (options != nullptr && !Usable(options))) return kInvalid;
  const codehdr_release_options in = options != nullptr ? In(options) : codehdr_release_options{};
  if (in.allow_missing == nullptr && in.allow_missing_count > 0) return kInvalid;
  for (size_t i = 0; i < in.allow_missing_count; ++i) {
    if (in.allow_missing[i] == nullptr) return kInvalid;
  }
  return Guarded([&] {
    codehdr::ReleaseOptions opts;
    if (in.virevuz_version != nullptr) opts.virevuz_version = in.virevuz_version;
    if (in.allow_missing_count > 0) opts.allow_missing.assign(in.allow_missing, in.allow_missing + in.allow_missing_count);
    release->report = codehdr::CheckRelease(release->images, devices->table, opts);
    return ToInt(release->report.status);
  });
}

size_t codehdr_release_finding_count(const codehdr_release* release) {
  return release != nullptr ? release->report.findings.size() : 0;
}

int codehdr_release_get_finding(const codehdr_release* release, size_t index, codehdr_finding* out) {
  if (release == nullptr || index >= release->report.findings.size() || !Usable(out)) return kInvalid;
  const codehdr::Finding& f = release->report.findings[index];
  codehdr_finding finding{};
  finding.kind = static_cast<int>(f.kind);
  finding.image = f.image;
  finding.others = f.others.empty() ? nullptr : f.others.data();
  finding.other_count = f.others.size();
  finding.dependency = f.dependency;
  finding.reason = f.reason.c_str();
  Out(out, finding);
  return kOk;
}

size_t codehdr_release_dependency_count(const codehdr_release* release) {
  return release != nullptr ? release->report.dependencies.size() : 0;
}

int codehdr_release_get_dependency(const codehdr_release* release, size_t index, codehdr_dependency_link* out) {
  if (release == nullptr || index >= release->report.dependencies.size() || !Usable(out)) return kInvalid;
  const codehdr::DependencyLink& d = release->report.dependencies[index];
  codehdr_dependency_link link{};
  link.image = d.image;
  link.dependency = d.dependency;
  link.state = static_cast<int>(d.state);
  link.providers = d.providers.empty() ? nullptr : d.providers.data();
  link.provider_named = d.providers.size();
  link.provider_count = d.provider_count;
  Out(out, link);
  return kOk;
}

const char* codehdr_finding_kind_name(int kind) { return EnumName(kind, codehdr::FindingKindName); }

const char* codehdr_dependency_state_name(int state) { return EnumName(state, codehdr::DependencyStateName); }

}  // extern "C"
