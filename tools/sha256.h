// SHA-256 for release manifests, from the platform's own cryptography:
// OpenSSL's libcrypto (sha256_openssl.cpp) or Windows CNG (sha256_cng.cpp),
// chosen when the tool is built. The library itself has no use for it.
#ifndef CODEHDR_TOOLS_SHA256_H
#define CODEHDR_TOOLS_SHA256_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace codehdr::tool {

// A SHA-256 over bytes fed in pieces. A failure of the platform's
// implementation throws std::runtime_error.
class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(const std::uint8_t* data, std::size_t size);
  // The digest of every byte fed since construction or the last Finish;
  // the object then starts again from nothing.
  Digest Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// 64 lower-case hex digits.
inline std::string HexDigest(const Sha256::Digest& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_SHA256_H
