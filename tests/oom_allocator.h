// The replacement allocator of the out-of-memory tests (oom_allocator.cpp):
// fails one chosen allocation and counts the blocks alive.
#ifndef CODEHDR_TESTS_OOM_ALLOCATOR_H
#define CODEHDR_TESTS_OOM_ALLOCATOR_H

namespace codehdr::test::oom {

// The nth allocation from now fails, once: std::bad_alloc, or null from the
// nothrow forms.
void Arm(long n);
// Stops failing; true when the armed allocation came and failed.
bool Disarm();
// The blocks allocated and not yet freed.
long LiveBlocks();

}  // namespace codehdr::test::oom

#endif  // CODEHDR_TESTS_OOM_ALLOCATOR_H
