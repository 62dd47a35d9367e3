// Verifies many files on a pool of threads, one header object per thread.
// Results come back in the order of the file list.
#ifndef CODEHDR_TOOLS_VERIFY_POOL_H
#define CODEHDR_TOOLS_VERIFY_POOL_H

#include <string>
#include <vector>

#include "image_verify.h"

namespace codehdr::tool {

// `jobs` 0 means one thread per core.
std::vector<VerifyOutcome> VerifyAll(const std::vector<std::string>& files, unsigned int jobs,
                                     unsigned char expected_tag);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_VERIFY_POOL_H
