// codehdr devices [--devctl FILE] [--json]
#include <cstdio>
#include <cstring>
#include <string>

#include <codehdr/devices.h>
#include <codehdr/header.h>

#include "commands.h"
#include "inputs.h"
#include "json_print.h"
#include "text.h"

namespace codehdr::tool {

namespace {

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return Printable(std::string(field, strnlen(field, N)));
}

// The code-mode value the builder would find for a device's label, or null.
nlohmann::ordered_json CodeModeOf(const DeviceRecord& dev) {
  const std::optional<std::uint16_t> value = CodeModeValue(DeviceCodeModeLabel(dev));
  return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json DeviceJson(const DeviceRecord& dev) {
  return {{"model_id", dev.model_id},
          {"model_name", FieldText(dev.model_name)},
          {"code_mode_label", FieldText(dev.code_mode_str)},
          {"code_mode", CodeModeOf(dev)},
          {"tag_id", dev.tag_id}};
}

void PrintDevicesText(const nlohmann::ordered_json& devices) {
  std::printf("%-5s %-10s %-10s %-8s %-9s %s\n", "index", "model id", "name", "tag id", "label", "code mode");
  int index = 0;
  for (const nlohmann::ordered_json& d : devices) {
    std::string mode = d["code_mode"].is_null() ? "not in the table" : std::to_string(d["code_mode"].get<int>());
    std::printf("%-5d 0x%-8x %-10s %-8d %-9s %s\n", index++, d["model_id"].get<unsigned>(),
                d["model_name"].get<std::string>().c_str(), d["tag_id"].get<int>(),
                d["code_mode_label"].get<std::string>().c_str(), mode.c_str());
  }
}

}  // namespace


int RunDevices(const DevicesOptions& opts) {
  const DeviceTable table = LoadDevices(opts.devctl);
  nlohmann::ordered_json devices = nlohmann::ordered_json::array();
  for (const DeviceRecord& dev : table.records) devices.push_back(DeviceJson(dev));
  if (opts.json) {
    PrintJson(Versioned("devices", devices));
  } else {
    PrintDevicesText(devices);
  }
  return 0;
}

}  // namespace codehdr::tool
