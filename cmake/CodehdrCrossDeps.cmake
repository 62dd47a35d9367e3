# Dependencies of the tool and the tests when cross-compiling: the
# header-only libraries come from the build machine (a staged folder with
# only their headers, never the machine's whole include directory), and
# GoogleTest is built from Debian's sources (package googletest) with the
# cross compiler.
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

if(CODEHDR_BUILD_TESTS)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${CODEHDR_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(NOT TARGET GTest::gtest)  # newer GoogleTest sources name them so themselves
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
