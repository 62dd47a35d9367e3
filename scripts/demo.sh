#!/usr/bin/env bash
# The main job from a fresh clone: build the tool if needed, stamp a sample
# payload into a code image with two dependencies, show its header, verify
# it, then verify a copy with one flipped payload byte and show why it fails.
# Then a release: the sample release data/release/ (the application, its
# boot loader and its FPGA image, rebuilt here byte for byte) is checked as a
# set, with its manifest data/release.json, and so is a copy of it without
# the FPGA image, which the application depends on.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/debian_packages.sh
source scripts/debian_packages.sh
ensure_debian_packages build-essential cmake pkg-config googletest libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev \
  libssl-dev

build=build/release
jobs=${CODEHDR_JOBS:-2}
# Same configuration as the normal build of scripts/test.sh, so both share it.
# Configuring an up-to-date tree is quick and picks up new targets.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs" --target codehdr-tool >/dev/null
tool=$PWD/$build/tools/codehdr
devctl=$PWD/data/virevuz.txt
release=$PWD/data/release

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

run() {
  echo "\$ codehdr $*"
  "$tool" "$@"
}

# Deterministic payloads standing in for compressed code: 4 KiB, 2 KiB, 3 KiB.
sample() {  # sample WHAT BYTES
  LC_ALL=C awk -v what="$1" 'BEGIN { for (i = 0; i < 128; i++) printf "block %04d of the sample %s...\n", i, what }' |
    head -c "$2"
}
sample "compressed code" 4096 >app.bin

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

echo
echo "== a release: the application, its boot loader (tag 18, BOOT) and its FPGA image (tag 21, FPGA) =="
# The sample release in data/release/: the same bytes every time.
sample "boot loader" 2048 >boot.bin
sample "FPGA bitstream" 3072 >fpga.bin
common=(--virevuz R02B01 --devctl "$devctl")
"$tool" build app.bin -o "$release/rx200-app.img" --tag 17 --code-ver R01A03.2 \
  --dep BOOT=R01A01.4 --dep FPGA=R03C00 "${common[@]}" >/dev/null 2>&1
"$tool" build boot.bin -o "$release/rx200b-boot.img" --tag 18 --code-ver R01A01.4 "${common[@]}" >/dev/null 2>&1
"$tool" build fpga.bin -o "$release/tx310-fpga.img" --tag 21 --code-ver R03C00 "${common[@]}" >/dev/null 2>&1
cp -r "$release" release
run check --dir release --virevuz R02B01 --devctl "$devctl" --write-manifest release.json 2>/dev/null
cp release.json "$release.json"
echo
echo "== deployed months later: the same files as released? =="
run check --dir release --manifest release.json --devctl "$devctl" 2>/dev/null
echo
echo "== the same release without its FPGA image =="
rm release/tx310-fpga.img
status=0
run check --dir release --manifest release.json --devctl "$devctl" 2>/dev/null || status=$?
echo "(exit status $status: 1 means the release is not consistent, as intended here)"
