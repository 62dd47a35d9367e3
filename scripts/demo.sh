#!/usr/bin/env bash
# The main job from a fresh clone: build the tool if needed, stamp a sample
# payload into a code image with two dependencies, show its header, verify
# it, then verify a copy with one flipped payload byte and show why it fails.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/debian_packages.sh
source scripts/debian_packages.sh
ensure_debian_packages build-essential cmake pkg-config googletest libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev

build=build/release
jobs=${CODEHDR_JOBS:-2}
# Same configuration as the normal build of scripts/test.sh, so both share it.
# Configuring an up-to-date tree is quick and picks up new targets.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs" --target codehdr-tool >/dev/null
tool=$PWD/$build/tools/codehdr
devctl=$PWD/data/virevuz.txt

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

run() {
  echo "\$ codehdr $*"
  "$tool" "$@"
}

# A deterministic 4 KiB payload standing in for compressed code.
LC_ALL=C awk 'BEGIN { for (i = 0; i < 128; i++) printf "block %04d of the sample compressed code...\n", i }' \
  >blocks.txt
head -c 4096 blocks.txt >app.bin

echo "== build an image for tag 17 (model RX200, code mode APP) with two dependencies =="
run build app.bin -o app.img --tag 17 --virevuz R02B01 --code-ver R01A03.2 \
  --dep BOOT=R01A01.4 --dep FPGA=R03C00 --devctl "$devctl"
echo
echo "== info =="
run info app.img
echo
echo "== verify =="
run verify --tag 17 app.img
echo
echo "== flip one payload byte in a copy, then verify both =="
cp app.img flipped.img
offset=1000
old=$(od -An -tu1 -j "$offset" -N1 flipped.img | tr -d ' ')
new=$((old ^ 0x01))
printf "\\$(printf '%03o' "$new")" | dd of=flipped.img bs=1 seek="$offset" conv=notrunc status=none
printf 'byte %d: 0x%02x -> 0x%02x\n' "$offset" "$old" "$new"
status=0
run verify --tag 17 app.img flipped.img || status=$?
echo "(exit status $status: 1 means a file failed verification, as intended here)"
