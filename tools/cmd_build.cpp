// codehdr build PAYLOAD -o IMAGE --tag N --virevuz VER --code-ver VER
//               [--comment TEXT] [--dep LABEL=VER]... [--dep-type N=VER]...
//               [--from OLD_IMAGE] [--devctl FILE]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <codehdr/checksum.h>
#include <codehdr/header.h>
#include <codehdr/image.h>

#include "commands.h"
#include "errors.h"
#include "inputs.h"
#include "text.h"

namespace codehdr::tool {

namespace {

constexpr unsigned long kMaxDependencyType = 0xFFFF;

std::string Subject(const DependencyArg& dep) {
  return std::string(dep.by_label ? "--dep " : "--dep-type ") + dep.text;
}

std::uint16_t ParseType(const DependencyArg& dep, const std::string& text) {
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || text[0] == '-' || value > kMaxDependencyType) {
    throw ToolError(Subject(dep), "the type must be a number from 0 to 65535");
  }
  return static_cast<std::uint16_t>(value);
}

// One --dep or --dep-type argument as a dependency. The library judges the
// version when it builds (and a label here).
Dependency ParseDependency(const DependencyArg& dep) {
  const std::size_t eq = dep.text.find('=');
  if (eq == std::string::npos || eq == 0) {
    throw ToolError(Subject(dep), dep.by_label ? "expected LABEL=VERSION" : "expected TYPE=VERSION");
  }
  const std::string key = dep.text.substr(0, eq);
  const std::string version = dep.text.substr(eq + 1);
  if (!dep.by_label) return Dependency{ParseType(dep, key), version};
  Dependency out;
  const Status status = DependencyByLabel(key, version, out);
  if (status != Status::kOk) throw ToolError(Subject(dep), StatusText(status), kExitFailed);
  return out;
}

// With --from: OLD_IMAGE's comment and dependencies go first into the header,
// and its tag id and VireVuz version are the defaults.
void TakeOver(BuildOptions& opts, HeaderSpec& spec) {
  const VerifyReport old = VerifyFile(opts.from);
  if (IsFileStatus(old.status)) throw ToolError(opts.from, FileErrorText(old.status, old.os_error));
  if (old.header.form != HeaderForm::kNewStyle) {
    std::string why = old.header.form == HeaderForm::kMalformed ? StatusReason(old.status) : "";
    throw ToolError(opts.from, "has no new-style header to take over" + (why.empty() ? "" : ": " + why), kExitFailed);
  }
  spec.comment = old.header.comment;
  spec.dependencies = old.header.dependencies;
  if (!opts.have_tag) {
    if (old.header.tag == 0) throw ToolError(opts.from, "its header has tag id 0; give --tag");
    opts.tag = old.header.tag;
    opts.have_tag = true;
  }
  if (!opts.have_virevuz) {
    opts.virevuz = old.header.virevuz_version;
    opts.have_virevuz = true;
  }
}

HeaderSpec SpecFrom(BuildOptions& opts) {
  HeaderSpec spec;
  if (!opts.from.empty()) TakeOver(opts, spec);
  if (!opts.have_tag) throw ToolError("--tag", "required (or take it from an image with --from)");
  if (!opts.have_virevuz) throw ToolError("--virevuz", "required (or take it from an image with --from)");
  if (opts.have_comment) spec.comment = opts.comment;
  spec.tag = static_cast<std::uint8_t>(opts.tag);
  spec.virevuz_version = opts.virevuz;
  spec.code_version = opts.code_ver;
  for (const DependencyArg& dep : opts.ordered_deps) spec.dependencies.push_back(ParseDependency(dep));
  return spec;
}

// The option a refused build is about, so the message points at it.
std::string FailureSubject(Status status, const BuildOptions& opts) {
  switch (status) {
    case Status::kNoCodeMode:
    case Status::kCodeModeTooLarge:
      return "--tag " + std::to_string(opts.tag);
    case Status::kCodeVersion:
    case Status::kCodeVersionEmpty:
      return "--code-ver " + opts.code_ver;
    case Status::kVireVuzVersion:
    case Status::kVireVuzTooLong:
      return "--virevuz " + opts.virevuz;
    case Status::kComment:
      return "--comment";
    case Status::kDependencyVersion:  // --dep versions were judged as they were read
      return opts.from.empty() ? "--dep-type" : "--dep-type or --from " + opts.from;
    case Status::kTooManySections:
      return opts.from.empty() ? "--dep" : "--from " + opts.from;
    default:
      return opts.output;
  }
}

}  // namespace


int RunBuild(BuildOptions& opts) {
  InputFile payload = OpenInput(opts.payload);
  const DeviceTable devices = LoadDevices(opts.devctl);
  const HeaderSpec spec = SpecFrom(opts);
  const BuiltHeader built = BuildHeader(spec, devices);
  if (built.status != Status::kOk) {
    throw ToolError(FailureSubject(built.status, opts), "cannot build the header: " + StatusText(built.status),
                    kExitFailed);
  }
  const WriteReport written = WriteImage(opts.output, built.bytes, payload);
  if (written.status != Status::kOk) {
    const bool output = written.status == Status::kFileWrite || written.status == Status::kOutputIsInput;
    const std::string subject = output ? opts.output : FileSubject(opts.payload);
    throw ToolError(subject, FileErrorText(written.status, written.os_error));
  }
  std::printf("%s: %zu-byte header + %llu-byte payload, tag %d, %zu dependencies, CRC-32 %s\n", opts.output.c_str(),
              built.bytes.size(), static_cast<unsigned long long>(written.size - built.bytes.size()), opts.tag,
              spec.dependencies.size(), Crc32Text(written.crc).c_str());
  return kExitOk;
}

}  // namespace codehdr::tool
