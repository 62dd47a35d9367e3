# cmake --install: headers, the shared library, a CMake package
# (find_package(codehdr CONFIG) -> codehdr::codehdr) and codehdr.pc.
include(CMakePackageConfigHelpers)

set(CODEHDR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/codehdr)

install(TARGETS codehdr EXPORT codehdrTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/codehdr
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
install(EXPORT codehdrTargets NAMESPACE codehdr:: DESTINATION ${CODEHDR_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/codehdrConfig.cmake.in
  ${PROJECT_BINARY_DIR}/codehdrConfig.cmake
  INSTALL_DESTINATION ${CODEHDR_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/codehdrConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/codehdrConfig.cmake ${PROJECT_BINARY_DIR}/codehdrConfigVersion.cmake
  DESTINATION ${CODEHDR_CMAKE_DIR})

# The .pc file finds its prefix relative to its own folder, so the install
# can be moved or staged under any prefix.
file(RELATIVE_PATH CODEHDR_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/codehdr.pc.in ${PROJECT_BINARY_DIR}/codehdr.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/codehdr.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
