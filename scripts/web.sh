#!/usr/bin/env bash
# The browser page: the library compiled to WebAssembly with emscripten
# (build/wasm), and the page assembled beside its module in build/web/.
#
#   bash scripts/web.sh            # build the module and the page
#   bash scripts/web.sh --test     # and run the unit tests under Node (wasm32) and the browser tests
#   bash scripts/web.sh --serve    # and serve build/web/ on http://127.0.0.1:8000/ (CODEHDR_WEB_PORT)
#   bash scripts/web.sh --bench    # and run the CRC-32 benchmark in the browser
#
# The browser tests and the benchmark drive Debian's headless Chromium with
# puppeteer-core from npm (the version pinned in tests/web/package-lock.json,
# installed into tests/web/node_modules/), and compare the page with the
# codehdr tool of a Linux build (CODEHDR_LINUX_BUILD_DIR, default
# build/release; its tool is built when missing).
#
# Environment: CODEHDR_JOBS (build parallelism, default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/debian_packages.sh
source scripts/debian_packages.sh

mode=${1:-}
case "$mode" in "" | --test | --serve | --bench) ;; *) echo "usage: $0 [--test | --serve | --bench]" >&2; exit 2 ;; esac
jobs=${CODEHDR_JOBS:-2}
build=build/wasm
web=$PWD/build/web
linux_build=${CODEHDR_LINUX_BUILD_DIR:-build/release}

# emscripten's JavaScript optimiser loads acorn from Node's Debian path.
ensure_debian_packages cmake emscripten node-acorn nodejs googletest
export NODE_PATH=/usr/share/nodejs

configure=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/emscripten-wasm32.cmake -DCMAKE_BUILD_TYPE=Release
           -DCODEHDR_BUILD_TOOLS=OFF -DCODEHDR_WEB_DIR="$web")
targets=(--target codehdr_wasm)
if [ "$mode" = --test ] || [ "$mode" = --bench ]; then
  ensure_debian_packages chromium
  command -v npm >/dev/null || ensure_debian_packages npm
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
fi
if [ "$mode" = --test ]; then
  ensure_debian_packages build-essential libcli11-dev nlohmann-json3-dev libssl-dev
  tool=$PWD/$linux_build/tools/codehdr
  if [ ! -x "$tool" ]; then
    [ -f "$linux_build/CMakeCache.txt" ] || cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$linux_build" -j "$jobs" --target codehdr-tool >/dev/null
  fi
  configure+=(-DCODEHDR_BUILD_TESTS=ON -DCODEHDR_WEB_TOOL="$tool")
  targets+=(--target unit_tests)
else
  configure+=(-DCODEHDR_BUILD_TESTS=OFF)
fi
cmake -S . -B "$build" "${configure[@]}" >/dev/null
cmake --build "$build" -j "$jobs" "${targets[@]}"
echo "page in $web"

case "$mode" in
  --test)
    ctest --test-dir "$build" --output-on-failure -L 'unit|web'
    ;;
  --bench)
    node bench/web/web_bench.mjs "$web"
    ;;
  --serve)
    port=${CODEHDR_WEB_PORT:-8000}
    echo "serving $web on http://127.0.0.1:$port/ (Ctrl-C stops)"
    exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$web"
    ;;
esac
