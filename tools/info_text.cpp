#include "code_mode_labels.h"
#include "crc_text.h"
#include "info_output.h"

namespace codehdr::tool {

namespace {

void Line(std::FILE* out, const char* name, const std::string& value) {
  std::fprintf(out, "  %-16s %s\n", name, value.c_str());
}

std::string CrcLine(const HeaderFields& fields) {
  std::string text = "stored " + CrcText(fields.stored_crc) + ", computed ";
  if (!fields.computed_crc) return text + "- (file over 2 GiB)";
  return text + CrcText(*fields.computed_crc) + (*fields.computed_crc == fields.stored_crc ? " (match)" : " (MISMATCH)");
}

void PrintDependencies(const HeaderFields& fields, std::FILE* out) {
  Line(out, "dependencies", std::to_string(fields.dependencies.size()));
  std::size_t index = 0;
  for (const DependencyField& dep : fields.dependencies) {
    std::string type = std::to_string(dep.type) + " (" + JoinedLabels(dep.type, "no label") + ")";
    std::fprintf(out, "    [%zu] type %-18s version %s\n", index++, type.c_str(), dep.version.c_str());
  }
}

void PrintNewStyle(const HeaderFields& fields, std::FILE* out) {
  Line(out, "VireVuz version", fields.virevuz_version);
  Line(out, "mandatory size", std::to_string(fields.mandatory_size) + " bytes");
  Line(out, "total size", std::to_string(fields.header_size) + " bytes, " + std::to_string(fields.section_count) +
                              " optional sections");
  Line(out, "CRC-32", CrcLine(fields));
  Line(out, "tag id", std::to_string(fields.tag_id));
  Line(out, "code mode",
       std::to_string(fields.code_mode) + " (" + JoinedLabels(fields.code_mode, "not in the code-mode table") + ")");
  Line(out, "code version", fields.code_version);
  if (fields.reserved != 0) Line(out, "reserved byte", std::to_string(fields.reserved) + " (should be 0)");
  Line(out, "comment", fields.comment ? "\"" + *fields.comment + "\"" : std::string("(none)"));
  PrintDependencies(fields, out);
}

}  // namespace

void PrintInfoText(const HeaderFields& fields, std::FILE* out) {
  std::fprintf(out, "%s\n", fields.file.c_str());
  Line(out, "form", HeaderFormName(fields.form));
  Line(out, "file size", std::to_string(fields.file_size) + " bytes");
  if (fields.form == HeaderForm::kOldStyle) {
    Line(out, "tag id", std::to_string(fields.tag_id));
    Line(out, "header size", std::to_string(fields.header_size) + " bytes");
  } else if (fields.form == HeaderForm::kNewStyle) {
    PrintNewStyle(fields, out);
  }
}

}  // namespace codehdr::tool
