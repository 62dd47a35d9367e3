// Names and sentences for the library's result codes. Some codes mean
// different things while building a header and while checking one; the
// context picks the sentence.
#ifndef CODEHDR_TOOLS_RESULT_CODES_H
#define CODEHDR_TOOLS_RESULT_CODES_H

#include <string>

namespace codehdr::tool {

enum class ResultContext { kBuild, kCheck };

// "ERR_CRC_MISMATCH"; "unknown result code" for a code the library does not have.
std::string ResultName(unsigned int code);

// What the code means, as a sentence without a final full stop.
std::string ResultSentence(unsigned int code, ResultContext context);

// "ERR_CRC_MISMATCH (1050): the CRC stored in the header differs ..."
std::string DescribeResult(unsigned int code, ResultContext context = ResultContext::kBuild);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_RESULT_CODES_H
