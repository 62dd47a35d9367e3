// The --dep LABEL=VER and --dep-type N=VER arguments of `build`, in the order
// they were given on the command line, and adding them to a header object.
#ifndef CODEHDR_TOOLS_DEPENDENCY_ARGS_H
#define CODEHDR_TOOLS_DEPENDENCY_ARGS_H

#include <string>
#include <vector>

class CCodeHeader;

namespace codehdr::tool {

struct DependencyArg {
  bool by_label = true;  // --dep (label) or --dep-type (number)
  std::string text;      // as given: "LABEL=VER" or "N=VER"
};

// Appends every dependency to the object's list, in order. Throws ToolError
// (exit status 1) naming the argument when the library or the tool refuses it.
void AddDependencies(CCodeHeader& header, const std::vector<DependencyArg>& deps);

}  // namespace codehdr::tool

#endif  // CODEHDR_TOOLS_DEPENDENCY_ARGS_H
