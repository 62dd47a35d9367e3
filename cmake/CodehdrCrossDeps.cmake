# Dependencies of the tool and the tests when cross-compiling: the
# header-only libraries come from the build machine (a staged folder with
# only their headers, never the machine's whole include directory), and
# GoogleTest is built from Debian's sources (package googletest) with the
# cross compiler.
# The command line that runs a program of the target on this machine, for the
# build steps and tests that start the tool or a consumer themselves (a Linux
# target's emulator; Windows programs start each other under Wine as they are).
if(NOT WIN32)
  string(REPLACE ";" " " CODEHDR_EMULATOR_COMMAND "${CMAKE_CROSSCOMPILING_EMULATOR}")
endif()

set(CODEHDR_HOST_INCLUDE_DIR /usr/include CACHE PATH "Where the header-only CLI11 and nlohmann-json are")
set(CODEHDR_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build the tests with")

set(_staged ${PROJECT_BINARY_DIR}/host-headers)
foreach(dir CLI nlohmann)
  if(NOT EXISTS ${CODEHDR_HOST_INCLUDE_DIR}/${dir})
    message(FATAL_ERROR "${CODEHDR_HOST_INCLUDE_DIR}/${dir} not found (packages libcli11-dev, nlohmann-json3-dev)")
  endif()
  file(MAKE_DIRECTORY ${_staged})
  file(CREATE_LINK ${CODEHDR_HOST_INCLUDE_DIR}/${dir} ${_staged}/${dir} SYMBOLIC)
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${_staged})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${_staged})

# The Linux tool loads OpenSSL's libcrypto at run time and needs only its
# headers: the common ones with the target's configuration headers from
# Debian's multiarch package (libssl-dev:<arch>), staged into one folder.
if(NOT WIN32 AND CODEHDR_BUILD_TOOLS)
  set(_openssl_arch ${CODEHDR_HOST_INCLUDE_DIR}/${CMAKE_LIBRARY_ARCHITECTURE}/openssl)
  if(NOT EXISTS ${_openssl_arch}/configuration.h)
    message(FATAL_ERROR "${_openssl_arch}/configuration.h not found (package libssl-dev:<target architecture>)")
  endif()
  set(_openssl_staged ${PROJECT_BINARY_DIR}/openssl-headers)
  file(GLOB _openssl_headers ${CODEHDR_HOST_INCLUDE_DIR}/openssl/*.h ${_openssl_arch}/*.h)
  file(MAKE_DIRECTORY ${_openssl_staged}/openssl)
  foreach(header ${_openssl_headers})
    get_filename_component(_name ${header} NAME)
    file(CREATE_LINK ${header} ${_openssl_staged}/openssl/${_name} SYMBOLIC)
  endforeach()
  set(OPENSSL_INCLUDE_DIR ${_openssl_staged} CACHE PATH "OpenSSL headers for the target" FORCE)
  set(OPENSSL_CRYPTO_LIBRARY /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/libcrypto.so CACHE FILEPATH
      "The target's libcrypto (loaded at run time, never linked)" FORCE)
endif()

if(CODEHDR_BUILD_TESTS)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${CODEHDR_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(NOT TARGET GTest::gtest)  # newer GoogleTest sources name them so themselves
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
