# Script mode: codehdr.lib, the import library of the DLL's C API for
# linkers of the MSVC ABI (link.exe, lld-link, and the toolchains of other
# languages), from the export list DEF_FILE that the MinGW linker wrote.
#
#   cmake -DDEF_FILE=codehdr.def -DDLLTOOL=llvm-dlltool -DMACHINE=i386:x86-64
#         -DOUTPUT=codehdr.lib -P msvc_import_library.cmake
#
# Only the C functions (codehdr_...) go in: the C++ names are MinGW's
# mangling, which no MSVC-ABI program can call. Names are imported by name,
# not by ordinal. The C API is __cdecl, so its names carry no decoration on
# x86 either; llvm-dlltool adds the leading underscore of x86 C names itself.
foreach(var DEF_FILE DLLTOOL MACHINE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "msvc_import_library.cmake: ${var} is not set")
  endif()
endforeach()

file(STRINGS ${DEF_FILE} lines)
set(exports "")
foreach(line IN LISTS lines)
  # MinGW's lines read "    codehdr_crc32 @12" (an ordinal, maybe DATA).
  if(line MATCHES "^[ \t]+(codehdr_[A-Za-z0-9_]+)([ \t@]|$)")
    string(APPEND exports "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
if(exports STREQUAL "")
  message(FATAL_ERROR "${DEF_FILE} lists no codehdr_ function")
endif()

get_filename_component(dir ${OUTPUT} DIRECTORY)
set(c_def ${dir}/codehdr-c.def)
file(WRITE ${c_def} "LIBRARY codehdr.dll\nEXPORTS\n${exports}")
execute_process(COMMAND ${DLLTOOL} -m ${MACHINE} -d ${c_def} -l ${OUTPUT}
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} failed (${rc}): ${err}")
endif()
