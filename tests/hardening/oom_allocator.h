// Control of the replacement global allocator linked into the out-of-memory
// tests. Every form of operator new counts its calls while armed and throws
// std::bad_alloc at the Nth one (once; later calls succeed again, so that
// cleanup and error paths can allocate). It also counts live blocks, so that
// a test can see that an operation released everything it allocated.
#ifndef CODEHDR_TESTS_HARDENING_OOM_ALLOCATOR_H
#define CODEHDR_TESTS_HARDENING_OOM_ALLOCATOR_H

namespace codehdr::test::oom {

// The nth allocation from now fails (n >= 1).
void Arm(long n);
// Stops counting; true when the armed failure happened.
bool Disarm();
// Blocks allocated through operator new and not yet deleted.
long LiveBlocks();

}  // namespace codehdr::test::oom

#endif  // CODEHDR_TESTS_HARDENING_OOM_ALLOCATOR_H
