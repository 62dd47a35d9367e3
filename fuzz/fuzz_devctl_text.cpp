// Device control text: the input is loaded from one memory file by the classic
// two-pass reader and, when it accepts the file, by the one-pass
// LoadDeviceTable; both must give the same records with terminated text
// fields, and the tag lookups of both must agree for every tag id.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <codehdr/code_header.h>
#include <codehdr/devices.h>

namespace {

// A memory file, named by "/proc/self/fd/N" so that every open gets its own
// offset; made once, with standard output silenced at the same time.
struct MemoryFile {
  int fd = ::memfd_create("virevuz.txt", MFD_CLOEXEC);
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  MemoryFile() {
    std::fflush(stdout);
    ::dup2(::open("/dev/null", O_WRONLY | O_CLOEXEC), STDOUT_FILENO);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const MemoryFile file;
  if (::ftruncate(file.fd, 0) != 0 || ::pwrite(file.fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  CVireVuzTxt classic;
  codehdr::DeviceTable modern;
  const unsigned short result = classic.init_device_control(file.path.c_str());
  if (result == ERR_DEVCTL_NO_VERSION || result == ERR_DEVCTL_NO_MODELS) return 0;  // found by the shared scan
  if (result != HDR_SUCCESS || codehdr::LoadDeviceTable(file.path, modern) != codehdr::Status::kOk ||
      classic.device_count != static_cast<int>(modern.records.size())) {
    std::abort();
  }
  for (int i = 0; i < classic.device_count; ++i) {
    const download_ctl_typ r = classic.GetCtrlTypeAt(i);
    if (std::memcmp(&r, &modern.records[i], sizeof r) != 0 || r.model_name[9] != '\0' || r.code_mode_str[9] != '\0') {
      std::abort();
    }
  }
  for (int tag = 0; tag < 256; ++tag) {
    char label[8] = "";
    classic.GetCodeModeStrFromTagId(static_cast<unsigned char>(tag), label, sizeof label);
    if (modern.CodeModeLabel(static_cast<unsigned char>(tag)) != label) std::abort();
  }
  return 0;
}
