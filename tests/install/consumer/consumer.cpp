// A program that uses only the installed headers and library.
#include <codehdr/codehdr.h>

#include <cstdio>
#include <cstring>

int main() {
  CCRC crc;
  const char* digits = "123456789";
  unsigned int value = crc.GetCRC32(reinterpret_cast<const unsigned char*>(digits), 9);

  CCodeHeader header;
  char ver[16] = {};
  int built = header.BuildFormattedVerStr(1, 2, ver, 'a', sizeof ver, 3, 0);
  bool ok = value == 0xCBF43926u && built == 1 && std::strcmp(ver, "R01A02.3") == 0 &&
            VerifyCodeVersionFormat(ver, 16) == 1 && CCodeHeader::HDR_CRC_LOC == 24;
  std::printf("crc32=%08x ver=%s %s\n", value, ver, ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}
