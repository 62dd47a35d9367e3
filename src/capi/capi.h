// What the C interface's files share: the objects behind its opaque handles,
// the struct_size rules, and the guard that keeps exceptions inside.
#ifndef CODEHDR_SRC_CAPI_CAPI_H
#define CODEHDR_SRC_CAPI_CAPI_H

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

#include <codehdr/c.h>
#include <codehdr/core.h>
#include <codehdr/devices.h>
#include <codehdr/header.h>
#include <codehdr/image.h>
#include <codehdr/release.h>

struct codehdr_header {
  codehdr::Header header;
  std::vector<std::uint8_t> bytes;
  std::optional<codehdr::HeaderCheck> check;
};

struct codehdr_devices {
  codehdr::DeviceTable table;
};

struct codehdr_release {
  std::vector<codehdr::ReleaseImage> images;
  codehdr::ReleaseReport report;  // of the last check
};

struct codehdr_verifier {
  explicit codehdr_verifier(std::uint8_t expectedTag) : verifier(expectedTag) {}
  codehdr::ImageVerifier verifier;
};

namespace codehdr::capi {

constexpr int kOk = CODEHDR_STATUS_OK;
constexpr int kInvalid = CODEHDR_STATUS_INVALID_ARGUMENT;

inline int ToInt(Status status) { return static_cast<int>(status); }

// Whether `value` is the number of a Status.
inline bool IsStatus(int value) { return value >= 0 && value < kStatusCount; }

// The core's name for the enum value `value`, or null for a number outside
// the enum's underlying type (the core answers null for the rest).
template <typename Enum>
const char* EnumName(int value, const char* (*name)(Enum)) {
  using Underlying = std::underlying_type_t<Enum>;
  if (value < 0 || value > static_cast<int>(std::numeric_limits<Underlying>::max())) return nullptr;
  return name(static_cast<Enum>(value));
}

// The size of each struct's first version: the smallest struct_size a
// caller may pass. When a struct gains fields, its entry here keeps the old
// size (offsetof its first new field).
template <typename T>
constexpr std::size_t kFirstSize = sizeof(T);

// A caller's struct that can be read or written.
template <typename T>
bool Usable(const T* s) {
  return s != nullptr && s->struct_size >= kFirstSize<T>;
}

// The caller's struct as this library knows it: the bytes within its
// struct_size, zero beyond.
template <typename T>
T In(const T* s) {
  static_assert(std::is_trivially_copyable_v<T>);
  T value{};
  std::memcpy(&value, s, std::min(s->struct_size, sizeof(T)));
  return value;
}

// Writes `value` into the caller's struct, no byte past its struct_size;
// struct_size itself stays.
template <typename T>
void Out(T* s, T value) {
  static_assert(std::is_trivially_copyable_v<T>);
  value.struct_size = s->struct_size;
  std::memcpy(s, &value, std::min(s->struct_size, sizeof(T)));
}

// Runs `body`, which returns a status. The core throws only for lack of
// memory (std::bad_alloc, or a length error for a size no allocation could
// hold): any exception becomes CODEHDR_STATUS_OUT_OF_MEMORY at the boundary.
template <typename Body>
int Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return CODEHDR_STATUS_OUT_OF_MEMORY;
  }
}

// A new object, or null when out of memory (its constructor's allocations
// included).
template <typename T, typename... Args>
T* New(Args&&... args) noexcept {
  try {
    return new T(std::forward<Args>(args)...);
  } catch (...) {
    return nullptr;
  }
}

// Hands a verification to the caller: a copy of its header into the header
// object the report names, its fields into the report. Returns its status.
int DeliverCopy(const VerifyReport& report, codehdr_verify_report* out);

// A byte range that may be null only when empty.
inline bool Range(const void* data, std::size_t size) { return data != nullptr || size == 0; }

inline const std::uint8_t* Bytes(const void* data) { return static_cast<const std::uint8_t*>(data); }

}  // namespace codehdr::capi

#endif  // CODEHDR_SRC_CAPI_CAPI_H
