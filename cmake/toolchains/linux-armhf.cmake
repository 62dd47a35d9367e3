# Cross-compiling for 32-bit ARM Linux (ARMv7 hard-float, Debian armhf) with
# Debian's g++-arm-linux-gnueabihf. Tests run under qemu-arm-static (package
# qemu-user-static):
#   cmake -S . -B build/armhf -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/linux-armhf.cmake
set(CODEHDR_LINUX_TRIPLE arm-linux-gnueabihf)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CODEHDR_QEMU qemu-arm-static)
include(${CMAKE_CURRENT_LIST_DIR}/linux-arm-common.cmake)
# File sizes and offsets are 64-bit although size_t is 32-bit: images over
# 4 GiB are read and verified as on 64-bit systems. (-Wno-psabi: GCC notes
# at every std::vector of 64-bit values that GCC 7.1 changed how they are
# passed; everything here is built by one newer GCC.)
set(CMAKE_C_FLAGS_INIT "-D_FILE_OFFSET_BITS=64 -Wno-psabi")
set(CMAKE_CXX_FLAGS_INIT "-D_FILE_OFFSET_BITS=64 -Wno-psabi")
