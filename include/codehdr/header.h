// Code headers as values: read one from bytes, check it field by field, and
// build one. Nothing here reads or writes outside the bytes it is given,
// whatever they hold. The byte layout is in layout.h.
#ifndef CODEHDR_HEADER_H
#define CODEHDR_HEADER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <codehdr/core.h>
#include <codehdr/devices.h>
#include <codehdr/export.h>

namespace codehdr {

enum class HeaderForm : std::uint8_t {
  kNone,       // neither form of header; also 0xC9 with a total size of 4 or less,
               // which a header object takes for no header at all
  kOldStyle,   // four equal bytes other than 0xC9
  kNewStyle,   // 0xC9 and a total size from 48 up to the bytes given
  kMalformed,  // 0xC9, but the header does not fit its own size (see problem)
};

// "none", "old_style", "new_style" or "malformed"; null for any other value.
CODEHDR_EXPORT const char* HeaderFormName(HeaderForm form);

struct Dependency {
  std::uint16_t type = 0;
  std::string version;  // the 16-byte field's text up to its first NUL
};

// Where one optional section lies, as the section walk finds it.
struct Section {
  std::size_t offset = 0;  // of its type byte, from the start of the header
  std::uint8_t type = 0;
  std::uint8_t length = 0;  // the payload length byte L; the next section is 2 + L on
};

struct Header {
  HeaderForm form = HeaderForm::kNone;
  // kOk for a new-style header, otherwise why there is none to check:
  // kNoHeader, kOldStyleHeader, kHeaderTruncated or kHeaderTooSmall (a
  // declared total size below 48; 4 or less comes with form kNone).
  Status problem = Status::kNoHeader;
  // New-style: the declared total size, the bytes the header occupies.
  // Old-style: 4. Malformed, and none with kHeaderTooSmall: the declared
  // total size when the image holds it, else 0. Other none: 0.
  std::uint16_t total_size = 0;
  std::uint8_t tag = 0;  // old-style and new-style

  // The rest is filled for a new-style header only.
  std::string virevuz_version;  // the 16-byte field's text up to its first NUL
  std::uint16_t mandatory_size = 0;
  std::uint32_t stored_crc = 0;
  std::uint8_t code_mode = 0;
  std::string code_version;  // the 16-byte field's text up to its first NUL
  std::uint8_t section_count = 0;
  std::uint8_t reserved = 0;
  // The optional sections, read as a header object reads them: each is
  // stepped over by its own length byte; the walk ends early where a section
  // would begin past the header's end.
  std::vector<Section> sections;
  // The text of the last comment section, at most 31 characters, and its
  // length byte.
  std::optional<std::string> comment;
  std::uint8_t comment_length = 0;
  std::vector<Dependency> dependencies;  // the type-2 sections, in order
};

// Reads the header at the start of `size` bytes.
CODEHDR_EXPORT Header ReadHeader(const std::uint8_t* data, std::size_t size);

// The outcome of checking a new-style header.
struct HeaderCheck {
  Status status = Status::kOk;
  // The bytes the failing check found wrong (offset from the start of the
  // header and count); 0 and 0 when the check passed.
  std::size_t fault_offset = 0;
  std::size_t fault_size = 0;
  // The header's code version, once it has passed its check.
  std::optional<std::string> code_version;
  // Once the section walk has begun: the dependencies read, in order (up to
  // the failing section). This walk reads every section that is not a
  // comment as a 20-byte dependency section, whatever its length byte says.
  std::optional<std::vector<Dependency>> dependencies;
};

// Checks the header of `size` bytes (a whole new-style header) field by
// field in a fixed order; the first failing check decides. expected_tag 0
// accepts any tag id; crc 0 skips the CRC comparison (pass the CRC of the
// whole file computed with the CRC field as zero).
CODEHDR_EXPORT HeaderCheck CheckHeader(const std::uint8_t* header, std::size_t size, std::uint8_t expected_tag,
                                       std::uint32_t crc);

// What a new header holds. Every text is written whole or refused, never
// cut, and none may hold a NUL.
struct HeaderSpec {
  std::uint8_t tag = 0;
  std::string virevuz_version;           // at most 15 characters; may be empty
  std::string code_version;              // 1 to 16 characters
  std::optional<std::string> comment;    // at most 31 characters
  std::vector<Dependency> dependencies;  // each version at most 16 characters
};

struct BuiltHeader {
  Status status = Status::kOk;
  std::vector<std::uint8_t> bytes;  // the whole header, CRC field zero; empty on failure
};

// Builds a new-style header, or refuses the HeaderSpec and builds nothing. What it
// builds passes CheckHeader. The code mode comes from the device table's
// label for the tag and the code-mode table (a label that is not in the
// table gives 201). The failures, in the order of the header's fields:
//   kVireVuzTooLong, kVireVuzVersion     the VireVuz version
//   kNoCodeMode, kCodeModeTooLarge       no label for the tag; a value over 255
//   kCodeVersionEmpty, kCodeVersion      the code version
//   kComment                             over 31 characters, or a NUL
//   kDependencyVersion                   a version that is malformed, over 16
//                                        characters or holding a NUL
//   kTooManySections                     more than 255 sections
CODEHDR_EXPORT BuiltHeader BuildHeader(const HeaderSpec& spec, const DeviceTable& devices);

// As above, with the code-mode label given instead of looked up in a device
// table (empty fails with kNoCodeMode).
CODEHDR_EXPORT BuiltHeader BuildHeader(const HeaderSpec& spec, const std::string& code_mode_label);

// The code-mode table: the labels device control files and dependencies use,
// and the value each puts into a header.
struct CodeMode {
  std::uint16_t value;
  const char* label;  // at most 7 characters
};

constexpr std::size_t kCodeModeCount = 17;

CODEHDR_EXPORT const std::array<CodeMode, kCodeModeCount>& CodeModes();

// The value of the first row labelled `label` (case-sensitive), or none.
CODEHDR_EXPORT std::optional<std::uint16_t> CodeModeValue(const std::string& label);

// Every label whose value is `value`, in table order (none for a value that
// no row has).
CODEHDR_EXPORT std::vector<std::string> CodeModeLabels(std::uint16_t value);
// Label `index` of `value` (static text), or null past its last.
CODEHDR_EXPORT const char* CodeModeLabelAt(std::uint16_t value, std::size_t index);

// A code mode (a header's code-mode byte or a dependency's type) as people
// read it: "BOOT/BOOTLDR (0)", or "77 (no label)".
CODEHDR_EXPORT std::string CodeModeText(std::uint16_t value);

// A dependency as people read it: "BOOT/BOOTLDR (0) R01A01.4", its version
// made printable (PrintableText).
CODEHDR_EXPORT std::string DependencyText(const Dependency& dependency);

// A dependency named by its code-mode label, checked as a header object's
// AddCodeDependencyToHdr checks it: kUnknownLabel when the label is not in
// the table, kDependencyVersion when the version is malformed; `out` is set
// only on kOk.
CODEHDR_EXPORT Status DependencyByLabel(const std::string& label, const std::string& version, Dependency& out);

}  // namespace codehdr

#endif  // CODEHDR_HEADER_H
