#!/usr/bin/env bash
# Speed of the 64-bit Windows build under Wine against the Linux build, side by
# side on this machine: the CRC-32 kernel of every tier over 1 MiB in the
# cache (bench/crc_speed.cpp, built for both against each build's library;
# each figure the median of five runs of each, alternated), and `codehdr verify` of a
# 256 MiB image in the page cache (each run alternated with the other tool's).
# Starting a program under Wine takes far longer than on Linux or Windows, so
# the same image is also verified four times in one run: the difference, over
# three, is what one more 256 MiB image costs once the program runs; an empty
# program shows what a start costs on each. Prints
# Markdown tables of medians. A measurement, not a test: nothing here passes
# or fails.
#
#   bash scripts/windows_speed.sh
#
# Needs build/release and build/win64 with its package (scripts/test_windows.sh
# makes both).
# Environment: CODEHDR_SPEED_RUNS (runs per figure, default 15).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${CODEHDR_SPEED_RUNS:-15}
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine-prefix} WINEDEBUG=-all
wine64=/usr/lib/wine/wine64
linux_tool=$PWD/build/release/tools/codehdr
out=$PWD/build/speed
mkdir -p "$out"
# The programs as shipped: the win64 package, unpacked (the build folder's
# copies carry debug sections, which Wine maps at every start).
rm -rf "$out/win64"
mkdir -p "$out/win64"
unzip -q build/win64/packages/codehdr-*-win64.zip -d "$out/win64"
win_bin=$(echo "$out"/win64/codehdr-*-win64/bin)

g++ -O2 -std=c++17 -Iinclude bench/crc_speed.cpp -Lbuild/release/src -lcodehdr \
  -Wl,-rpath,"$PWD/build/release/src" -o "$out/crc_speed"
# Beside codehdr.dll, which it loads.
x86_64-w64-mingw32-g++-posix -O2 -std=c++17 -Iinclude bench/crc_speed.cpp build/win64/src/libcodehdr.dll.a -static \
  -o "$win_bin/crc_speed.exe"

median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
# Milliseconds one command takes, its output discarded.
millis() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

echo "| CRC-32 kernel | Linux GB/s | Windows x64 under Wine GB/s | Windows / Linux |"
echo "|---|---:|---:|---:|"
for tier in slice pclmul-sse pclmul avx2 avx512; do
  linux=() windows=()
  for _ in 1 2 3 4 5; do
    read -r name gbps crc < <(CODEHDR_CRC_IMPL=$tier "$out/crc_speed" 1024 15)
    linux+=("$gbps")
    read -r wname wgbps wcrc < <(cd "$win_bin" && CODEHDR_CRC_IMPL=$tier "$wine64" crc_speed.exe 1024 15 | tr -d '\r')
    windows+=("$wgbps")
    [ "$crc" = "$wcrc" ] || echo "CRCs differ: $crc $wcrc" >&2
  done
  [ "$name" = "$tier" ] && [ "$wname" = "$tier" ] || echo "kernel not available: $name $wname" >&2
  l=$(printf '%s\n' "${linux[@]}" | median)
  w=$(printf '%s\n' "${windows[@]}" | median)
  echo "| $tier | $l | $w | $(awk -v a="$w" -v b="$l" 'BEGIN {printf "%.2f", a / b}') |"
done

make_image() {  # make_image FILE PAYLOAD_BYTES
  [ -f "$1" ] && return
  head -c "$2" /dev/urandom >"$1.payload"
  "$linux_tool" build "$1.payload" -o "$1" --devctl data/virevuz.txt --tag 17 --virevuz R02B01 --code-ver R01A02.3 \
    >/dev/null 2>&1
  rm -f "$1.payload"
}
# An empty program for each system: what starting and ending a process costs.
printf 'int main(void) { return 0; }\n' >"$out/empty.c"
gcc -O2 "$out/empty.c" -o "$out/empty"
x86_64-w64-mingw32-gcc -O2 "$out/empty.c" -o "$out/empty.exe"
big=$out/verify-256m.img
make_image "$big" $((256 << 20))
cat "$big" >/dev/null  # into the page cache
declare -A times
for _ in $(seq "$runs"); do
  times[linux:0]+="$(millis "$out/empty") "
  times[windows:0]+="$(millis "$wine64" "$out/empty.exe") "
  for which in linux:1 windows:1 linux:4 windows:4; do
    files=("$big")
    [ "${which#*:}" = 4 ] && files=("$big" "$big" "$big" "$big")
    if [ "${which%:*}" = linux ]; then
      t=$(millis "$linux_tool" verify -j 1 "${files[@]}")
    else
      t=$(millis "$wine64" "$win_bin/codehdr.exe" verify -j 1 "${files[@]}")
    fi
    times[$which]+="$t "
  done
done
med() { tr ' ' '\n' <<<"${times[$1]}" | grep . | median; }
l0=$(med linux:0) w0=$(med windows:0) l1=$(med linux:1) w1=$(med windows:1) l4=$(med linux:4) w4=$(med windows:4)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
lmore=$(((l4 - l1) / 3)) wmore=$(((w4 - w1) / 3))
echo
echo "| codehdr verify -j 1 (median of $runs runs, ms) | Linux | Windows x64 under Wine | Windows / Linux |"
echo "|---|---:|---:|---:|"
echo "| an empty program (start and exit) | $l0 | $w0 | |"
echo "| one 256 MiB image | $l1 | $w1 | $(ratio "$w1" "$l1")× |"
echo "| the same image four times in one run | $l4 | $w4 | $(ratio "$w4" "$l4")× |"
echo "| each image after the first: (four - one) / 3 | $lmore | $wmore | $(ratio "$wmore" "$lmore")× |"
