#!/usr/bin/env bash
# Builds the benchmarks in Release mode, runs them, and writes the results as
# markdown, headed by the machine they ran on (CPU, CRC-32 kernel, Linux
# kernel): CRC-32 throughput side by side with the peers; whole commands
# (codehdr verify, crc, build and extract, a DoVerifyHeader program, and the
# verify loop with its read buffer page-aligned and 16 bytes past a page) on a
# 256 MiB image against `cat`, U-Boot's `mkimage -l` and `cp` + `sync`, and
# `codehdr crc` of a 5 GiB sparse file against `dd bs=256k`, with their peak
# memory; peak memory at 4 MiB and 1 GiB; and `codehdr verify` over 1,000
# small images with -j 1 and -j 2.
#
#   scripts/bench.sh [OUTPUT.md]       default: build/bench/bench.md
#
# Environment: CODEHDR_BENCH_DIR (build directory, default build/bench),
# CODEHDR_JOBS (build parallelism, default 2), CODEHDR_BENCH_ARGS (extra
# Google Benchmark flags), CODEHDR_BENCH_RUNS (runs per command, default 9). Run it on a quiet machine: the figures are
# wall-clock times.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${CODEHDR_BENCH_DIR:-build/bench}
out=${1:-$build/bench.md}
jobs=${CODEHDR_JOBS:-2}

# Benchmark-only packages (the library itself links none of them).
bench_packages=(build-essential cmake pkg-config libbenchmark-dev zlib1g-dev libdeflate-dev libisal-dev
                libcli11-dev nlohmann-json3-dev u-boot-tools)
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
cmake --build "$build" -j "$jobs" --target codehdr_bench codehdr_e2e codehdr_do_verify codehdr-tool

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$(dirname "$out")"

load=$(cut -d' ' -f1-3 /proc/loadavg)
echo "load before the run: $load"
cpu=$(awk -F': ' '/^model name/ { m = $2 } /^cpu family/ { f = $2 } /^model\t/ { n = $2 }
                  END { printf "%s (family %s, model %s)", m, f, n }' /proc/cpuinfo)
{
  echo "Machine: $cpu, $(nproc) cores; CRC-32 kernel: $("$build/tools/codehdr" crc --impl | sed 's/.*: //');" \
    "Linux $(uname -r)."
  echo
} >"$out"
# Five repetitions in random order, reported as medians, so that a burst of
# other work on the machine does not land on one implementation only.
# shellcheck disable=SC2086
"$build/bench/codehdr_bench" --markdown="$work/kernels.md" \
  --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true ${CODEHDR_BENCH_ARGS:-}

cat "$work/kernels.md" >>"$out"

tool="$build/tools/codehdr"
e2e="$build/bench/codehdr_e2e"

# Whole commands on a 256 MiB image in the page cache, each alternated with
# its yardstick: medians of the wall time and of the peak memory.
runs=${CODEHDR_BENCH_RUNS:-9}
image="$work/image.img"
"$e2e" image "$image" "$work/payload.bin" 256
# The same payload in a legacy U-Boot image: `mkimage -l` checks its data CRC.
mkimage -A arm -O linux -T kernel -C none -a 0 -e 0 -n bench -d "$work/payload.bin" "$work/legacy.img" >/dev/null
cat "$image" "$work/legacy.img" "$work/payload.bin" >/dev/null  # into the page cache
build_args=(--tag 17 --virevuz R01A02 --code-ver P01A01 --devctl data/virevuz.txt)

row() {  # row LABEL YARDSTICK-LABEL CMD... -- YARDSTICK...
  local label=$1 ylabel=$2
  shift 2
  read -r ms kib yms ykib ratio < <("$e2e" time "$runs" "$@")
  awk -v l="$label" -v y="$ylabel" -v ms="$ms" -v kib="$kib" -v yms="$yms" -v ykib="$ykib" -v r="$ratio" \
    'BEGIN { printf "| %s | %s ms | %.1f MiB | %s | %s ms | %.1f MiB | %s× |\n", l, ms, kib / 1024, y, yms, ykib / 1024, r }'
}

{
  echo
  echo "Whole commands on a 256 MiB code image in the page cache (median of $runs runs, each alternated with its yardstick):"
  echo
  echo "| command | time | peak memory | yardstick | time | peak memory | ratio |"
  echo "|---|---:|---:|---|---:|---:|---:|"
  row "codehdr verify" "cat > /dev/null" "$tool" verify "$image" -- cat "$image"
  row "codehdr crc" "cat > /dev/null" "$tool" crc "$image" -- cat "$image"
  row "DoVerifyHeader (5-line program)" "cat > /dev/null" "$build/bench/codehdr_do_verify" "$image" -- cat "$image"
  row "codehdr verify" "mkimage -l (legacy image, same payload)" "$tool" verify "$image" -- mkimage -l "$work/legacy.img"
  row "verify loop, page-aligned read buffer" "cat > /dev/null" "$e2e" read-verify "$image" 0 -- cat "$image"
  row "verify loop, read buffer 16 bytes past a page" "cat > /dev/null" "$e2e" read-verify "$image" 16 -- cat "$image"
  row "codehdr build (256 MiB payload)" "cp PAYLOAD x && sync x" "$tool" build "$work/payload.bin" -o "$work/built.img" \
    "${build_args[@]}" -- sh -c 'cp "$1" "$2" && sync "$2"' sh "$work/payload.bin" "$work/copy.bin"
  row "codehdr extract" "cp IMAGE x && sync x" "$tool" extract "$image" -o "$work/extracted.bin" \
    -- sh -c 'cp "$1" "$2" && sync "$2"' sh "$image" "$work/copy.img"
  "$e2e" sparse "$work/sparse.bin" 5
  row "codehdr crc (5 GiB sparse file)" "dd bs=256k" "$tool" crc "$work/sparse.bin" \
    -- dd if="$work/sparse.bin" of=/dev/null bs=256k
} >>"$out"
rm "$image" "$work/legacy.img" "$work/payload.bin" "$work/built.img" "$work/copy.bin" "$work/extracted.bin" \
  "$work/copy.img" "$work/sparse.bin"

# Peak memory does not grow with the file: the same commands on a 4 MiB and
# a 1 GiB image.
"$e2e" image "$work/small.img" "$work/small.bin" 4
"$e2e" image "$work/large.img" "$work/large.bin" 1024
rm "$work/small.bin" "$work/large.bin"
{
  echo
  echo "Peak memory of whole commands on a 4 MiB and a 1 GiB code image (median of 3 runs):"
  echo
  echo "| command | 4 MiB image | 1 GiB image | difference |"
  echo "|---|---:|---:|---:|"
  for cmd in verify crc info; do
    read -r _ kib _ lkib _ < <("$e2e" time 3 "$tool" "$cmd" "$work/small.img" -- "$tool" "$cmd" "$work/large.img")
    awk -v c="$cmd" -v a="$kib" -v b="$lkib" \
      'BEGIN { printf "| codehdr %s | %.1f MiB | %.1f MiB | %+.1f MiB |\n", c, a / 1024, b / 1024, (b - a) / 1024 }'
  done
} >>"$out"
rm "$work/small.img" "$work/large.img"

# Many small images: the thread pool of `codehdr verify`.
mkdir "$work/images"
"$e2e" images "$work/images" 1000
images=("$work"/images/image*.bin)
"$tool" verify -j 1 "${images[@]}" >/dev/null  # warm the page cache; fails on a bad image
read -r j1 _ j2 _ speedup < <("$e2e" time "$runs" "$tool" verify -j 1 "${images[@]}" -- "$tool" verify -j 2 "${images[@]}")
{
  echo
  echo "\`codehdr verify\` over ${#images[@]} images of 4 to 64 KiB in the page cache (median of $runs runs):"
  echo
  echo "| command | time | speed-up |"
  echo "|---|---:|---:|"
  echo "| codehdr verify -j 1 | ${j1} ms | 1.00× |"
  echo "| codehdr verify -j 2 | ${j2} ms | ${speedup}× |"
} >>"$out"

printf '\nLoad average (1, 5, 15 min) before the run: %s.\n' "$load" >>"$out"

echo
echo "written to $out:"
cat "$out"
