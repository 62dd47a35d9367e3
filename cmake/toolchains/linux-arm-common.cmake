# Shared by the ARM Linux toolchain files, which set CODEHDR_LINUX_TRIPLE,
# CMAKE_SYSTEM_PROCESSOR, CODEHDR_QEMU and CODEHDR_QEMU_CPU first. Debian's
# cross compilers (g++-<triple>) build; Debian's qemu-user-static runs the
# test programs, with the cross sysroot /usr/<triple> as the target's root.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${CODEHDR_LINUX_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${CODEHDR_LINUX_TRIPLE}-g++)

# Libraries and headers come from the sysroot only (cmake/CodehdrCrossDeps.cmake
# stages the few the tool and the tests need); programs (qemu) from the build
# machine.
set(CMAKE_FIND_ROOT_PATH /usr/${CODEHDR_LINUX_TRIPLE})
set(CMAKE_LIBRARY_ARCHITECTURE ${CODEHDR_LINUX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs the test programs through qemu-user. -cpu max offers every
# extension qemu implements, so each CRC kernel runs; CODEHDR_QEMU_CPU picks
# another model (one without the CRC extensions, say). With -L the target's
# loader comes from the sysroot, but it would still search the build
# machine's multiarch folders (/lib/<triple>) before the sysroot's /lib, and
# a C library of another build from there breaks threads: LD_LIBRARY_PATH=/lib
# (inside the sysroot, for the emulated program) puts the sysroot's first.
set(CODEHDR_QEMU_CPU max CACHE STRING "qemu-user CPU model the tests run on")
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(CODEHDR_QEMU_PROGRAM NAMES ${CODEHDR_QEMU} NO_CMAKE_FIND_ROOT_PATH)
  if(CODEHDR_QEMU_PROGRAM)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CODEHDR_QEMU_PROGRAM} -L /usr/${CODEHDR_LINUX_TRIPLE} -E LD_LIBRARY_PATH=/lib
        -cpu ${CODEHDR_QEMU_CPU})
  endif()
endif()
