// The WebAssembly module's program: it has no work of its own. The page and
// the tests call the C interface, which the link exports; this entry point
// only lets the module start under a browser or Node.
int main() { return 0; }
