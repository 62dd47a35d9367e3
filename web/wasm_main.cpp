// The WebAssembly module's program. It has no work of its own (the page calls
// the C interface, which the link exports; main only lets the module start),
// but it holds the struct layout that the page's marshalling
// (web/page/codehdr_wasm.js) reads: the table every caller's compiler checks
// (tests/install/consumer_c/c_layout.c, its 32-bit column here), so that a
// change to <codehdr/c.h> that moves a field fails this build instead of
// misleading the page.
#include <cstddef>

#include "../tests/install/consumer_c/c_layout.c"

int main() { return 0; }
