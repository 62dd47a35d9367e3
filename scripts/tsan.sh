#!/usr/bin/env bash
# The ThreadSanitizer job: builds the library, the fault tests (threads over
# the shared tables and objects of their own) and the codehdr tool with
# -fsanitize=thread, runs the tests, and runs the tool's
# parallel `verify -j 4` over a set of images and `check -j 4` with its
# SHA-256 over a release. Any reported race fails the job.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${CODEHDR_JOBS:-2}
build=${CODEHDR_TSAN_BUILD_DIR:-build-tsan}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCODEHDR_SANITIZE=thread \
  -DCODEHDR_BUILD_TESTS=ON -DCODEHDR_BUILD_TOOLS=ON >/dev/null
cmake --build "$build" -j "$jobs" --target fault_tests codehdr-tool

# A race ends the process with exit code 66.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:exitcode=66:second_deadlock_stack=1}

echo "== fault tests under ThreadSanitizer =="
"$build/tests/fault_tests"

echo "== codehdr verify -j 4 under ThreadSanitizer =="
tool="$build/tools/codehdr"
images=(fuzz/corpus/image/*)
valid=(fuzz/corpus/image/valid_*)
# Sound images: every one verifies.
for round in 1 2 3; do
  "$tool" verify -j 4 "${valid[@]}" "${valid[@]}" >/dev/null
done
# Every kind of image, sound and broken: failures are reported, races are not
# allowed (66) and nothing may crash (128 and above).
set +e
"$tool" verify -j 4 "${images[@]}" >/dev/null 2>&1
rc=$?
set -e
if [ "$rc" -eq 66 ] || [ "$rc" -ge 128 ]; then
  echo "tsan.sh: codehdr verify -j 4 ended with $rc" >&2
  exit 1
fi

echo "== codehdr check -j 4 with manifests under ThreadSanitizer =="
# The sample release and copies of its images: consistent, so every run must pass.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/release"
cp data/release/* "$work/release/"
for i in 1 2 3 4 5 6 7 8; do cp data/release/tx310-fpga.img "$work/release/fpga-copy-$i.img"; done
"$tool" check -j 4 --devctl data/virevuz.txt --dir "$work/release" --write-manifest "$work/release.json" >/dev/null
"$tool" check -j 4 --devctl data/virevuz.txt --dir "$work/release" --manifest "$work/release.json" --json >/dev/null
echo "tsan.sh: no races"
