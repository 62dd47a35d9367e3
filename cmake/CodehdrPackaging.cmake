# CPack from the build tree: `cpack -G DEB` makes one Debian package per
# install component, `cpack -G TGZ` one tarball of the whole install tree.
# scripts/package.sh runs both.
#
#   libcodehdr1     runtime      libcodehdr.so.1 and the file it points to
#   libcodehdr-dev  development  headers, CMake package, codehdr.pc, libcodehdr.so
#   codehdr         tool         the program, its man page and bash completion
#   python3-codehdr python       the Python package (pure Python, Architecture: all)
#
# Versions come from project(): the packages are ${PROJECT_VERSION}, and the
# runtime package is named after the SONAME's version, so a new SONAME makes
# a new package that installs beside the old one.
# Windows: one ZIP of the whole install tree, codehdr-VERSION-win64.zip or
# codehdr-VERSION-win32.zip (scripts/test_windows.sh makes both).
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_PACKAGE_NAME codehdr)
  set(CPACK_PACKAGE_VENDOR "codehdr developers")
  set(CPACK_PACKAGE_FILE_NAME codehdr-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
  set(CPACK_GENERATOR ZIP)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  include(CPack)
  return()
endif()

get_target_property(CODEHDR_SOVERSION codehdr SOVERSION)
get_target_property(CODEHDR_LIBRARY_BUILD_DIR codehdr BINARY_DIR)

set(CPACK_PACKAGE_NAME codehdr)
set(CPACK_PACKAGE_VENDOR "codehdr developers")
set(CPACK_PACKAGE_CONTACT "codehdr developers <codehdr@localhost>")
# Empty on purpose: each Debian package's summary is the first line of its
# own description below, and CPack would put a shared one in front of it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)

set(CPACK_COMPONENTS_ALL runtime development python)
if(CODEHDR_BUILD_TOOLS)
  list(APPEND CPACK_COMPONENTS_ALL tool)
endif()
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_TOOL_DEPENDS runtime)
set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)

# The tarball holds every component under one top-level folder.
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)

set(CPACK_DEB_COMPONENT_INSTALL ON)
# A cross build's packages are for its target (dpkg's own name of it), not
# for the build machine that CPack would otherwise ask.
if(CMAKE_CROSSCOMPILING)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^arm")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
  endif()
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Component dependencies become "Depends: libcodehdr1 (= version)".
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The C++ runtime and libc through dpkg-shlibdeps, and for the tool OpenSSL's
# libcrypto (libssl3, for the SHA-256 of release manifests); the library
# itself links nothing else. libcodehdr.so.1 itself is found in the build
# tree; its dependency comes from the component above.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CODEHDR_LIBRARY_BUILD_DIR})
# libcodehdr1 ships a shlibs file, so packages built against it elsewhere
# depend on "libcodehdr1 (>= this version)".
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(_codehdr_about "codehdr builds the binary code header that starts every firmware code
image file, takes it out of an image again, parses and validates it field by
field, and verifies a whole file against the CRC-32 stored in its header.")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libcodehdr${CODEHDR_SOVERSION})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "library for firmware code image headers
${_codehdr_about}

This package holds the shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libcodehdr-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "library for firmware code image headers - development files
${_codehdr_about}

This package holds the C++ headers, the CMake package (codehdr::codehdr)
and the pkg-config file (codehdr.pc).")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME codehdr)
# The tool loads OpenSSL's libcrypto on first use, which dpkg-shlibdeps cannot
# see: its package (libssl3 on Debian 12) is named here, as dpkg knows it.
if(CODEHDR_BUILD_TOOLS AND OPENSSL_CRYPTO_LIBRARY)
  get_filename_component(_crypto_file ${OPENSSL_CRYPTO_LIBRARY} REALPATH)
  execute_process(COMMAND dpkg-query -S ${_crypto_file} OUTPUT_VARIABLE _crypto_owner ERROR_QUIET
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(_crypto_owner MATCHES "^([a-z0-9.+-]+)(:[a-z0-9]+)?: ")
    set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS ${CMAKE_MATCH_1})
  endif()
endif()
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOL_DESCRIPTION "build, inspect and verify firmware code images
${_codehdr_about}

This package holds the codehdr command-line tool, with its manual page and
bash completion.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-codehdr)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
# Pure Python: the same package on every architecture; the library it loads
# comes from libcodehdr1.
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3")
# Byte code compiled on installation and removed before removal (py3compile,
# py3clean), as in Debian's own Python packages.
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/python3-codehdr/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/python3-codehdr/prerm)
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "firmware code image headers - Python package
${_codehdr_about}

This package holds the Python package codehdr, which uses the library
through its C interface (ctypes).")

include(CPack)
