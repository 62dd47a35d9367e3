// The release check: findings about a set of verified images, from their
// headers and the device table alone. Images are indexed once by code mode
// and code version, so that every dependency is looked up, not searched for.
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include <codehdr/header.h>
#include <codehdr/release.h>
#include <codehdr/version_string.h>

#include "release/release_internal.h"

namespace codehdr {
namespace {

// Versions offered as the closest ones when a dependency is not met.
constexpr std::size_t kMaxCandidates = 3;

// A code mode (a header's code-mode byte, or a dependency's type) and a code version.
using Key = std::pair<std::uint16_t, std::string>;

// Orders version strings by their numbers (major, release letter, minor,
// build), so that neighbours in the order are the nearest releases. The
// versions of verified headers all parse; text that would not counts as 0.
struct VersionOrder {
  static auto Rank(const std::string& text) {
    const Version v = ParseVersion(text.c_str()).value_or(Version());
    return std::make_tuple(v.major, v.letter, v.minor, v.build.value_or(-1), std::cref(text));
  }
  bool operator()(const std::string& a, const std::string& b) const { return Rank(a) < Rank(b); }
};

bool Verified(const ReleaseImage& image) { return image.report.verdict == Verdict::kVerified; }

class ReleaseChecker {
 public:
  ReleaseChecker(const std::vector<ReleaseImage>& images, const DeviceTable& devices, const ReleaseOptions& options,
                 std::set<std::uint16_t> allowed)
      : images_(images), devices_(devices), options_(options), allowed_(std::move(allowed)), found_(images.size()) {}

  ReleaseReport Run() {
    Index();
    for (std::size_t i = 0; i < images_.size(); ++i) CheckImage(i);
    CheckDuplicates();
    for (std::size_t i = 0; i < images_.size(); ++i) {
      if (Verified(images_[i])) CheckDependencies(i);
    }
    CheckCycles();
    for (std::vector<Finding>& findings : found_) {
      std::move(findings.begin(), findings.end(), std::back_inserter(report_.findings));
    }
    return std::move(report_);
  }

 private:
  struct Providers {
    std::vector<std::size_t> images;  // verified images with this code mode and version
    std::size_t node = 0;             // in the cycle graph
  };

  std::string Name(std::size_t image) const { return PrintableText(images_[image].name); }
  const Header& HeaderOf(std::size_t image) const { return images_[image].report.header; }

  // "a.img (R01A01), b.img (R01A02) and 3 more": `named` (at most
  // kMaxNamedImages of them), each with its code version when `versions`,
  // out of `total`.
  std::string NameList(const std::vector<std::size_t>& named, std::size_t total, bool versions) const {
    std::string text;
    for (std::size_t n = 0; n < named.size(); ++n) {
      text += (n == 0 ? "" : ", ") + Name(named[n]);
      if (versions) text += " (" + PrintableText(HeaderOf(named[n]).code_version) + ")";
    }
    if (total > named.size()) text += " and " + std::to_string(total - named.size()) + " more";
    return text;
  }

  // The first kMaxNamedImages of `all` that are not `image`: O(1), whatever
  // the size of `all`.
  static std::vector<std::size_t> OthersThan(std::size_t image, const std::vector<std::size_t>& all) {
    std::vector<std::size_t> others;
    for (std::size_t n = 0; n < all.size() && others.size() < kMaxNamedImages; ++n) {
      if (all[n] != image) others.push_back(all[n]);
    }
    return others;
  }

  void Add(std::size_t image, FindingKind kind, std::string reason, std::vector<std::size_t> others = {},
           std::size_t dependency = Finding::kNoDependency) {
    found_[image].push_back(Finding{kind, image, std::move(others), dependency, std::move(reason)});
  }

  void Index() {
    for (std::size_t i = 0; i < images_.size(); ++i) {
      const Header& h = HeaderOf(i);
      if (h.form != HeaderForm::kNewStyle) continue;
      const Key key(h.code_mode, h.code_version);
      if (!Verified(images_[i])) {
        failedWith_.emplace(key, i);  // keeps the first
        continue;
      }
      providers_[key].images.push_back(i);
      versionsOf_[h.code_mode].emplace(h.code_version, i);
    }
  }

  void CheckImage(std::size_t i) {
    const VerifyReport& r = images_[i].report;
    if (r.verdict == Verdict::kNotChecked) {
      return Add(i, FindingKind::kNotChecked, std::string("has no new-style header to check: ") + StatusReason(r.status));
    }
    if (r.verdict == Verdict::kFailed) {
      std::string reason = std::string("failed verification (") + StatusName(r.status) + "): " + StatusReason(r.status);
      if (r.os_error != 0) reason += std::string(": ") + std::strerror(r.os_error);
      return Add(i, FindingKind::kImageFailed, reason);
    }
    const Header& h = HeaderOf(i);
    const std::string tag = "tag id " + std::to_string(h.tag);
    const std::string label = devices_.CodeModeLabel(h.tag);
    if (label.empty()) {
      Add(i, FindingKind::kUnknownTag, tag + " is not a device model of the device table");
    } else if (const std::optional<std::uint16_t> mode = CodeModeValue(label); !mode) {
      Add(i, FindingKind::kCodeModeMismatch, "code mode " + CodeModeText(h.code_mode) + ", but the device table gives " +
                                                 tag + " the label " + PrintableText(label) +
                                                 ", which is not in the code-mode table");
    } else if (*mode != h.code_mode) {
      Add(i, FindingKind::kCodeModeMismatch, "code mode " + CodeModeText(h.code_mode) + ", but the device table gives " +
                                                 tag + " the label " + label + ", code mode " + CodeModeText(*mode));
    }
    if (!options_.virevuz_version.empty() && h.virevuz_version != options_.virevuz_version) {
      Add(i, FindingKind::kVireVuzMismatch, "VireVuz version " + PrintableText(h.virevuz_version) +
                                                ", not the required " + PrintableText(options_.virevuz_version));
    }
  }

  // Images for one tag id and code mode with more than one code version.
  // Each is told how many others have another version, and the first of
  // them by name. `sample` keeps at most kMaxNamedImages members per
  // version, so that finding the first others skips at most that many: the
  // work stays linear however many images share a version.
  void CheckDuplicates() {
    std::map<std::pair<std::uint8_t, std::uint8_t>, std::vector<std::size_t>> devices;
    for (std::size_t i = 0; i < images_.size(); ++i) {
      if (Verified(images_[i])) devices[{HeaderOf(i).tag, HeaderOf(i).code_mode}].push_back(i);
    }
    for (const auto& [device, members] : devices) {
      std::map<std::string, std::size_t> perVersion;
      std::vector<std::size_t> sample;
      for (const std::size_t i : members) {
        if (++perVersion[HeaderOf(i).code_version] <= kMaxNamedImages) sample.push_back(i);
      }
      if (perVersion.size() < 2) continue;
      for (const std::size_t i : members) {
        const std::string& version = HeaderOf(i).code_version;
        std::vector<std::size_t> others;
        for (std::size_t n = 0; n < sample.size() && others.size() < kMaxNamedImages; ++n) {
          if (HeaderOf(sample[n]).code_version != version) others.push_back(sample[n]);
        }
        const std::string list = NameList(others, members.size() - perVersion[version], true);
        Add(i, FindingKind::kDuplicate,
            "tag id " + std::to_string(device.first) + " with code mode " + CodeModeText(device.second) +
                " also comes in another code version than " + PrintableText(version) + ": " + list,
            std::move(others));
      }
    }
  }

  // Up to kMaxCandidates verified images other than `self` with code mode
  // `mode`, one per code version, nearest to `version` first.
  std::vector<std::size_t> Closest(std::uint16_t mode, const std::string& version, std::size_t self) const {
    std::vector<std::size_t> found;
    const auto versions = versionsOf_.find(mode);
    if (versions == versionsOf_.end()) return found;
    const auto& byVersion = versions->second;
    // `version` itself is not there: a verified image with it would provide it.
    auto below = byVersion.lower_bound(version);
    auto above = below;
    while (found.size() < kMaxCandidates && (below != byVersion.begin() || above != byVersion.end())) {
      if (below != byVersion.begin() && (--below)->second != self) found.push_back(below->second);
      if (found.size() < kMaxCandidates && above != byVersion.end() && above->second != self) {
        found.push_back(above->second);
      }
      if (above != byVersion.end()) ++above;
    }
    return found;
  }

  std::string NotMetReason(const Dependency& dep, const std::vector<std::size_t>& closest) const {
    std::string reason = "needs " + DependencyText(dep) + ", which no other image provides; ";
    reason += closest.empty() ? "no other image has code mode " + std::to_string(dep.type)
                              : "closest: " + NameList(closest, closest.size(), true);
    const auto failed = failedWith_.find(Key(dep.type, dep.version));
    if (failed != failedWith_.end()) reason += "; " + Name(failed->second) + " has it but failed verification";
    return reason;
  }

  void CheckDependencies(std::size_t i) {
    const std::vector<Dependency>& deps = HeaderOf(i).dependencies;
    for (std::size_t d = 0; d < deps.size(); ++d) {
      DependencyLink link{i, d, DependencyState::kNotMet, {}, 0};
      const auto found = providers_.find(Key(deps[d].type, deps[d].version));
      if (found != providers_.end()) {
        const std::vector<std::size_t>& all = found->second.images;  // in image order
        const bool self = std::binary_search(all.begin(), all.end(), i);
        if (self) link.state = DependencyState::kSelf;
        link.providers = OthersThan(i, all);
        link.provider_count = all.size() - (self ? 1 : 0);
      }
      if (link.state == DependencyState::kSelf) {
        Add(i, FindingKind::kDependencyCycle,
            "depends on itself: it is the " + DependencyText(deps[d]) + " it needs", {}, d);
      } else if (link.provider_count > 0) {
        link.state = DependencyState::kMet;
      } else if (allowed_.count(deps[d].type) > 0) {
        link.state = DependencyState::kAllowedMissing;
      } else {
        std::vector<std::size_t> closest = Closest(deps[d].type, deps[d].version, i);
        Add(i, FindingKind::kDependencyNotMet, NotMetReason(deps[d], closest), closest, d);
      }
      report_.dependencies.push_back(std::move(link));
    }
  }

  // A graph of images and of the (code mode, version) pairs between them:
  // an image leads to each pair it depends on, a pair to each image that
  // provides it. Its size grows with images and dependencies, not with
  // their product. A cycle through two or more images is reported for each
  // of them. An image that provides its own dependency was reported above;
  // that dependency leads nowhere here, or a copy of the image with the same
  // version would make a cycle of two.
  void CheckCycles() {
    const std::size_t n = images_.size();
    std::vector<std::vector<std::size_t>> edges(n + providers_.size());
    std::size_t node = n;
    for (auto& [key, providers] : providers_) {
      providers.node = node;
      edges[node++] = providers.images;
    }
    for (const DependencyLink& link : report_.dependencies) {
      if (link.state == DependencyState::kSelf) continue;
      const Dependency& dep = HeaderOf(link.image).dependencies[link.dependency];
      const auto found = providers_.find(Key(dep.type, dep.version));
      if (found != providers_.end()) edges[link.image].push_back(found->second.node);
    }
    for (const std::vector<std::size_t>& group : detail::CycleGroups(edges)) {
      std::vector<std::size_t> members;
      for (const std::size_t member : group) {
        if (member < n) members.push_back(member);
      }
      if (members.size() < 2) continue;
      std::sort(members.begin(), members.end());
      for (const std::size_t i : members) {
        std::vector<std::size_t> others = OthersThan(i, members);
        const std::string list = NameList(others, members.size() - 1, false);
        Add(i, FindingKind::kDependencyCycle,
            "depends on itself through a cycle of " + std::to_string(members.size()) + " images; the others: " + list,
            std::move(others));
      }
    }
  }

  const std::vector<ReleaseImage>& images_;
  const DeviceTable& devices_;
  const ReleaseOptions& options_;
  const std::set<std::uint16_t> allowed_;
  std::vector<std::vector<Finding>> found_;  // per image, in the order they were found
  std::map<Key, Providers> providers_;
  std::map<Key, std::size_t> failedWith_;  // the first image with that key that failed verification
  std::map<std::uint16_t, std::map<std::string, std::size_t, VersionOrder>> versionsOf_;  // first image per version
  ReleaseReport report_;
};

}  // namespace

ReleaseReport CheckRelease(const std::vector<ReleaseImage>& images, const DeviceTable& devices,
                           const ReleaseOptions& options) {
  std::set<std::uint16_t> allowed;
  for (const std::string& label : options.allow_missing) {
    const std::optional<std::uint16_t> value = CodeModeValue(label);
    if (!value) {
      ReleaseReport refused;
      refused.status = Status::kUnknownLabel;
      return refused;
    }
    allowed.insert(*value);
  }
  return ReleaseChecker(images, devices, options, std::move(allowed)).Run();
}

}  // namespace codehdr
