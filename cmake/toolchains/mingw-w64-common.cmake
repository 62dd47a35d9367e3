# Shared by the MinGW-w64 toolchain files, which set CODEHDR_MINGW_TRIPLE and
# CODEHDR_WINE_CANDIDATES first. The posix flavour of the compilers is used:
# std::thread needs it.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${CODEHDR_MINGW_TRIPLE})

set(CMAKE_C_COMPILER ${CODEHDR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CODEHDR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CODEHDR_MINGW_TRIPLE}-windres)

# Libraries and packages come from the target's tree only; programs (objdump,
# wine) from the build machine. Folders on CMAKE_PREFIX_PATH (an unpacked
# Windows package, say) are part of the target's tree: as roots they are
# searched as they are, not looked for under /usr/TRIPLE.
set(CMAKE_FIND_ROOT_PATH /usr/${CODEHDR_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
if(DEFINED ENV{CMAKE_PREFIX_PATH})
  string(REPLACE ":" ";" _codehdr_env_prefixes "$ENV{CMAKE_PREFIX_PATH}")
  list(APPEND CMAKE_FIND_ROOT_PATH ${_codehdr_env_prefixes})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs the test programs through Wine.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(CODEHDR_WINE NAMES ${CODEHDR_WINE_CANDIDATES} NO_CMAKE_FIND_ROOT_PATH)
  if(CODEHDR_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CODEHDR_WINE})
  endif()
endif()
