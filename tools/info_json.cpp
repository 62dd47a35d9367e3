#include "code_mode_labels.h"
#include "info_output.h"

namespace codehdr::tool {

namespace {

nlohmann::ordered_json DependenciesJson(const HeaderFields& fields) {
  nlohmann::ordered_json deps = nlohmann::ordered_json::array();
  for (const DependencyField& dep : fields.dependencies) {
    deps.push_back({{"type", dep.type}, {"labels", LabelsForValue(dep.type)}, {"version", dep.version}});
  }
  return deps;
}

void AddNewStyleFields(const HeaderFields& fields, nlohmann::ordered_json& j) {
  j["virevuz_version"] = fields.virevuz_version;
  j["mandatory_size"] = fields.mandatory_size;
  j["total_size"] = fields.header_size;
  j["stored_crc"] = fields.stored_crc;
  j["computed_crc"] = fields.computed_crc ? nlohmann::ordered_json(*fields.computed_crc) : nlohmann::ordered_json(nullptr);
  j["crc_match"] = fields.computed_crc ? nlohmann::ordered_json(*fields.computed_crc == fields.stored_crc)
                                       : nlohmann::ordered_json(nullptr);
  j["code_mode"] = fields.code_mode;
  j["code_mode_labels"] = LabelsForValue(fields.code_mode);
  j["code_version"] = fields.code_version;
  j["section_count"] = fields.section_count;
  j["reserved"] = fields.reserved;
  j["comment"] = fields.comment ? nlohmann::ordered_json(*fields.comment) : nlohmann::ordered_json(nullptr);
  j["comment_length"] = fields.comment_length;
  j["dependencies"] = DependenciesJson(fields);
}

}  // namespace

nlohmann::ordered_json InfoJson(const HeaderFields& fields) {
  nlohmann::ordered_json j;
  j["file"] = fields.file;
  j["file_size"] = fields.file_size;
  j["form"] = HeaderFormName(fields.form);
  if (fields.form == HeaderForm::kNone) return j;
  j["tag_id"] = fields.tag_id;
  j["header_size"] = fields.header_size;
  if (fields.form == HeaderForm::kNewStyle) AddNewStyleFields(fields, j);
  return j;
}

}  // namespace codehdr::tool
