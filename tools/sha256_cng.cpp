// SHA-256 through Windows CNG (bcrypt.dll): an algorithm provider opened
// once per object, and a hash object made anew after each digest. bcrypt.dll
// is loaded when the first object is made, not at every start of the tool
// (about 10 ms per start under Wine), as libcrypto is on Linux.
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

// The CNG functions the digest uses, looked up once (thread-safe).
struct Cng {
  decltype(&::BCryptOpenAlgorithmProvider) open_algorithm = nullptr;
  decltype(&::BCryptCloseAlgorithmProvider) close_algorithm = nullptr;
  decltype(&::BCryptCreateHash) create_hash = nullptr;
  decltype(&::BCryptHashData) hash_data = nullptr;
  decltype(&::BCryptFinishHash) finish_hash = nullptr;
  decltype(&::BCryptDestroyHash) destroy_hash = nullptr;
};

template <typename Function>
void Find(HMODULE library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
  if (function == nullptr) throw std::runtime_error(std::string("SHA-256: bcrypt.dll lacks ") + name);
}

const Cng& LoadCng() {
  static const Cng cng = [] {
    const HMODULE library = ::LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library == nullptr) throw std::runtime_error("SHA-256: bcrypt.dll cannot be loaded");
    Cng c;
    Find(library, "BCryptOpenAlgorithmProvider", c.open_algorithm);
    Find(library, "BCryptCloseAlgorithmProvider", c.close_algorithm);
    Find(library, "BCryptCreateHash", c.create_hash);
    Find(library, "BCryptHashData", c.hash_data);
    Find(library, "BCryptFinishHash", c.finish_hash);
    Find(library, "BCryptDestroyHash", c.destroy_hash);
    return c;
  }();
  return cng;
}

}  // namespace

struct Sha256::State {
  const Cng& cng = LoadCng();
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;

  void NewHash() { Check(cng.create_hash(algorithm, &hash, nullptr, 0, nullptr, 0, 0), "BCryptCreateHash"); }
  ~State() {
    if (hash != nullptr) cng.destroy_hash(hash);
    if (algorithm != nullptr) cng.close_algorithm(algorithm, 0);
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  Check(state_->cng.open_algorithm(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0),
        "BCryptOpenAlgorithmProvider");
  state_->NewHash();
}

Sha256::~Sha256() = default;

void Sha256::Update(const std::uint8_t* data, std::size_t size) {
  // BCryptHashData takes a 32-bit length.
  while (size != 0) {
    const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(size, 0x40000000));
    Check(state_->cng.hash_data(state_->hash, const_cast<PUCHAR>(data), piece, 0), "BCryptHashData");
    data += piece;
    size -= piece;
  }
}

Sha256::Digest Sha256::Finish() {
  Digest digest{};
  Check(state_->cng.finish_hash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0),
        "BCryptFinishHash");
  state_->cng.destroy_hash(state_->hash);
  state_->hash = nullptr;
  state_->NewHash();
  return digest;
}

}  // namespace codehdr::tool
