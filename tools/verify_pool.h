// Verifies image files, many at once on a pool of threads. Results come back
// in the order of the file list.
#ifndef CODEHDR_TOOLS_VERIFY_POOL_H
#define CODEHDR_TOOLS_VERIFY_POOL_H

#include <cstdint>
#include <string>
#include <vector>

#include <codehdr/image.h>

namespace codehdr::tool {

struct VerifyOutcome {
  VerifyReport report;
  std::string exception;  // set when verifying threw (out of memory); report is then unused
};

// Verifies one file ("-": standard input, to its end).
VerifyReport VerifyInput(const std::string& file, std::uint8_t expected_tag);

// Verifies every file with VerifyInput on `jobs` threads (0: one per core).
std::vector<VerifyOutcome> VerifyAll(const std::vector<std::string>& files, unsigned int jobs,
                                     std::uint8_t expected_tag);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_VERIFY_POOL_H
