// The C interface's device table: loading a device control file, with its
// messages handed to a C callback, and reading its records.
#include <codehdr/c.h>
#include <codehdr/devices.h>

#include "capi/capi.h"

using namespace codehdr::capi;

extern "C" {

codehdr_devices* codehdr_devices_new(void) { return New<codehdr_devices>(); }

void codehdr_devices_free(codehdr_devices* devices) { delete devices; }

int codehdr_devices_load(codehdr_devices* devices, const char* path, codehdr_message_fn messages, void* context) {
  if (devices == nullptr || path == nullptr) return kInvalid;
  return Guarded([&] {
    codehdr::MessageSink sink;
    if (messages != nullptr) sink = [messages, context](const std::string& line) { messages(context, line.c_str()); };
    return ToInt(codehdr::LoadDeviceTable(path, devices->table, sink));
  });
}

size_t codehdr_devices_count(const codehdr_devices* devices) {
  return devices != nullptr ? devices->table.records.size() : 0;
}

int codehdr_devices_get(const codehdr_devices* devices, size_t index, codehdr_device* out) {
  if (devices == nullptr || index >= devices->table.records.size() || !Usable(out)) return kInvalid;
  const codehdr::DeviceRecord& record = devices->table.records[index];
  codehdr_device device{};
  device.model_id = record.model_id;
  device.model_name = record.model_name;
  device.code_mode = record.code_mode_str;
  device.tag_id = record.tag_id;
  Out(out, device);
  return kOk;
}

}  // extern "C"
