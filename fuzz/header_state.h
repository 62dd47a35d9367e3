// The parsed fields of a CCodeHeader (dependency list and comment), to compare
// the object before and after an operation.
#ifndef CODEHDR_FUZZ_HEADER_STATE_H
#define CODEHDR_FUZZ_HEADER_STATE_H

#include <string>
#include <vector>

#include <codehdr/code_header.h>

namespace codehdr::fuzz {

struct HeaderFields {
  std::vector<std::string> deps;  // type and the 16 version bytes
  bool hasComment = false;
  std::string comment;
  unsigned char commentLen = 0;

  static HeaderFields Of(CCodeHeader& h) {
    HeaderFields f;
    for (int i = 0; i < h.dependencyList.Count(); ++i) {
      const dependencyInfo& d = h.dependencyList.At(i);
      f.deps.push_back(std::to_string(d.depType) + ":" + std::string(d.depVer, sizeof d.depVer));
    }
    f.hasComment = h.comment != nullptr;
    if (h.comment != nullptr) f.comment = h.comment;
    f.commentLen = h.commentLen;
    return f;
  }

  bool operator==(const HeaderFields& o) const {
    return deps == o.deps && hasComment == o.hasComment && comment == o.comment && commentLen == o.commentLen;
  }
};

}  // namespace codehdr::fuzz

#endif  // CODEHDR_FUZZ_HEADER_STATE_H
