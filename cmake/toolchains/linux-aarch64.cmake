# Cross-compiling for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu.
# Tests run under qemu-aarch64-static (package qemu-user-static):
#   cmake -S . -B build/arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/linux-aarch64.cmake
set(CODEHDR_LINUX_TRIPLE aarch64-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CODEHDR_QEMU qemu-aarch64-static)
include(${CMAKE_CURRENT_LIST_DIR}/linux-arm-common.cmake)
