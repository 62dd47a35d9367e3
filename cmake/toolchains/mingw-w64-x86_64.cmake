# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (package
# g++-mingw-w64-x86-64-posix). Tests run under Wine:
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
set(CODEHDR_MINGW_TRIPLE x86_64-w64-mingw32)
# The 64-bit loader itself: the /usr/bin/wine wrapper may start the 32-bit one.
set(CODEHDR_WINE_CANDIDATES /usr/lib/wine/wine64 wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
