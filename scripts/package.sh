#!/usr/bin/env bash
# Makes the Debian packages libcodehdr1, libcodehdr-dev, codehdr and
# python3-codehdr, and a tarball of the same install tree, with CPack from
# the build tree. A build
# tree that is already there is reused (CI builds build/release with
# scripts/test.sh first); otherwise it is configured without the tests.
# The packages land in <build>/packages/, with codehdr-VERSION-web.zip when
# scripts/web.sh has built the browser page (build/web/).
#
#   scripts/package.sh
#
# Environment: CODEHDR_PACKAGE_BUILD_DIR (default build/release), CODEHDR_JOBS
# (build parallelism, default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/debian_packages.sh
source scripts/debian_packages.sh

build=${CODEHDR_PACKAGE_BUILD_DIR:-build/release}
jobs=${CODEHDR_JOBS:-2}
out=$PWD/$build/packages

if [ ! -f "$build/CMakeCache.txt" ]; then
  # The tool's build needs CLI11, nlohmann/json and OpenSSL's libcrypto (SHA-256); CPack needs dpkg-dev and file.
  ensure_debian_packages build-essential cmake libcli11-dev nlohmann-json3-dev libssl-dev dpkg-dev file
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCODEHDR_BUILD_TESTS=OFF >/dev/null
fi
if grep -q '^CODEHDR_SANITIZE:STRING=.\+' "$build/CMakeCache.txt"; then
  echo "package.sh: $build is a sanitizer build; package a build without CODEHDR_SANITIZE" >&2
  exit 1
fi
# Nothing to do when the tree is up to date; cpack itself only installs.
cmake --build "$build" -j "$jobs"

rm -rf "$out"
mkdir -p "$out"
if ! cpack --config "$build/CPackConfig.cmake" -G "DEB;TGZ" -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log" >&2
  echo "package.sh: cpack failed" >&2
  exit 1
fi
rm -rf "$out/_CPack_Packages"

echo "packages in $out:"
for deb in "$out"/*.deb; do
  printf '  %-40s %s %s\n' "$(basename "$deb")" "$(dpkg-deb -f "$deb" Package)" "$(dpkg-deb -f "$deb" Version)"
  printf '      Depends: %s\n' "$(dpkg-deb -f "$deb" Depends)"
done
for tarball in "$out"/*.tar.gz; do
  printf '  %-40s %s files\n' "$(basename "$tarball")" "$(tar -tzf "$tarball" | grep -cv '/$')"
done

# The browser page, when scripts/web.sh has built it: its folder as a ZIP,
# ready to unpack on any static web server.
if [ -f build/web/codehdr.wasm ]; then
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  web_zip=$out/codehdr-$version-web.zip
  (cd build/web && python3 -m zipfile -c "$web_zip" index.html style.css ./*.js codehdr.wasm)
  printf '  %-40s %s files\n' "$(basename "$web_zip")" "$(python3 -m zipfile -l "$web_zip" | tail -n +2 | wc -l)"
fi
