#include "common/trace.h"

namespace codehdr {

void Trace(const char* /*format*/, ...) {}

}  // namespace codehdr
