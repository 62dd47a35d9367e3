#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a bounded time, starting
# from its committed seed corpus. It reuses the sanitizer build of
# scripts/test.sh (build/asan) when that exists. New inputs go to a work corpus inside the
# build directory, never into fuzz/corpus/. Any crash, sanitizer report, leak
# or hang fails the run; the input that caused it is kept under
# <build>/findings/<target>/.
#
#   scripts/fuzz.sh                 every target, CODEHDR_FUZZ_SECONDS (60) each
#   scripts/fuzz.sh build image     only these targets
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${CODEHDR_FUZZ_SECONDS:-60}
jobs=${CODEHDR_JOBS:-2}
build=${CODEHDR_FUZZ_BUILD_DIR:-build/asan}
all_targets=(version_strings devctl_text image build manifest)
targets=("${all_targets[@]}")
[ $# -gt 0 ] && targets=("$@")

cxx=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$cxx" ]; then
  echo "fuzz.sh: clang++ not found (install clang-14 and libfuzzer-14-dev)" >&2
  exit 1
fi

if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang' "$build/CMakeCache.txt"; then
  echo "fuzz.sh: $build was configured without clang; remove it and run again" >&2
  exit 1
fi
# An existing build directory keeps its configuration (the sanitizer build of
# scripts/test.sh is configured this way, with the tests on).
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCODEHDR_BUILD_FUZZ=ON -DCODEHDR_BUILD_TESTS=OFF -DCODEHDR_BUILD_TOOLS=ON \
    -DCODEHDR_SANITIZE=address,undefined >/dev/null
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}"

# The image and device-file targets rewrite a scratch file for every input: on a
# memory file system that costs next to nothing, on a disk it would take most of
# the time (there: about 2,000 in place of 5,600 inputs a second).
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

failed=()
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  findings="$build/findings/$t"
  log="$build/logs/$t.log"
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  seeds=fuzz/corpus/$t
  echo "== fuzzing $t for ${seconds}s =="
  if "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -print_final_stats=1 \
       -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1; then
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
    execs=$(sed -n 's/^stat::number_of_executed_units:[[:space:]]*//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec:[[:space:]]*//p' "$log" | tail -1)
    cov=$(echo "$done_line" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
    echo "$t: ${execs:-?} executions, ${rate:-?} exec/s, cov: ${cov:-?}"
  else
    echo "$t: FAILED (log: $log, inputs: $findings/)" >&2
    grep -E 'ERROR|SUMMARY|Test unit written|deadly signal|timeout' "$log" | head -20 >&2 || true
    failed+=("$t")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: findings in: ${failed[*]}" >&2
  exit 1
fi
