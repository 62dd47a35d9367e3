// codehdr devices [--devctl FILE] [--json]
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>
#include <codehdr/codehdr.h>

#include "commands.h"
#include "devctl_source.h"
#include "header/code_mode_table.h"
#include "json_print.h"
#include "printable.h"

namespace codehdr::tool {

namespace {

constexpr std::size_t kLabelCut = 7;  // the builder compares 7 characters

struct DevicesOptions {
  std::string devctl;
  bool json = false;
};

// The code-mode value the builder would find for a device's label, or none.
nlohmann::ordered_json CodeModeOf(const download_ctl_typ& dev) {
  std::string label(dev.code_mode_str, strnlen(dev.code_mode_str, sizeof dev.code_mode_str));
  unsigned short value = GetCodeModeFromStr(label.substr(0, kLabelCut).c_str());
  return value == CODE_MODE_NOT_FOUND ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(value);
}

nlohmann::ordered_json DeviceJson(const download_ctl_typ& dev) {
  return {{"model_id", dev.model_id},
          {"model_name", Printable(std::string(dev.model_name, strnlen(dev.model_name, sizeof dev.model_name)))},
          {"code_mode_label",
           Printable(std::string(dev.code_mode_str, strnlen(dev.code_mode_str, sizeof dev.code_mode_str)))},
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

int RunDevices(const DevicesOptions& opts) {
  CVireVuzTxt table;
  LoadDevctl(ResolveDevctl(opts.devctl), table);
  nlohmann::ordered_json devices = nlohmann::ordered_json::array();
  for (int i = 0; i < table.device_count; ++i) devices.push_back(DeviceJson(table.GetCtrlTypeAt(i)));
  if (opts.json) {
    PrintJson(devices);
  } else {
    PrintDevicesText(devices);
  }
  return 0;
}

}  // namespace

void AddDevicesCommand(CLI::App& app, int& exit_status) {
  auto opts = std::make_shared<DevicesOptions>();
  CLI::App* cmd = app.add_subcommand("devices", "List the device table as the library reads it");
  cmd->add_option("--devctl", opts->devctl, "Device control file (default: $CODEHDR_DEVCTL, else beside the program)");
  cmd->add_flag("--json", opts->json, "A JSON array of the device records");
  cmd->callback([opts, &exit_status] { exit_status = RunDevices(*opts); });
}

}  // namespace codehdr::tool
