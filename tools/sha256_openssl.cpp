// SHA-256 through OpenSSL's EVP interface (libcrypto). libcrypto is loaded
// when the first digest is made, not when the program starts: only check's
// manifests need it, and loading it costs every other command about 3 ms and
// 1.6 MiB (measured on `codehdr modes`). The functions are declared by
// OpenSSL's own headers, so their types are checked when the tool is built.
#include <dlfcn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/opensslv.h>

#include <stdexcept>
#include <string>
#include <type_traits>

#include "sha256.h"

#if OPENSSL_VERSION_MAJOR < 3
#error "the tool needs the headers of OpenSSL 3 or later"
#endif

namespace codehdr::tool {

namespace {

#define CODEHDR_STRINGIFY2(x) #x
#define CODEHDR_STRINGIFY(x) CODEHDR_STRINGIFY2(x)
// The SONAME of the libcrypto whose headers the tool was built with, e.g. libcrypto.so.3.
constexpr const char* kLibrary = "libcrypto.so." CODEHDR_STRINGIFY(OPENSSL_SHLIB_VERSION);

// The libcrypto functions the digest uses, looked up once (thread-safe).
struct Crypto {
  decltype(&EVP_MD_fetch) md_fetch = nullptr;
  decltype(&EVP_MD_CTX_new) ctx_new = nullptr;
  decltype(&EVP_MD_CTX_free) ctx_free = nullptr;
  decltype(&EVP_DigestInit_ex) init = nullptr;
  decltype(&EVP_DigestUpdate) update = nullptr;
  decltype(&EVP_DigestFinal_ex) finish = nullptr;
  decltype(&ERR_get_error) get_error = nullptr;
  decltype(&ERR_error_string_n) error_string = nullptr;
  // OpenSSL 3 looks SHA-256 up in its providers at every initialisation;
  // fetched once, the implementation is reused by every object and thread.
  EVP_MD* sha256 = nullptr;
  std::string problem;  // why libcrypto cannot be used, or empty

  Crypto() {
    void* library = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* why = ::dlerror();
      problem = std::string("cannot load ") + kLibrary + " (OpenSSL): " + (why != nullptr ? why : "not found");
      return;
    }
    // The library stays loaded for the rest of the process.
    const auto find = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
      if (function == nullptr && problem.empty()) problem = std::string(kLibrary) + " has no " + name;
    };
    find(md_fetch, "EVP_MD_fetch");
    find(ctx_new, "EVP_MD_CTX_new");
    find(ctx_free, "EVP_MD_CTX_free");
    find(init, "EVP_DigestInit_ex");
    find(update, "EVP_DigestUpdate");
    find(finish, "EVP_DigestFinal_ex");
    find(get_error, "ERR_get_error");
    find(error_string, "ERR_error_string_n");
    if (problem.empty()) sha256 = md_fetch(nullptr, "SHA256", nullptr);
    if (problem.empty() && sha256 == nullptr) problem = "OpenSSL offers no SHA-256";
  }
};

const Crypto& Lib() {
  static const Crypto crypto;
  if (!crypto.problem.empty()) throw std::runtime_error("SHA-256: " + crypto.problem);
  return crypto;
}

[[noreturn]] void Fail(const char* what) {
  char text[256] = "no detail";
  if (const unsigned long code = Lib().get_error(); code != 0) Lib().error_string(code, text, sizeof text);
  throw std::runtime_error(std::string("SHA-256: ") + what + " failed (" + text + ")");
}

}  // namespace

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  const Crypto& crypto = Lib();
  state_->context = crypto.ctx_new();
  if (state_->context == nullptr) Fail("EVP_MD_CTX_new");
  if (crypto.init(state_->context, crypto.sha256, nullptr) != 1) {
    crypto.ctx_free(state_->context);
    Fail("EVP_DigestInit_ex");
  }
}

// A constructed object has a context, so libcrypto is loaded.
Sha256::~Sha256() { Lib().ctx_free(state_->context); }

void Sha256::Update(const std::uint8_t* data, std::size_t size) {
  if (size != 0 && Lib().update(state_->context, data, size) != 1) Fail("EVP_DigestUpdate");
}

Sha256::Digest Sha256::Finish() {
  const Crypto& crypto = Lib();
  Digest digest{};
  unsigned int length = 0;
  if (crypto.finish(state_->context, digest.data(), &length) != 1 || length != digest.size()) {
    Fail("EVP_DigestFinal_ex");
  }
  if (crypto.init(state_->context, crypto.sha256, nullptr) != 1) Fail("EVP_DigestInit_ex");
  return digest;
}

}  // namespace codehdr::tool
