# cmake --install: headers, the shared library, a CMake package
# (find_package(codehdr CONFIG) -> codehdr::codehdr) and codehdr.pc.
# Every file belongs to an install component, one per Debian package:
# `runtime` (the versioned library and its SONAME link), `development`
# (headers, CMake package, codehdr.pc, the unversioned .so link), `tool`
# (the codehdr program with its man page and completion, in tools/) and
# `python` (the Python package, CodehdrPython.cmake).
include(CMakePackageConfigHelpers)

set(CODEHDR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/codehdr)

install(TARGETS codehdr EXPORT codehdrTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/codehdr
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development
  FILES_MATCHING PATTERN "*.h")
install(EXPORT codehdrTargets NAMESPACE codehdr:: DESTINATION ${CODEHDR_CMAKE_DIR} COMPONENT development)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/codehdrConfig.cmake.in
  ${PROJECT_BINARY_DIR}/codehdrConfig.cmake
  INSTALL_DESTINATION ${CODEHDR_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/codehdrConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/codehdrConfig.cmake ${PROJECT_BINARY_DIR}/codehdrConfigVersion.cmake
  DESTINATION ${CODEHDR_CMAKE_DIR} COMPONENT development)

# The .pc file finds its prefix relative to its own folder, so the install
# can be moved or staged under any prefix.
# Windows builds set their own link line (CodehdrWindows.cmake).
if(NOT DEFINED CODEHDR_PC_LIBS)
  set(CODEHDR_PC_LIBS "-L\${libdir} -lcodehdr")
endif()
file(RELATIVE_PATH CODEHDR_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/codehdr.pc.in ${PROJECT_BINARY_DIR}/codehdr.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/codehdr.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)

# Windows: the DLL's export list (codehdr.def) and the C API's import
# library for MSVC-ABI linkers (codehdr.lib), the GCC runtime DLLs an x86 build needs beside the
# programs, and at the top a sample device control file, the README and the
# changelog.
if(WIN32)
  install(FILES ${CODEHDR_DEF_FILE} ${CODEHDR_MSVC_IMPORT_FILE} DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT development)
  if(CODEHDR_RUNTIME_DLLS)
    install(FILES ${CODEHDR_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/data/virevuz.txt ${PROJECT_SOURCE_DIR}/README.md
    ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION . COMPONENT runtime)
endif()
