// Whole files: the input is written to a temporary file, then verified with
// DoVerifyHeader, tested with both IsNewHeader forms, and extracted with the
// file form for lengths shorter than, equal to and longer than the file. The
// file form must agree with the bounded buffer form over the bytes it read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <codehdr/code_header.h>

#include "guarded_buffer.h"
#include "header_checks.h"
#include "header_state.h"
#include "temp_dir.h"

namespace {

using codehdr::fuzz::GuardedBuffer;
using codehdr::fuzz::TempDir;

int ExpectedIsNew(const std::uint8_t* data, std::size_t size) {
  return size >= 4 && data[0] == 0xC9 && data[1] == 0xC9 && data[2] == 0xC9 && data[3] == 0xC9 ? 1 : 0;
}

void CheckIsNewHeader(const std::string& path, const std::uint8_t* data, std::size_t size) {
  CCodeHeader h;
  if (h.IsNewHeader(path.c_str()) != ExpectedIsNew(data, size)) std::abort();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) std::abort();
  std::fseek(f, 0, SEEK_END);  // the test starts from the beginning anyway
  if (h.IsNewHeader(f) != ExpectedIsNew(data, size)) std::abort();
  if (size >= 4 && std::ftell(f) != 4) std::abort();
  std::fclose(f);
}

// The file form for `length` bytes agrees with the buffer form over the
// bytes that length takes from the file.
void CheckFileExtraction(const std::string& path, const std::uint8_t* data, std::size_t size, long length) {
  CCodeHeader fromFile;
  const unsigned short got = fromFile.ExtractHdrFromCompressedCodeFile(path.c_str(), length);
  const std::size_t taken = length <= 0 ? 0 : (static_cast<std::size_t>(length) < size ? static_cast<std::size_t>(length) : size);
  GuardedBuffer prefix(data, taken);
  CCodeHeader fromMemory;
  const unsigned short want = fromMemory.ExtractHdrFromCompressedCodeFile(prefix.data(), taken);
  if (got != want) std::abort();
  codehdr::fuzz::CheckExtraction(fromFile, got, prefix.data(), taken);
  if (!(codehdr::fuzz::HeaderFields::Of(fromFile) == codehdr::fuzz::HeaderFields::Of(fromMemory))) std::abort();
}

void CheckVerify(const std::string& path, const std::uint8_t* data, std::size_t size) {
  CCodeHeader h;
  const int any = h.DoVerifyHeader(path.c_str(), 0, 0);
  if (any != 0 && any != 1) std::abort();
  if (size == 0 || data[0] != 0xC9) {
    if (any != 1) std::abort();  // nothing to validate
  }
  if (any == 1 && size >= 29 && data[0] == 0xC9 && h.compressedCodeHeader != nullptr && !h.oldStyleHeader) {
    // A file that verifies for any tag verifies for its own.
    CCodeHeader again;
    if (again.DoVerifyHeader(path.c_str(), 12345, data[28]) != 1) std::abort();
  }
  codehdr::fuzz::CheckGuardedAccessors(h);
  if (h.compressedCodeHeader != nullptr && !h.oldStyleHeader && h.GetHeaderTotalSize() > 4) {
    codehdr::fuzz::CheckNewStyleAccessors(h);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TempDir dir;
  const std::string path = dir.WriteFile("image.bin", data, size);
  CheckVerify(path, data, size);
  CheckIsNewHeader(path, data, size);
  const long n = static_cast<long>(size);
  for (long length : {n, n - 1, n / 2, n + 1, n + 4096, 0L, -1L}) CheckFileExtraction(path, data, size, length);
  return 0;
}
