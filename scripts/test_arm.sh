#!/usr/bin/env bash
# The ARM Linux builds: cross-compiles the library, the codehdr tool and the
# tests for 64-bit ARM (arm64) and 32-bit ARM (armhf) with Debian's cross
# compilers, and runs under qemu-user:
#
#   - each build's whole CTest suite (every unit, tool, fault and tier test,
#     and the replay of every fuzz corpus; the unit test of an image over
#     4 GiB is left to the large image below), on qemu's "max" CPU, which has
#     the CRC-32 and PMULL extensions;
#   - the CRC-32 kernel choice: with the extensions the ARM tiers are chosen,
#     on a CPU model without them (32-bit: cortex-a15, an ARMv7 core) and with
#     CODEHDR_CRC_IMPL forcing the portable kernel, the portable one is, and
#     every kernel gives the same CRC of the same file;
#   - armhf (32-bit size_t, 64-bit file offsets): a 5 GiB sparse image, built
#     by the Linux tool, verifies, extracts and passes a release check;
#   - the Debian packages for arm64 and armhf, unpacked, their tool run
#     through qemu with the library from the package;
#   - the ABI check of the arm64 library against the baseline symbols.
#
#   bash scripts/test_arm.sh
#
# The Python tests are not run: they load the library into the build
# machine's python3, and an arm64 or armhf python3 under qemu would need the
# target's whole Python installed beside it.
#
# Environment: CODEHDR_JOBS (build parallelism, default 2),
# CODEHDR_LINUX_BUILD_DIR (the Linux build whose tool makes the large image,
# default build/release; made when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/debian_packages.sh
source scripts/debian_packages.sh

jobs=${CODEHDR_JOBS:-2}
linux_build=${CODEHDR_LINUX_BUILD_DIR:-build/release}
start=$SECONDS

# Debian's multiarch packages of the targets: OpenSSL's headers for the tool
# (libssl-dev:arm64 and :armhf; the tests load their libcrypto), and the C++
# runtime that dpkg-shlibdeps looks up for the packages' dependencies. The
# architectures must be known to dpkg first (ensure_debian_packages updates
# the package lists when it installs).
for arch in arm64 armhf; do
  if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    echo "adding the $arch architecture"
    dpkg --add-architecture "$arch"
  fi
done
# (The build machine's own libssl-dev named with its architecture: once
# another one is installed, the bare name matches both.)
ensure_debian_packages build-essential cmake libcli11-dev nlohmann-json3-dev "libssl-dev:$(dpkg --print-architecture)" \
  googletest \
  g++-aarch64-linux-gnu g++-arm-linux-gnueabihf qemu-user-static libssl-dev:arm64 libssl-dev:armhf \
  libstdc++6:arm64 libstdc++6:armhf \
  dpkg-dev file abigail-tools

# qemu ARCH CPU PROGRAM ARGS...: runs an ARCH program under qemu-user on the
# CPU model given, with the cross sysroot as its root and its libraries
# first (as the toolchain files' emulator does).
qemu() {
  local arch=$1 cpu=$2 triple
  shift 2
  case $arch in
    arm64) triple=aarch64-linux-gnu; set -- qemu-aarch64-static "$@" ;;
    armhf) triple=arm-linux-gnueabihf; set -- qemu-arm-static "$@" ;;
  esac
  "$1" -L "/usr/$triple" -E LD_LIBRARY_PATH=/lib -cpu "$cpu" "${@:2}"
}

failures=()
fail() {
  echo "test_arm.sh: FAILED: $*" >&2
  failures+=("$*")
}

# build_arm ARCH TOOLCHAIN: configures and builds build/ARCH.
build_arm() {
  local dir=build/$1 toolchain=()
  # The toolchain is fixed when a build directory is first configured.
  [ -f "$dir/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$2")
  cmake -S . -B "$dir" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# expect_kernel ARCH CPU WANT [IMPL]: the kernel the ARCH tool chooses on that
# qemu CPU model (with CODEHDR_CRC_IMPL=IMPL) is WANT.
expect_kernel() {
  local arch=$1 cpu=$2 want=$3 got
  got=$(CODEHDR_CRC_IMPL=${4:-} qemu "$arch" "$cpu" "build/$arch/tools/codehdr" crc --impl |
    sed -n 's/^CRC-32 kernel: //p')
  if [ "$got" = "$want" ]; then
    echo "$arch: qemu -cpu $cpu${4:+ with CODEHDR_CRC_IMPL=$4} chooses the $got kernel"
  else
    fail "$arch: qemu -cpu $cpu${4:+ with CODEHDR_CRC_IMPL=$4} chooses '$got', expected '$want'"
  fi
}

# kernels ARCH BEST TIERS [CPU_WITHOUT]: the choice on CPUs with and without
# the extensions, and the CRC of one file by every tier (crc --kernel: one
# line per tier the processor runs) against the Linux tool's.
kernels() {
  local arch=$1 best=$2 tiers=$3 without=${4:-}
  expect_kernel "$arch" max "$best"
  expect_kernel "$arch" max slice slice
  [ -z "$without" ] || expect_kernel "$arch" "$without" slice
  local file=build/$arch/kernels.bin want impl got
  head -c 1000003 /dev/urandom >"$file"
  want=$("$linux_build/tools/codehdr" crc "$file")
  got=$(qemu "$arch" max "build/$arch/tools/codehdr" crc --kernel "$file") || fail "$arch: crc --kernel: $got"
  for impl in table slice $tiers; do
    grep -qx "$want  $impl" <<<"$got" || fail "$arch: the $impl kernel does not give $want: $got"
  done
  echo "$arch: every kernel (table slice $tiers) gives the Linux tool's CRC of a 1 MB file"
}

# package ARCH: the Debian packages of build/ARCH, unpacked into
# build/ARCH/unpacked, and the tool run from there with the package's
# library.
package() {
  local arch=$1 dir=build/$1 deb
  CODEHDR_PACKAGE_BUILD_DIR=$dir CODEHDR_JOBS=$jobs bash scripts/package.sh || { fail "$arch: packaging"; return; }
  rm -rf "$dir/unpacked"
  for deb in "$dir"/packages/*.deb; do
    case $(dpkg-deb -f "$deb" Architecture) in
      "$arch" | all) dpkg-deb -x "$deb" "$dir/unpacked" ;;
      *) fail "$arch: $(basename "$deb") is for $(dpkg-deb -f "$deb" Architecture), not $arch" ;;
    esac
  done
  local tool=$dir/unpacked/usr/bin/codehdr out trace
  # The program finds libcodehdr.so.1 through its run path, inside the
  # package (the loader's trace names the file it loaded).
  if out=$(qemu "$arch" max "$tool" --version) &&
     qemu "$arch" max "$tool" verify data/release/rx200-app.img >/dev/null &&
     trace=$(LD_DEBUG=libs qemu "$arch" max "$tool" --version 2>&1) &&
     grep -q "calling init: .*/unpacked/usr/.*libcodehdr\\.so" <<<"$trace"; then
    echo "$arch: the packaged tool runs with the packaged library: $out"
  else
    fail "$arch: the packaged tool"
  fi
}

# The 5 GiB sparse image on armhf: the Linux tool builds it; the armhf tool
# verifies it, extracts its payload and checks it as a release of one image.
large_image() {
  local work=build/armhf/large tool=build/armhf/tools/codehdr linux_tool=$linux_build/tools/codehdr ok=1
  rm -rf "$work"
  mkdir -p "$work"
  truncate -s 5G "$work/payload"
  printf 'end' >>"$work/payload"
  "$linux_tool" build "$work/payload" -o "$work/large.img" --devctl data/virevuz.txt --tag 17 \
    --virevuz R02B01 --code-ver R01A02.3 >/dev/null || ok=0
  qemu armhf max "$tool" verify --tag 17 "$work/large.img" >/dev/null || ok=0
  qemu armhf max "$tool" extract "$work/large.img" -o "$work/extracted" >/dev/null || ok=0
  [ "$(stat -c %s "$work/extracted" 2>/dev/null)" = "$(stat -c %s "$work/payload")" ] || ok=0
  [ "$("$linux_tool" crc "$work/extracted" | cut -d' ' -f1)" = "$("$linux_tool" crc "$work/payload" | cut -d' ' -f1)" ] ||
    ok=0
  rm -f "$work/extracted"
  qemu armhf max "$tool" check --devctl data/virevuz.txt "$work/large.img" >"$work/check.txt" || ok=0
  if [ $ok = 1 ]; then
    echo "armhf: a $(stat -c %s "$work/large.img")-byte sparse image verifies, extracts and passes a release check"
  else
    fail "armhf: the 5 GiB sparse image (see $work)"
  fi
  rm -f "$work/payload" "$work/large.img"
}

# The whole suite but the unit test of an image over 4 GiB: it takes minutes
# under qemu, and large_image checks the same (and more: extraction and a
# release check, through the tool) on the 32-bit build, where it matters.
skip=VerifyImage.LargerThanFourGiB

# The Linux tool, for the reference CRCs and the large image.
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$linux_build" -j "$jobs" --target codehdr-tool

echo "== Linux arm64 =="
build_arm arm64 linux-aarch64.cmake
GTEST_FILTER=-$skip ctest --test-dir build/arm64 --output-on-failure -j "$jobs" || fail "arm64: CTest under qemu"
# Every 64-bit ARM core qemu models has both extensions: the portable kernel
# is checked there through the forced tier only.
kernels arm64 pmull "crc32 pmull"
package arm64
CODEHDR_ABI_BUILD_DIR=build/arm64 bash scripts/abi_check.sh || fail "arm64: ABI check"

echo "== Linux armhf =="
build_arm armhf linux-armhf.cmake
GTEST_FILTER=-$skip ctest --test-dir build/armhf --output-on-failure -j "$jobs" || fail "armhf: CTest under qemu"
kernels armhf crc32 crc32 cortex-a15
large_image
package armhf

echo
echo "packages:"
ls -1 build/arm64/packages/*.deb build/armhf/packages/*.deb 2>/dev/null | sed 's/^/  /'
echo "test_arm.sh: $((SECONDS - start)) s"
if [ ${#failures[@]} -gt 0 ]; then
  printf 'test_arm.sh: %d failure(s):\n' ${#failures[@]} >&2
  printf '  %s\n' "${failures[@]}" >&2
  exit 1
fi
echo "test_arm.sh: all ARM checks passed"
