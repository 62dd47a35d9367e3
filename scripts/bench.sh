#!/usr/bin/env bash
# Builds the benchmarks in Release mode, runs them, and writes the results as
# markdown: CRC-32 throughput side by side with the peers, DoVerifyHeader on a
# 64 MiB image against a plain file read, and `codehdr verify` over 1,000
# small images with -j 1 and -j 2 (when the command-line tool builds).
#
#   scripts/bench.sh [OUTPUT.md]       default: build/bench/bench.md
#
# Environment: CODEHDR_BENCH_DIR (build directory, default build/bench),
# CODEHDR_JOBS (build parallelism, default 2), CODEHDR_BENCH_ARGS (extra
# Google Benchmark flags). Run it on a quiet machine: the figures are
# wall-clock times.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${CODEHDR_BENCH_DIR:-build/bench}
out=${1:-$build/bench.md}
jobs=${CODEHDR_JOBS:-2}

# Benchmark-only packages (the library itself links none of them).
bench_packages=(build-essential cmake pkg-config libbenchmark-dev zlib1g-dev libdeflate-dev libisal-dev
                libcli11-dev nlohmann-json3-dev)
missing=()
for p in "${bench_packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing benchmark dependencies: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCODEHDR_BUILD_BENCH=ON -DCODEHDR_BUILD_TESTS=OFF -DCODEHDR_BUILD_TOOLS=ON >/dev/null
cmake --build "$build" -j "$jobs" --target codehdr_bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$(dirname "$out")"

load=$(cut -d' ' -f1-3 /proc/loadavg)
echo "load before the run: $load"
# Five repetitions in random order, reported as medians, so that a burst of
# other work on the machine does not land on one implementation only.
# shellcheck disable=SC2086
"$build/bench/codehdr_bench" --workdir="$work" --markdown="$out" \
  --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true ${CODEHDR_BENCH_ARGS:-}

# Wall time of one run of a command, in milliseconds.
time_ms() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null
  local end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f\n", (b - a) * 1000 }'
}

median() { sort -n | sed -n 3p; }

if cmake --build "$build" -j "$jobs" --target codehdr-tool >"$work/tool-build.log" 2>&1; then
  tool=$(find "$build/tools" -maxdepth 1 -type f -name 'codehdr*' -perm -u+x | head -n 1)
  mkdir "$work/images"
  "$build/bench/codehdr_bench" --make-images="$work/images"
  images=("$work"/images/image*.bin)
  "$tool" verify -j 1 "${images[@]}" >/dev/null  # warm the page cache; fails on a bad image
  # Alternate the two so that both see the same background load.
  j1_runs=() j2_runs=()
  for _ in 1 2 3 4 5; do
    j1_runs+=("$(time_ms "$tool" verify -j 1 "${images[@]}")")
    j2_runs+=("$(time_ms "$tool" verify -j 2 "${images[@]}")")
  done
  j1=$(printf '%s\n' "${j1_runs[@]}" | median)
  j2=$(printf '%s\n' "${j2_runs[@]}" | median)
  {
    echo
    echo "\`codehdr verify\` over ${#images[@]} images of 4 to 64 KiB in the page cache (median of 5 runs):"
    echo
    echo "| command | time | speed-up |"
    echo "|---|---:|---:|"
    echo "| codehdr verify -j 1 | ${j1} ms | 1.00× |"
    echo "| codehdr verify -j 2 | ${j2} ms | $(awk -v a="$j1" -v b="$j2" 'BEGIN { printf "%.2f", a / b }')× |"
  } >>"$out"
else
  tail -n 20 "$work/tool-build.log" >&2
  echo "the codehdr tool did not build; the codehdr verify timing is left out" >&2
  printf '\n`codehdr verify` timing left out: the command-line tool did not build.\n' >>"$out"
fi

printf '\nLoad average (1, 5, 15 min) before the run: %s.\n' "$load" >>"$out"

echo
echo "written to $out:"
cat "$out"
