#!/usr/bin/env bash
# The Windows builds: cross-compiles the library (codehdr.dll with its import
# library) and the codehdr tool for 64-bit and 32-bit Windows with MinGW-w64,
# runs each build's whole CTest suite under Wine, makes the ZIP packages,
# builds and runs consumer programs against each unpacked package (MinGW C++
# through the CMake package and through codehdr.pc, MinGW C99, and C99 built
# for the MSVC ABI by clang and lld-link against codehdr.lib, compared with
# the same program on Linux), checks that <codehdr/c.h> lays out its structs
# alike for every compiler, compares the DLL's export table with the Linux
# library's, and checks that the Linux tool and codehdr.exe build the same
# image from the same inputs and read each other's.
#
#   bash scripts/test_windows.sh
#
# Leaves build/win64/packages/codehdr-VERSION-win64.zip and
# build/win32/packages/codehdr-VERSION-win32.zip. Wine runs in its own prefix,
# build/wine-prefix. Where 32-bit Windows programs cannot run (a kernel
# without 32-bit support), the 32-bit build is made, packaged and checked but
# its tests are skipped, and the script says so.
#
# Environment: CODEHDR_JOBS (build parallelism, default 2),
# CODEHDR_LINUX_BUILD_DIR (the Linux build to compare with, default
# build/release; made when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/debian_packages.sh
source scripts/debian_packages.sh

jobs=${CODEHDR_JOBS:-2}
linux_build=${CODEHDR_LINUX_BUILD_DIR:-build/release}

# wine32 is an i386 package: the architecture must be known to dpkg first
# (ensure_debian_packages updates the package lists when it installs).
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "adding the i386 architecture for wine32"
  dpkg --add-architecture i386
fi
ensure_debian_packages build-essential cmake pkg-config libcli11-dev nlohmann-json3-dev googletest \
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 wine32:i386 clang-14 lld-14 llvm-14

export WINEPREFIX=$PWD/build/wine-prefix WINEDEBUG=-all
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
mkdir -p build
# The prefix is made once, before tests start in parallel.
"$wine64" wineboot --init >/dev/null 2>&1 || true

failures=()
fail() {
  echo "test_windows.sh: FAILED: $*" >&2
  failures+=("$*")
}

# build_windows ARCH TOOLCHAIN: configures and builds build/ARCH.
build_windows() {
  local dir=build/$1 toolchain=()
  # The toolchain is fixed when a build directory is first configured.
  [ -f "$dir/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$2")
  cmake -S . -B "$dir" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# package ARCH: the ZIP of build/ARCH, unpacked into build/ARCH/unpacked.
package() {
  local dir=build/$1
  rm -rf "$dir/packages" "$dir/unpacked"
  cpack --config "$dir/CPackConfig.cmake" -G ZIP -B "$PWD/$dir/packages" >"$dir/cpack.log" 2>&1 ||
    { cat "$dir/cpack.log" >&2; fail "$1: cpack"; return; }
  rm -rf "$dir/packages/_CPack_Packages"
  mkdir -p "$dir/unpacked"
  (cd "$dir/unpacked" && cmake -E tar xf ../packages/*.zip)
}

# check_package ARCH TOOLCHAIN TRIPLE WINE: what the ZIP holds, what its
# programs load, and a consumer built against it (run when WINE is given).
check_package() {
  local arch=$1 dir=build/$1 triple=$3 root
  root=$(echo "$dir"/unpacked/codehdr-*)
  local f
  for f in bin/codehdr.exe bin/codehdr.dll lib/libcodehdr.dll.a lib/codehdr.lib lib/codehdr.def \
           lib/cmake/codehdr/codehdrConfig.cmake \
           lib/pkgconfig/codehdr.pc include/codehdr/codehdr.h include/codehdr/c.h python/codehdr/__init__.py \
           python/codehdr/_install.py virevuz.txt README.md CHANGELOG.md; do
    [ -f "$root/$f" ] || fail "$arch: the package lacks $f"
  done
  # The Python package finds the DLL in bin/ from python/codehdr/.
  grep -q '^LIBRARY_DIR = "../../bin"$' "$root/python/codehdr/_install.py" ||
    fail "$arch: the Python package does not point at bin/"
  # Every DLL a program or library of the package loads is Windows' own or
  # ships beside it in bin/.
  local dll
  for f in "$root"/bin/*.exe "$root"/bin/*.dll; do
    for dll in $("$triple-objdump" -p "$f" | awk '/DLL Name:/ {print $3}'); do
      case "${dll,,}" in
        kernel32.dll | msvcrt.dll | shell32.dll | user32.dll | advapi32.dll | bcrypt.dll) ;;
        *) [ -f "$root/bin/$dll" ] || fail "$arch: $(basename "$f") needs $dll, which the package lacks" ;;
      esac
    done
  done
  # The consumer, configured with the package's CMake files found through
  # CMAKE_PREFIX_PATH in a copy moved elsewhere, with the project's toolchain
  # file; with its own GCC runtimes linked in as the package's programs have
  # theirs.
  local consumer=$dir/consumer runtimes=-static moved=$dir/moved/codehdr
  [ "$arch" = win64 ] || runtimes=-static-libstdc++
  rm -rf "$consumer" "$dir/moved"
  mkdir -p "$dir/moved"
  cp -r "$root" "$moved"
  if ! cmake -S tests/install/consumer -B "$consumer" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/$2" \
         -DCMAKE_PREFIX_PATH="$PWD/$moved" -DCMAKE_EXE_LINKER_FLAGS="$runtimes" \
         >"$dir/consumer.log" 2>&1 ||
     ! cmake --build "$consumer" >>"$dir/consumer.log" 2>&1; then
    cat "$dir/consumer.log" >&2
    fail "$arch: building the consumer against the package"
    return
  fi
  # The C consumer, C99 with MinGW's C compiler, through the package's
  # codehdr.pc (which finds the package from its own folder), linked as the
  # C++ consumer above (-static on x64: the .pc names the import library).
  local flags
  flags=$(PKG_CONFIG_PATH="$root/lib/pkgconfig" PKG_CONFIG_LIBDIR=/nonexistent pkg-config --cflags --libs codehdr)
  # shellcheck disable=SC2086
  "$triple-gcc-posix" -std=c99 -Wall -Wextra -pedantic -Werror tests/install/consumer_c/consumer.c \
    tests/install/consumer_c/c_layout.c $flags "$runtimes" -o "$consumer/c-consumer.exe" ||
    fail "$arch: building the C consumer against the package"
  # The C++ consumer through codehdr.pc as it comes, run from the package's
  # bin/: the runtimes it needs are linked in or shipped there.
  # shellcheck disable=SC2086
  "$triple-g++-posix" -std=c++17 tests/install/consumer/consumer.cpp $flags -o "$moved/bin/pc-consumer.exe" ||
    fail "$arch: building the C++ consumer through codehdr.pc"
  cp "$root/virevuz.txt" "$moved/bin/"
  cp "$root"/bin/*.dll "$root/virevuz.txt" "$consumer/"
  if [ -n "${4:-}" ]; then
    if (cd "$consumer" && "$4" consumer.exe && "$4" c-consumer.exe .) && (cd "$moved/bin" && "$4" pc-consumer.exe); then
      echo "$arch: the C++ consumers (CMake package, codehdr.pc) and the C consumer built against the package run"
    else
      fail "$arch: the consumers built against the package"
    fi
  fi
}

# msvc_import_library ARCH MACHINE: codehdr.lib of the package names every C
# function of <codehdr/c.h> and nothing else, for MACHINE (x86-64 or i386).
# On x86 the symbols carry the leading underscore of C names and the DLL's
# names are looked up without it (name type "noprefix").
msvc_import_library() {
  local arch=$1 lib prefix='' name_type=name want got headers
  lib=$(echo build/"$arch"/unpacked/codehdr-*/lib/codehdr.lib)
  [ "$2" = i386 ] && prefix=_ name_type=noprefix
  want=$(grep -oE 'CODEHDR_EXPORT [^(]*[ *](codehdr_[a-z0-9_]+)\(' include/codehdr/c.h |
    sed -E "s/.*(codehdr_[a-z0-9_]+)\(/__imp_$prefix\1/" | sort)
  got=$(llvm-nm-14 "$lib" 2>/dev/null | awk '$2 == "T" || $2 == "D" || $2 == "I" {print $3}' | grep '^__imp_' | sort)
  headers=$(llvm-readobj-14 "$lib")
  if [ -n "$want" ] && [ "$want" = "$got" ] && grep -q "^Format: COFF-$2\$" <<<"$headers" &&
     [ "$(sed -n 's/^Name type: //p' <<<"$headers" | sort -u)" = "$name_type" ]; then
    echo "$arch: codehdr.lib imports the $(wc -l <<<"$want") C functions of codehdr.dll ($2)"
  else
    diff <(echo "$want") <(echo "$got") >&2 || true
    fail "$arch: codehdr.lib does not import exactly the C functions"
  fi
}

# msvc_consumer ARCH TARGET [WINE]: the C consumer and the struct layout
# table built by clang for TARGET (the MSVC ABI, x86_64-pc-windows-msvc or
# i386-pc-windows-msvc) and linked by lld-link with the package's codehdr.lib
# and an import library of msvcrt.dll for its few C runtime calls
# (consumer_c/msvcrt.h). With WINE it runs against the package's DLL on
# images and bad inputs, and must print what the same program
# built for Linux prints for the same files.
msvc_consumer() {
  local arch=$1 target=$2 root work=build/$1/msvc-consumer machine=i386:x86-64 h
  root=$(echo build/"$arch"/unpacked/codehdr-*)
  [[ $target == i386* ]] && machine=i386
  rm -rf "$work"
  mkdir -p "$work/include" "$work/run"
  for h in stdio stdlib string; do echo '#include "msvcrt.h"' >"$work/include/$h.h"; done
  local c_flags=(--target="$target" -std=c99 -Wall -Wextra -pedantic -Werror -I"$root/include" -I"$work/include"
                 -Itests/install/consumer_c)
  if ! clang-14 "${c_flags[@]}" -c tests/install/consumer_c/consumer.c -o "$work/consumer.obj" ||
     ! clang-14 "${c_flags[@]}" -c tests/install/consumer_c/c_layout.c -o "$work/c_layout.obj" ||
     ! clang-14 "${c_flags[@]}" -fsyntax-only -x c "$root/include/codehdr/c.h"; then
    fail "$arch: compiling the C consumer for $target"
    return
  fi
  # msvcrt.dll's import library: the names the program leaves undefined that
  # codehdr.lib does not give.
  { echo "LIBRARY msvcrt.dll"; echo "EXPORTS"
    llvm-nm-14 --undefined-only "$work/consumer.obj" | awk '{print $2}' | sed -E 's/^__imp_//' |
      sed -E "s/^$([ $machine = i386 ] && echo _)//" | grep -v '^codehdr_' | sort -u; } >"$work/msvcrt.def"
  if ! llvm-dlltool-14 -m "$machine" -d "$work/msvcrt.def" -l "$work/msvcrt.lib" ||
     ! lld-link-14 -nologo -nodefaultlib -subsystem:console -out:"$work/consumer.exe" "$work/consumer.obj" \
         "$work/c_layout.obj" "$root/lib/codehdr.lib" "$work/msvcrt.lib"; then
    fail "$arch: linking the MSVC-ABI consumer with codehdr.lib"
    return
  fi
  [ -n "${3:-}" ] || { echo "$arch: the C consumer builds for $target with codehdr.lib (not run)"; return; }
  # The same files for both systems: the consumer's own image, an image of
  # the sample release, another with one byte flipped, a missing file, a
  # folder, and the null device (NUL on Windows).
  local linux_run=$work/linux
  mkdir -p "$linux_run"
  gcc -std=c99 -Wall -Wextra -pedantic -Werror tests/install/consumer_c/consumer.c tests/install/consumer_c/c_layout.c \
    -Iinclude -L"$linux_build/src" -lcodehdr -Wl,-rpath,"$PWD/$linux_build/src" -o "$linux_run/consumer" ||
    { fail "$arch: building the C consumer for Linux"; return; }
  cp "$root/bin/codehdr.dll" "$work/consumer.exe" "$work/run/"
  for h in "$work/run" "$linux_run"; do
    cp data/release/rx200-app.img "$h/"
    cp data/release/rx200b-boot.img "$h/flipped.img"
    printf '\xff' | dd of="$h/flipped.img" bs=1 seek=4000 conv=notrunc status=none
    mkdir "$h/folder"
  done
  local images=(app.img rx200-app.img flipped.img missing.img folder)
  (cd "$linux_run" && ./consumer . "${images[@]}" /dev/null) >"$work/linux.out" 2>&1 || true
  (cd "$work/run" && "$3" consumer.exe . "${images[@]}" NUL) 2>&1 | tr -d '\r' >"$work/windows.out" || true
  # The Linux tool's verdicts and status names for the same files.
  local tool=$PWD/$linux_build/tools/codehdr
  (cd "$linux_run" && "$tool" verify --json "${images[@]}" /dev/null) 2>/dev/null |
    sed -nE 's/^ *"(verdict|status_name)": "([a-z_]+)",$/\2/p' | paste -d ' ' - - >"$work/tool.out" || true
  if grep -q ', ok$' "$work/linux.out" && cmp -s "$work/linux.out" "$work/windows.out" &&
     sed -nE 's/^image[0-9]+: ([a-z_]+), ([a-z_]+),.*/\1 \2/p' "$work/windows.out" | cmp -s - "$work/tool.out"; then
    echo "$arch: the MSVC-ABI C consumer runs against codehdr.dll and prints what it prints on Linux" \
      "($(grep -c "^image" "$work/windows.out") images; the Linux tool's status names too)"
  else
    diff "$work/linux.out" "$work/windows.out" >&2 || true
    cat "$work/tool.out" >&2
    fail "$arch: the MSVC-ABI C consumer (see $work)"
  fi
}

# c.h's structs hold no field of a type whose size compilers choose apart:
# long, bool, or an enum (by clang's reading of the header).
c_header_types() {
  local found
  found=$(clang-14 --target=x86_64-pc-windows-msvc -fsyntax-only -Xclang -ast-dump -fno-color-diagnostics -Iinclude \
    -x c include/codehdr/c.h | grep FieldDecl | grep -E " '[^']*\b(long|_Bool|bool)\b[^']*'|'enum " || true)
  if [ -n "$found" ]; then
    echo "$found" >&2
    fail "c.h: a struct field whose type's size differs between compilers"
  else
    echo "c.h: no struct field is a long, a bool or an enum"
  fi
}

# The export tables: the DLL's must be the Linux library's (types spelled as
# the platform spells them: size_t, FILE).
compare_exports() {
  local arch=$1 dll=build/$1/bin/codehdr.dll triple=$2
  normalize() { sed -E 's/unsigned long long|unsigned long|unsigned int/UINT/g; s/_IO_FILE|_iobuf/FILE/g' | sort; }
  local linux windows
  linux=$(nm -DC --defined-only "$linux_build/src/libcodehdr.so" | awk '$2 ~ /^[TDRB]$/' | cut -d' ' -f3- | normalize)
  windows=$("$triple-objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    awk '/\[ *[0-9]+\]/ {print $NF}' | "$triple-c++filt" -n | normalize)
  if [ "$linux" = "$windows" ]; then
    echo "$arch: codehdr.dll exports the Linux library's $(wc -l <<<"$windows") symbols"
  else
    diff <(echo "$linux") <(echo "$windows") >&2 || true
    fail "$arch: codehdr.dll and libcodehdr.so export different symbols"
  fi
}

# The Linux tool and codehdr.exe on the same inputs: the same image bytes,
# each verifies the other's, the same output for info, crc, devices and
# check, and the same release manifest and JUnit report.
cross_check() {
  local work=build/win64/cross-check
  rm -rf "$work"
  mkdir -p "$work"
  cp data/virevuz.txt "$work/devices.txt"
  head -c 300007 /dev/urandom >"$work/payload"
  printf '\x0d\x0a\x1a\x00' >>"$work/payload"
  local linux_tool win_tool
  linux_tool=$PWD/$linux_build/tools/codehdr
  win_tool=$PWD/build/win64/bin/codehdr.exe
  local fields=(--devctl devices.txt --tag 17 --virevuz R02B01 --code-ver R01A02.3 --comment "cross check"
                --dep-type 5=R02A01 --dep FPGA=R03A01.2)
  linux() { (cd "$work" && "$linux_tool" "$@"); }
  windows() { (cd "$work" && "$wine64" "$win_tool" "$@"); }
  local ok=1 args
  linux build payload -o linux.img "${fields[@]}" >/dev/null 2>&1 || ok=0
  windows build payload -o windows.img "${fields[@]}" >/dev/null 2>&1 || ok=0
  cmp "$work/linux.img" "$work/windows.img" || ok=0
  linux verify --tag 17 windows.img >/dev/null || ok=0
  windows verify --tag 17 linux.img >/dev/null || ok=0
  cp -r data/release "$work/release"
  for args in "info --json linux.img windows.img" "info linux.img" "crc payload linux.img" \
              "devices --json --devctl devices.txt" "info --hex --tag 18 windows.img" \
              "check --json --dir release --devctl devices.txt"; do
    # shellcheck disable=SC2086
    linux $args >"$work/linux.out" 2>&1 || true
    # shellcheck disable=SC2086
    windows $args >"$work/windows.out" 2>&1 || true
    if ! cmp -s "$work/linux.out" "$work/windows.out"; then
      diff "$work/linux.out" "$work/windows.out" >&2 || true
      echo "the two tools print differently: codehdr $args" >&2
      ok=0
    fi
  done
  # Release manifests (SHA-256 from OpenSSL on Linux, from CNG on Windows) and
  # JUnit reports: the same bytes, and each tool reads the other's manifest.
  linux check --dir release --devctl devices.txt --write-manifest linux.json --junit linux.xml >/dev/null 2>&1 || ok=0
  windows check --dir release --devctl devices.txt --write-manifest windows.json --junit windows.xml >/dev/null 2>&1 ||
    ok=0
  cmp "$work/linux.json" "$work/windows.json" || ok=0
  cmp "$work/linux.xml" "$work/windows.xml" || ok=0
  linux check --dir release --devctl devices.txt --manifest windows.json >/dev/null 2>&1 || ok=0
  windows check --dir release --devctl devices.txt --manifest linux.json >/dev/null 2>&1 || ok=0
  if [ $ok = 1 ]; then
    echo "win64: the Linux tool and codehdr.exe build the same image, verify each other's and print the same"
  else
    fail "the Linux tool and codehdr.exe disagree (see $work)"
  fi
}

# The Linux library and tool to compare with.
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$linux_build" -j "$jobs" --target codehdr codehdr-tool

echo "== Windows x86-64 =="
build_windows win64 mingw-w64-x86_64.cmake
ctest --test-dir build/win64 --output-on-failure -j "$jobs" || fail "win64: CTest under Wine"
package win64
check_package win64 mingw-w64-x86_64.cmake x86_64-w64-mingw32 "$wine64"
compare_exports win64 x86_64-w64-mingw32
msvc_import_library win64 x86-64
msvc_consumer win64 x86_64-pc-windows-msvc "$wine64"
c_header_types
cross_check

echo "== Windows x86 =="
build_windows win32 mingw-w64-i686.cmake
# 32-bit Windows programs run only where the kernel runs 32-bit programs.
if out=$(cd build/win32/bin && "$wine32" codehdr.exe --version 2>&1) && [[ $out == codehdr* ]]; then
  ctest --test-dir build/win32 --output-on-failure -j "$jobs" || fail "win32: CTest under Wine"
  runner32=$wine32
else
  echo "win32: SKIPPED running the 32-bit tests and consumer: 32-bit Windows programs cannot run here"
  echo "       ($wine32: ${out:-no output}); only the export check ran. Built, packaged and checked statically."
  ctest --test-dir build/win32 --output-on-failure -R exported_symbols || fail "win32: exported symbols"
  runner32=
fi
package win32
check_package win32 mingw-w64-i686.cmake i686-w64-mingw32 "$runner32"
compare_exports win32 i686-w64-mingw32
msvc_import_library win32 i386
msvc_consumer win32 i386-pc-windows-msvc "$runner32"

echo
echo "packages:"
ls -1 build/win64/packages/*.zip build/win32/packages/*.zip 2>/dev/null | sed 's/^/  /'
if [ ${#failures[@]} -gt 0 ]; then
  printf 'test_windows.sh: %d failure(s):\n' ${#failures[@]} >&2
  printf '  %s\n' "${failures[@]}" >&2
  exit 1
fi
echo "test_windows.sh: all Windows checks passed"
