# The Python package `codehdr` (python/codehdr/, pure Python over the C API):
# cmake --install puts it, as the `python` component, where the prefix's
# Python finds it, with codehdr/_install.py telling the package where the
# library lies relative to it.
#
# The folder is chosen at install time, for the prefix then in force
# (cmake --install --prefix, or /usr when CPack makes the Debian packages):
# with /usr, the folder of the distribution's packages (Debian:
# lib/python3/dist-packages); with any other prefix, the versioned folder the
# interpreter reads below /usr/local (Debian: lib/python3.X/dist-packages,
# elsewhere lib/python3.X/site-packages). CODEHDR_PYTHON_DIR (relative to the
# prefix, or absolute) overrides both.
set(CODEHDR_PYTHON_DIR "" CACHE STRING "Folder for the Python package (default: chosen for the install prefix)")
# Debian's interpreter first: the one Debian's packages (python3-pytest among
# them) are for, even when another python3 comes first on PATH.
find_program(CODEHDR_PYTHON3 python3 HINTS /usr/bin)

set(_codehdr_py_system lib/python3/dist-packages)
set(_codehdr_py_local lib/python3/dist-packages)
if(CODEHDR_PYTHON3)
  execute_process(COMMAND ${CODEHDR_PYTHON3} -c [=[
import sys, sysconfig
v = "%d.%d" % sys.version_info[:2]
if "deb_system" in sysconfig.get_scheme_names():
    print("lib/python3/dist-packages;lib/python%s/dist-packages" % v, end="")
else:
    print("lib/python%s/site-packages;lib/python%s/site-packages" % (v, v), end="")
]=] OUTPUT_VARIABLE _codehdr_py_dirs RESULT_VARIABLE _codehdr_py_rc)
  if(_codehdr_py_rc EQUAL 0)
    list(GET _codehdr_py_dirs 0 _codehdr_py_system)
    list(GET _codehdr_py_dirs 1 _codehdr_py_local)
  endif()
endif()

if(WIN32)
  set(_codehdr_library_dir ${CMAKE_INSTALL_BINDIR})
else()
  set(_codehdr_library_dir ${CMAKE_INSTALL_LIBDIR})
endif()
file(GLOB _codehdr_py_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/python/codehdr/*.py
     ${PROJECT_SOURCE_DIR}/python/codehdr/py.typed)
list(FILTER _codehdr_py_files EXCLUDE REGEX "/_install\\.py$")

install(CODE "
  set(dir \"${CODEHDR_PYTHON_DIR}\")
  if(NOT dir AND CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(dir \"${_codehdr_py_system}\")
  elseif(NOT dir)
    set(dir \"${_codehdr_py_local}\")
  endif()
  if(NOT IS_ABSOLUTE \"\${dir}\")
    set(dir \"\${CMAKE_INSTALL_PREFIX}/\${dir}\")
  endif()
  set(files \"${_codehdr_py_files}\")
  file(INSTALL DESTINATION \"\${dir}/codehdr\" TYPE FILE FILES \${files})
  file(RELATIVE_PATH library_dir \"\${dir}/codehdr\" \"\${CMAKE_INSTALL_PREFIX}/${_codehdr_library_dir}\")
  set(note \"${PROJECT_BINARY_DIR}/python/_install.py\")
  file(WRITE \"\${note}\" \"# Written by cmake --install: the library folder, relative to this one.\\nLIBRARY_DIR = \\\"\${library_dir}\\\"\\n\")
  file(INSTALL DESTINATION \"\${dir}/codehdr\" TYPE FILE FILES \"\${note}\")
" COMPONENT python)
