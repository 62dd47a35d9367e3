#!/usr/bin/env bash
# Builds and runs every test twice: a normal optimised build (g++), and a build
# with AddressSanitizer and UndefinedBehaviorSanitizer that stops at the first
# error (clang, with the libFuzzer targets, which scripts/fuzz.sh then reuses).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/debian_packages.sh
source scripts/debian_packages.sh

# What the builds and tests need, installed when missing (a fresh Debian machine).
ensure_debian_packages build-essential cmake pkg-config googletest libgtest-dev libgmock-dev \
  libcli11-dev nlohmann-json3-dev libssl-dev clang-14 libfuzzer-14-dev libclang-rt-14-dev python3 python3-pytest

jobs=${CODEHDR_JOBS:-2}

build_and_test() {
  local dir=$1; shift
  # The compiler is fixed when a build directory is first configured. The
  # tests are switched on whatever the cache holds (the README's install
  # steps configure build/release without them), and a run that finds no
  # test fails.
  [ -f "$dir/CMakeCache.txt" ] || [ -z "${CXX_FOR_DIR:-}" ] || set -- -DCMAKE_CXX_COMPILER="$CXX_FOR_DIR" "$@"
  cmake -S . -B "$dir" -DCODEHDR_BUILD_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs"
}

echo "== normal build =="
build_and_test build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The sanitizer build also replays every fuzz corpus (fuzz/corpus/<target>/)
# through its fuzz target, as CTest tests fuzz_corpus_<target>.
echo "== address + undefined sanitizer build =="
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
clang=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$clang" ]; then
  echo "test.sh: clang++ not found (install clang-14 libfuzzer-14-dev libclang-rt-14-dev)" >&2
  exit 1
fi
# A sanitizer tree configured earlier with another compiler is made anew.
if [ -f build/asan/CMakeCache.txt ] && ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang' build/asan/CMakeCache.txt; then
  rm -rf build/asan
fi
CXX_FOR_DIR=$clang build_and_test build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCODEHDR_SANITIZE=address,undefined -DCODEHDR_BUILD_FUZZ=ON
