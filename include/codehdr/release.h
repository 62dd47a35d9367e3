// Checking a release: a set of code images that ship together. The check
// works on the verification reports of the images (VerifyFile,
// ImageVerifier) and a device table; it reads no file, and its memory grows
// with the number of images and dependencies, never with the images' sizes.
//
// An image takes part in the set checks when it verified. The checks:
//   - every image verified (or else it is reported, and skipped below);
//   - its tag id is a device model of the table, and its code mode is the
//     value of that model's code-mode label;
//   - its VireVuz version is the required one, when one is required;
//   - no two images for one tag id and code mode carry different code
//     versions;
//   - each dependency (a code-mode value and a code version) is provided by
//     another image of the set, unless its code mode is allowed to be missing;
//   - no image depends on itself, directly or through a cycle.
#ifndef CODEHDR_RELEASE_H
#define CODEHDR_RELEASE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <codehdr/core.h>
#include <codehdr/devices.h>
#include <codehdr/export.h>
#include <codehdr/image.h>

namespace codehdr {

struct ReleaseImage {
  std::string name;     // how findings name the image, e.g. its file name
  VerifyReport report;  // the image's verification
};

struct ReleaseOptions {
  // The VireVuz version every image must carry; empty: any.
  std::string virevuz_version;
  // Code-mode labels whose dependencies may be absent from the set. A label
  // stands for its value, so "BOOT" also allows "BOOTLDR" (both 0).
  std::vector<std::string> allow_missing;
};

// Values are stable: new kinds are only ever added at the end.
enum class FindingKind : std::uint8_t {
  kImageFailed,       // the image failed verification or could not be read
  kNotChecked,        // no new-style header: nothing to check it against
  kUnknownTag,        // no device model of the table has the image's tag id
  kCodeModeMismatch,  // the code mode is not the value of the model's label
  kVireVuzMismatch,   // the VireVuz version is not the required one
  kDuplicate,         // another image for the same tag id and code mode has another code version
  kDependencyNotMet,  // no other image has the dependency's code mode and version
  kDependencyCycle,   // the image depends on itself, directly or through others
};

// At most this many other images are named in a finding or a dependency's
// providers; the counts say how many there are.
constexpr std::size_t kMaxNamedImages = 8;

struct Finding {
  FindingKind kind = FindingKind::kImageFailed;
  std::size_t image = 0;  // index of the image it concerns
  // Other images it names (at most kMaxNamedImages): the closest candidates
  // of an unmet dependency, the other versions of a duplicate, the other
  // images of a cycle.
  std::vector<std::size_t> others;
  // For kDependencyNotMet, and for kDependencyCycle when the image provides
  // its own dependency: the index of the dependency in the image's
  // header.dependencies. kNoDependency otherwise.
  std::size_t dependency = kNoDependency;
  std::string reason;  // one line of printable ASCII, naming what it found

  static constexpr std::size_t kNoDependency = static_cast<std::size_t>(-1);
};

enum class DependencyState : std::uint8_t {
  kMet,             // another image provides it
  kAllowedMissing,  // nothing provides it, and its code mode may be missing
  kNotMet,          // nothing provides it
  kSelf,            // the image itself has the dependency's code mode and version
};

// One dependency of a verified image, in image order and then header order.
struct DependencyLink {
  std::size_t image = 0;
  std::size_t dependency = 0;  // index in the image's header.dependencies
  DependencyState state = DependencyState::kNotMet;
  // Verified images other than `image` that have the dependency's code mode
  // and version (the first kMaxNamedImages), and how many there are.
  std::vector<std::size_t> providers;
  std::size_t provider_count = 0;
};

struct ReleaseReport {
  // kUnknownLabel when a label of allow_missing is not in the code-mode
  // table; nothing is checked then.
  Status status = Status::kOk;
  // By image, in a fixed order of kinds per image.
  std::vector<Finding> findings;
  std::vector<DependencyLink> dependencies;

  bool consistent() const { return status == Status::kOk && findings.empty(); }
};

// Checks the set of `images` against `devices` (see above).
CODEHDR_EXPORT ReleaseReport CheckRelease(const std::vector<ReleaseImage>& images, const DeviceTable& devices,
                                          const ReleaseOptions& options = ReleaseOptions());

// A finding kind's name, e.g. "dependency_not_met"; null for any other value.
CODEHDR_EXPORT const char* FindingKindName(FindingKind kind);

// "met", "allowed_missing", "not_met" or "self"; null for any other value.
CODEHDR_EXPORT const char* DependencyStateName(DependencyState state);

}  // namespace codehdr

#endif  // CODEHDR_RELEASE_H
