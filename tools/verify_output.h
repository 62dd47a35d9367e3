// Printing `codehdr verify` results and the exit status they lead to.
#ifndef CODEHDR_TOOLS_VERIFY_OUTPUT_H
#define CODEHDR_TOOLS_VERIFY_OUTPUT_H

#include <vector>

#include <nlohmann/json.hpp>

#include "image_verify.h"

namespace codehdr::tool {

// Keys: file, status ("verified", "failed", "not checked", "error"), code and
// code_name (null when the library gave no code), reason, tag_id,
// code_version, stored_crc, computed_crc (null when unknown).
nlohmann::ordered_json VerifyJson(const VerifyOutcome& outcome);

// One line per file on standard output; errors go to standard error.
void PrintVerifyText(const VerifyOutcome& outcome);

// 2 when any file could not be read, else 1 when any failed, else 0.
int VerifyExitStatus(const std::vector<VerifyOutcome>& outcomes);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_VERIFY_OUTPUT_H
