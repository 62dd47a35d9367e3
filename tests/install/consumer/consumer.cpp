// A program that uses only the installed headers and library. With virevuz.txt beside it (the sample device file:
// tag 17 is an APP device), it builds a header for tag 17, seals an image and verifies it, once through the classic
// API and once through namespace codehdr; both images must be the same bytes. A failed allocation in the library
// reaches it as std::bad_alloc.
#include <codehdr/codehdr.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::printf("FAILED: %s\n", what);
    ++failures;
  }
}

std::vector<unsigned char> ReadAll(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    unsigned char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
    std::fclose(f);
  }
  return bytes;
}

}  // namespace

int main() {
  const std::string devices = codehdr::DeviceFileBesideExecutable();
  const std::string folder = devices.substr(0, devices.size() - std::strlen("virevuz.txt"));
  const std::vector<unsigned char> payload = {0xDE, 0xAD, 0xBE, 0xEF, 0x0D, 0x0A, 0x1A, 0x00};

  // The classic API: the device table from beside the program, a header, the CRC of the whole image with the CRC
  // field zero, stored big-endian into the header, and the file verified.
  CCodeHeader header;
  Check(header.Init() == HDR_SUCCESS, "Init() loads virevuz.txt beside the program");
  Check(header.InsertHeaderCodeVer("R01A02.3") == 1, "InsertHeaderCodeVer");
  Check(header.AddCodeDependencyToHdr(5, "R02A01") == 1, "AddCodeDependencyToHdr");
  int result = -1;
  const unsigned short size = header.BuildHeader(17, "R02B01", &result);
  Check(result == HDR_SUCCESS && size > 48, "BuildHeader");
  std::vector<unsigned char> image(header.compressedCodeHeader, header.compressedCodeHeader + size);
  image.insert(image.end(), payload.begin(), payload.end());
  CCRC crc;
  header.InsertCrcIntoHeader(crc.GetCRC32(image.data(), static_cast<int>(image.size())));
  std::copy(header.compressedCodeHeader, header.compressedCodeHeader + size, image.begin());
  const std::string classic = folder + "consumer-classic.img";
  std::FILE* out = std::fopen(classic.c_str(), "wb");
  Check(out != nullptr && std::fwrite(image.data(), 1, image.size(), out) == image.size(), "writing the image");
  if (out != nullptr) std::fclose(out);
  CCodeHeader verifier;
  Check(verifier.DoVerifyHeader(classic.c_str(), 0, 17) == 1, "DoVerifyHeader");
  Check(verifier.DoVerifyHeader(classic.c_str(), 0, 18) == 0, "DoVerifyHeader refuses another tag");

  // The same through namespace codehdr.
  codehdr::DeviceTable table;
  Check(codehdr::LoadDeviceTable(devices, table) == codehdr::Status::kOk, "LoadDeviceTable");
  codehdr::HeaderSpec spec;
  spec.tag = 17;
  spec.virevuz_version = "R02B01";
  spec.code_version = "R01A02.3";
  spec.dependencies.push_back({5, "R02A01"});
  const codehdr::BuiltHeader built = codehdr::BuildHeader(spec, table);
  Check(built.status == codehdr::Status::kOk, "codehdr::BuildHeader");
  const std::string modern = folder + "consumer-modern.img";
  const codehdr::WriteReport written = codehdr::WriteImage(modern, built.bytes, payload.data(), payload.size());
  Check(written.status == codehdr::Status::kOk, "codehdr::WriteImage");
  Check(codehdr::VerifyFile(modern, 17).verdict == codehdr::Verdict::kVerified, "codehdr::VerifyFile");
  Check(ReadAll(modern) == image, "both APIs write the same bytes");

  // An exception thrown in the library reaches the program (on Windows: across the DLL's boundary, through the unwinder
  // both share).
  bool caught = false;
  try {
    codehdr::IoBuffer huge(std::numeric_limits<std::size_t>::max() / 2);
  } catch (const std::bad_alloc&) {
    caught = true;
  }
  Check(caught, "std::bad_alloc from the library reaches the program");

  char ver[16] = {};
  Check(header.BuildFormattedVerStr(1, 2, ver, 'a', sizeof ver, 3, 0) == 1 && std::strcmp(ver, "R01A02.3") == 0 &&
            VerifyCodeVersionFormat(ver, 16) == 1,
        "version strings");
  std::printf("codehdr %s, CRC-32 kernel %s, image crc32=%08x: %s\n", codehdr::LibraryVersion(),
              codehdr::Crc32KernelName(), written.crc, failures == 0 ? "ok" : "FAILED");
  return failures == 0 ? 0 : 1;
}
