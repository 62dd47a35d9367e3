// A program that uses only the installed headers and library: with virevuz.txt beside it (tag 17 is an APP device)
// it builds one header through the classic API and through namespace codehdr, which must agree, writes and verifies
// an image, and catches a failed allocation of the library as std::bad_alloc (on Windows, across the DLL).
#include <codehdr/codehdr.h>

#include <cstdio>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <vector>

int main() {
  int failures = 0;
  const auto check = [&](bool ok, const char* what) {
    if (!ok) std::printf("FAILED: %s\n", what), ++failures;
  };
  const std::string devices = codehdr::DeviceFileBesideExecutable();

  CCodeHeader classic;
  check(classic.Init() == HDR_SUCCESS, "Init() loads virevuz.txt beside the program");
  check(classic.InsertHeaderCodeVer("R01A02.3") == 1 && classic.AddCodeDependencyToHdr(5, "R02A01") == 1,
        "code version and dependency");
  int result = -1;
  const unsigned short size = classic.BuildHeader(17, "R02B01", &result);
  check(result == HDR_SUCCESS, "BuildHeader");

  codehdr::DeviceTable table;
  check(codehdr::LoadDeviceTable(devices, table) == codehdr::Status::kOk, "LoadDeviceTable");
  const codehdr::BuiltHeader built = codehdr::BuildHeader({17, "R02B01", "R01A02.3", {}, {{5, "R02A01"}}}, table);
  check(built.bytes == std::vector<std::uint8_t>(classic.compressedCodeHeader, classic.compressedCodeHeader + size),
        "both APIs build the same header");
  const std::string image = devices.substr(0, devices.size() - 11) + "consumer.img";
  const unsigned char payload[] = {0xDE, 0xAD, 0xBE, 0xEF};
  const codehdr::WriteReport written = codehdr::WriteImage(image, built.bytes, payload, sizeof payload);
  check(written.status == codehdr::Status::kOk && CCodeHeader().DoVerifyHeader(image.c_str(), 0, 17) == 1,
        "WriteImage, then DoVerifyHeader");

  bool caught = false;
  try {
    codehdr::IoBuffer huge(std::numeric_limits<std::size_t>::max() / 2);
  } catch (const std::bad_alloc&) {
    caught = true;
  }
  check(caught, "std::bad_alloc from the library reaches the program");
  std::printf("codehdr %s, CRC-32 kernel %s, image crc32=%08x: %s\n", codehdr::LibraryVersion(),
              codehdr::Crc32KernelName(), written.crc, failures == 0 ? "ok" : "FAILED");
  return failures == 0 ? 0 : 1;
}
