# Windows builds (MinGW-w64, usually cross-compiled from Linux with the
# toolchain files in cmake/toolchains/).

# GCC assumes 32-byte stack alignment when it spills AVX registers, which
# Windows does not give (16 bytes on x64, 4 on x86): aligned moves to such
# spill slots would fault. The assembler turns every aligned vector move into
# its unaligned form, which is as fast on aligned data.
add_compile_options(-Wa,-muse-unaligned-vector-move)
# On x86, GCC also assumes that a caller left the stack 16-byte aligned and
# folds 16-byte spill slots into SSE instructions that fault when they are
# not; the Windows x86 ABI promises 4 bytes, and a program built by another
# compiler may call the DLL so. Functions that need more realign the stack.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_options(-mincoming-stack-boundary=2)
endif()

# Written when the DLL is linked: what it exports (src/CMakeLists.txt).
set(CODEHDR_DEF_FILE ${PROJECT_BINARY_DIR}/codehdr.def)

# codehdr.lib: the C API's import library for programs of the MSVC ABI,
# made from that export list by LLVM's dlltool (Debian package llvm).
option(CODEHDR_MSVC_IMPORT_LIBRARY "Make codehdr.lib, the C API's import library for MSVC-ABI linkers" ON)
if(CODEHDR_MSVC_IMPORT_LIBRARY)
  find_program(CODEHDR_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-16 llvm-dlltool-15 llvm-dlltool-14)
  if(NOT CODEHDR_LLVM_DLLTOOL)
    message(FATAL_ERROR "llvm-dlltool not found (Debian package llvm); "
                        "or configure with -DCODEHDR_MSVC_IMPORT_LIBRARY=OFF")
  endif()
  set(CODEHDR_MSVC_IMPORT_FILE ${PROJECT_BINARY_DIR}/codehdr.lib)
endif()

# Every program and the DLL in one folder, so that programs find the DLL in a
# build tree as they do in an installed one.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)

# The GCC runtimes go into the DLL and the programs, so that they start on a
# Windows machine without MinGW. On x86 the unwinder (libgcc) stays a DLL:
# its DWARF unwinding cannot carry an exception from the library into the
# program (a std::bad_alloc, say) when each module has its own copy. That
# DLL and the thread library it needs are then shipped beside the programs.
#
# A MinGW program linked through codehdr.pc gets the same: the C++ runtime
# linked in, and on x64 libgcc too, so that it runs from the package's bin/.
# The thread library that a static C++ runtime still loads as a DLL is
# shipped in bin/ for it on x64 as well. Naming the import library by its
# path lets such a program link with -static too.
set(CODEHDR_RUNTIME_DLLS)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_link_options(-static)
  set(_runtime_dlls libwinpthread-1.dll)
  set(CODEHDR_PC_LIBS "\${libdir}/libcodehdr.dll.a -static-libgcc -static-libstdc++")
else()
  add_link_options(-static-libstdc++ -shared-libgcc)
  set(_runtime_dlls libgcc_s_dw2-1.dll libwinpthread-1.dll)
  set(CODEHDR_PC_LIBS "\${libdir}/libcodehdr.dll.a -static-libstdc++ -shared-libgcc")
endif()
foreach(dll IN LISTS _runtime_dlls)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${dll} not found by ${CMAKE_CXX_COMPILER}")
  endif()
  list(APPEND CODEHDR_RUNTIME_DLLS ${path})
endforeach()
file(COPY ${CODEHDR_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

# The Python package (ctypes over the C API) goes to python/codehdr in the
# package, beside bin/ where it finds the DLL: add python/ to PYTHONPATH.
set(CODEHDR_PYTHON_DIR python CACHE STRING "Folder for the Python package (default: chosen for the install prefix)")
