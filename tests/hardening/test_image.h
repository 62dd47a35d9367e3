// Code images written byte by byte, independently of the library's builder,
// for the fault-path tests.
#ifndef CODEHDR_TESTS_HARDENING_TEST_IMAGE_H
#define CODEHDR_TESTS_HARDENING_TEST_IMAGE_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace codehdr::test {

struct ImageSpec {
  unsigned char tag = 17;
  std::string vireVuzVer = "R01A02.3";
  std::string codeVer = "P12D05";
  std::optional<std::string> comment;
  std::vector<std::pair<std::uint16_t, std::string>> deps;
  std::vector<unsigned char> code = {0xDE, 0xAD, 0xBE, 0xEF, 0x0D, 0x0A, 0x1A, 0x00};
};

// The header followed by the code, with the file's CRC-32 stored.
std::vector<unsigned char> MakeImage(const ImageSpec& spec);

// Size of the header of MakeImage(spec).
std::size_t HeaderSize(const ImageSpec& spec);

}  // namespace codehdr::test

#endif  // CODEHDR_TESTS_HARDENING_TEST_IMAGE_H
