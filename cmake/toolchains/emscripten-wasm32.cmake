# Cross-compiling to WebAssembly (wasm32) with Debian's emscripten (package
# emscripten; its JavaScript optimiser needs node-acorn, found through
# NODE_PATH=/usr/share/nodejs, which scripts/web.sh sets). The library's
# objects become web/codehdr.wasm with its loader; tests run under Node:
#   cmake -S . -B build/web-wasm -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/emscripten-wasm32.cmake
find_path(CODEHDR_EMSCRIPTEN_ROOT emcc.py PATHS /usr/share/emscripten ENV EMSCRIPTEN NO_DEFAULT_PATH)
if(NOT CODEHDR_EMSCRIPTEN_ROOT)
  message(FATAL_ERROR "emscripten not found: apt-get install emscripten")
endif()
# Test programs run under Node. Its built-in fetch cannot load a local file,
# yet this emscripten's loader prefers it whenever it exists: Node without it
# reads the .wasm file from disk instead.
find_program(CODEHDR_NODE node REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CODEHDR_NODE} --no-experimental-fetch CACHE STRING "Runs wasm32 test programs")
include(${CODEHDR_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)

# The library catches std::bad_alloc at its C interface: exceptions must be
# caught, not abort the module (emscripten's default).
set(CMAKE_CXX_FLAGS_INIT "-fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions")
