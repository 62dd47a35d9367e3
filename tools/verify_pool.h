// Verifies image files, many at once on a pool of threads. Results come back
// in the order of the file list. Each file is read once: whatever else needs
// its bytes (a SHA-256) sees the same chunks the verifier sees.
#ifndef CODEHDR_TOOLS_VERIFY_POOL_H
#define CODEHDR_TOOLS_VERIFY_POOL_H

#include <cstdint>
#include <string>
#include <vector>

#include <codehdr/file_io.h>
#include <codehdr/image.h>

namespace codehdr::tool {

struct VerifyOutcome {
  VerifyReport report;
  // The file's SHA-256 (64 hex digits) when it was asked for and the file
  // was read whole; else empty.
  std::string sha256;
  // Set when verifying threw (out of memory); the report is then a failure
  // with kOutOfMemory.
  std::string exception;
};

// Verifies one file ("-": standard input, to its end). `also`, when set, is
// handed every chunk after the verifier, while it is still in cache.
VerifyReport VerifyInput(const std::string& file, std::uint8_t expected_tag, const ChunkSink& also = ChunkSink());

// Verifies every file with VerifyInput on `jobs` threads (0: one per core),
// with each file's SHA-256 when `sha256`.
std::vector<VerifyOutcome> VerifyAll(const std::vector<std::string>& files, unsigned int jobs,
                                     std::uint8_t expected_tag, bool sha256 = false);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_VERIFY_POOL_H
