# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 (package
# g++-mingw-w64-i686-posix). Tests run under Wine with its 32-bit loader
# (package wine32:i386):
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake
set(CODEHDR_MINGW_TRIPLE i686-w64-mingw32)
set(CODEHDR_WINE_CANDIDATES /usr/lib/wine/wine wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
