// SHA-256 through OpenSSL's EVP interface (libcrypto).
#include <openssl/err.h>
#include <openssl/evp.h>

#include <stdexcept>
#include <string>

#include "sha256.h"

namespace codehdr::tool {

namespace {

[[noreturn]] void Fail(const char* what) {
  char text[256] = "no detail";
  if (const unsigned long code = ERR_get_error(); code != 0) ERR_error_string_n(code, text, sizeof text);
  throw std::runtime_error(std::string("SHA-256: ") + what + " failed (" + text + ")");
}

// OpenSSL 3 looks EVP_sha256() up in its providers at every initialisation;
// fetched once, the implementation is reused by every object and thread.
const EVP_MD* Algorithm() {
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
  static EVP_MD* const fetched = EVP_MD_fetch(nullptr, "SHA256", nullptr);
  if (fetched != nullptr) return fetched;
#endif
  return EVP_sha256();
}

}  // namespace

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  if (state_->context == nullptr) Fail("EVP_MD_CTX_new");
  if (EVP_DigestInit_ex(state_->context, Algorithm(), nullptr) != 1) {
    EVP_MD_CTX_free(state_->context);
    Fail("EVP_DigestInit_ex");
  }
}

Sha256::~Sha256() { EVP_MD_CTX_free(state_->context); }

void Sha256::Update(const std::uint8_t* data, std::size_t size) {
  if (size != 0 && EVP_DigestUpdate(state_->context, data, size) != 1) Fail("EVP_DigestUpdate");
}

Sha256::Digest Sha256::Finish() {
  Digest digest{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(state_->context, digest.data(), &length) != 1 || length != digest.size()) {
    Fail("EVP_DigestFinal_ex");
  }
  if (EVP_DigestInit_ex(state_->context, Algorithm(), nullptr) != 1) Fail("EVP_DigestInit_ex");
  return digest;
}

}  // namespace codehdr::tool
