// SHA-256 through Windows CNG (bcrypt.dll): an algorithm provider opened
// once per object, and a hash object made anew after each digest.
#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "sha256.h"

namespace codehdr::tool {

namespace {

void Check(NTSTATUS status, const char* what) {
  if (BCRYPT_SUCCESS(status)) return;
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(status));
  throw std::runtime_error(std::string("SHA-256: ") + what + " failed (NTSTATUS " + code + ")");
}

}  // namespace

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;

  void NewHash() { Check(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0), "BCryptCreateHash"); }
  ~State() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  Check(BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0),
        "BCryptOpenAlgorithmProvider");
  state_->NewHash();
}

Sha256::~Sha256() = default;

void Sha256::Update(const std::uint8_t* data, std::size_t size) {
  // BCryptHashData takes a 32-bit length.
  while (size != 0) {
    const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(size, 0x40000000));
    Check(BCryptHashData(state_->hash, const_cast<PUCHAR>(data), piece, 0), "BCryptHashData");
    data += piece;
    size -= piece;
  }
}

Sha256::Digest Sha256::Finish() {
  Digest digest{};
  Check(BCryptFinishHash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0), "BCryptFinishHash");
  BCryptDestroyHash(state_->hash);
  state_->hash = nullptr;
  state_->NewHash();
  return digest;
}

}  // namespace codehdr::tool
