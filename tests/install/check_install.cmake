# Script mode: install BUILD_DIR into WORK_DIR/prefix, build the consumer with
# find_package and with pkg-config, run both with the device file DEVICES
# beside them; build the C consumer C_SOURCE with gcc as C99 through
# pkg-config, with the struct layout table C_LAYOUT, and run it; run the
# Python tests PYTHON_TESTS with PYTHON against the installed package, which
# finds the installed library by itself. A cross build passes its TOOLCHAIN,
# its C compiler GCC and the EMULATOR command that runs its programs; the
# build machine's Python cannot load its library.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
separate_arguments(emulator UNIX_COMMAND "${EMULATOR}")
set(toolchain)
if(TOOLCHAIN)
  set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "command failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# 1. CMake package.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/cmake-build -Dcodehdr_DIR=${prefix}/lib/cmake/codehdr
    -DCMAKE_CXX_COMPILER=${CXX} ${toolchain})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
file(COPY ${DEVICES} DESTINATION ${WORK_DIR}/cmake-build)
run(${emulator} ${WORK_DIR}/cmake-build/consumer)
message(STATUS "find_package consumer: ${last_output}")

# 2. pkg-config.
find_program(PKG_CONFIG pkg-config REQUIRED)
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs codehdr OUTPUT_VARIABLE flags
                RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know codehdr")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CXX} -std=c++17 ${SOURCE_DIR}/consumer.cpp ${flags} -Wl,-rpath,${prefix}/lib
    -o ${WORK_DIR}/pc-consumer)
file(COPY ${DEVICES} DESTINATION ${WORK_DIR})
run(${emulator} ${WORK_DIR}/pc-consumer)
message(STATUS "pkg-config consumer: ${last_output}")

# 3. The C consumer: C99, pedantic, compiled by gcc (a C compiler, not g++).
if(NOT GCC)  # a native build's C compiler: the build machine's gcc
  find_program(_gcc gcc REQUIRED)
  set(GCC ${_gcc})
endif()
run(${GCC} -std=c99 -Wall -Wextra -pedantic -Werror ${C_SOURCE} ${C_LAYOUT} ${flags} -Wl,-rpath,${prefix}/lib
    -o ${WORK_DIR}/c-consumer)
run(${emulator} ${WORK_DIR}/c-consumer ${WORK_DIR})
message(STATUS "C consumer: ${last_output}")

# 4. The Python tests, on the package as installed (no CODEHDR_LIBRARY).
if(emulator)
  message(STATUS "Python tests on the installed package: not run in a cross build")
  return()
endif()
file(GLOB package_dirs ${prefix}/lib/python3*/*-packages/codehdr ${prefix}/lib/python3/dist-packages/codehdr)
list(LENGTH package_dirs found)
if(NOT found EQUAL 1)
  message(FATAL_ERROR "expected one installed Python package, found: ${package_dirs}")
endif()
get_filename_component(package_root ${package_dirs} DIRECTORY)
unset(ENV{CODEHDR_LIBRARY})
set(ENV{PYTHONPATH} ${package_root})
set(ENV{PYTHONDONTWRITEBYTECODE} 1)
run(${PYTHON} -m pytest -q -p no:cacheprovider ${PYTHON_TESTS} --installed=${package_dirs})
message(STATUS "Python tests on the installed package: ${last_output}")
