#!/usr/bin/env bash
# Compares the ABI of the built libcodehdr.so against the committed baseline
# packaging/abi/libcodehdr.abi (abidw/abidiff from abigail-tools, limited to
# the public headers in include/codehdr/).
#
#   scripts/abi_check.sh                            check (CI)
#   scripts/abi_check.sh --update                   renew the baseline
#   scripts/abi_check.sh --update --allow-incompatible
#                                                   renew over an incompatible
#                                                   change without a new SONAME
#
# The check fails when a function or variable of the public API was removed
# or changed (a changed type it uses counts: callers compiled against the old
# headers would break), and when the built library's SONAME is not the one in
# the baseline. Added functions and variables pass with a note. An
# incompatible change therefore needs a new SONAME (the library's SOVERSION
# follows the major version in CMakeLists.txt) and a renewed baseline, in the
# same commit.
# --update keeps the baseline byte for byte when the ABI has not changed, and
# refuses to renew over an incompatible change while the SONAME stays the
# same, unless --allow-incompatible says that no release has shipped the old
# baseline.
#
# Reuses the build tree (default build/release, built by scripts/test.sh); it
# must be built with debug information (RelWithDebInfo). A cross build's tree
# (scripts/test_arm.sh: build/arm64) is checked against the same baseline.
# Environment: CODEHDR_ABI_BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."

update=0 allow_incompatible=0
for arg in "$@"; do
  case $arg in
    --update) update=1 ;;
    --allow-incompatible) allow_incompatible=1 ;;
    *) echo "usage: $0 [--update [--allow-incompatible]]" >&2; exit 2 ;;
  esac
done

build=${CODEHDR_ABI_BUILD_DIR:-build/release}
baseline=packaging/abi/libcodehdr.abi
headers=include/codehdr

if ! command -v abidiff >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then
    # shellcheck source=scripts/debian_packages.sh
    source scripts/debian_packages.sh
    ensure_debian_packages abigail-tools
  else
    echo "abi_check.sh: abidw/abidiff not found: apt-get install abigail-tools" >&2
    exit 1
  fi
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCODEHDR_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j "${CODEHDR_JOBS:-2}" --target codehdr >/dev/null
lib=$(readlink -f "$build/src/libcodehdr.so")
sections=$(readelf -S "$lib")
if ! grep -q '\.debug_info' <<<"$sections"; then
  echo "abi_check.sh: $lib has no debug information; build $build as RelWithDebInfo" >&2
  exit 1
fi
soname=$(readelf -d "$lib" | sed -n 's/.*Library soname: \[\(.*\)\].*/\1/p')

# The baseline keeps source locations (file names only, no build paths):
# abidiff tells public types from private ones by them, and without them it
# would let changes to public types pass unreported.
write_abi() {
  abidw --headers-dir "$headers" --drop-private-types --no-corpus-path --no-comp-dir-path \
    --short-locs --type-id-style hash --out-file "$1" "$lib"
}
baseline_soname() { sed -n "s/^<abi-corpus .*soname='\([^']*\)'.*/\1/p" "$baseline"; }

# compare: abidiff the baseline against the built library. Sets `verdict` to
# same, additions or incompatible, and leaves the report in $report.
report=$(mktemp)
trap 'rm -f "$report"' EXIT
compare() {
  local rc=0
  abidiff --drop-private-types --suppressions packaging/abi/suppressions.ini --headers-dir2 "$headers" "$baseline" \
    "$lib" >"$report" 2>&1 || rc=$?
  # abidiff's status is a bit set: 1 error, 2 usage error, 4 ABI change,
  # 8 incompatible change (it sets 8 only for removals; a changed type is 4).
  if ((rc & 3)); then
    cat "$report" >&2
    echo "abi_check.sh: abidiff failed ($rc)" >&2
    exit 1
  fi
  # A library of another architecture (the arm64 build against the x86-64
  # baseline) differs in its ELF header, which abidiff counts as incompatible
  # on its own; its functions and variables still decide.
  local other_arch=0
  grep -q '^architecture changed from' "$report" && other_arch=1
  if ((rc == 0)); then
    verdict=same
  elif { ((rc & 8)) && ((!other_arch)); } || grep -Eq '[1-9][0-9]* (Removed|Changed)' "$report"; then
    verdict=incompatible
  else
    verdict=additions
  fi
}

if ((update)); then
  if [ -f "$baseline" ] && [ "$(baseline_soname)" = "$soname" ]; then
    compare
    # abidw writes an unchanged ABI differently from one build (or abidw) to
    # the next: the baseline is kept as it is, so that renewing it changes
    # nothing in the repository.
    if [ "$verdict" = same ]; then
      echo "abi_check.sh: $soname: ABI unchanged; $baseline kept as it is"
      exit 0
    fi
    if [ "$verdict" = incompatible ] && ((!allow_incompatible)); then
      cat "$report"
      echo "abi_check.sh: not renewing: the change above is incompatible and the SONAME is still $soname." >&2
      echo "Bump the major version in CMakeLists.txt (the SONAME follows it) first," \
           "or pass --allow-incompatible if no release has shipped the old ABI." >&2
      exit 1
    fi
  fi
  mkdir -p "$(dirname "$baseline")"
  write_abi "$baseline"
  echo "abi_check.sh: renewed $baseline from $lib ($soname); commit it with the change"
  exit 0
fi

if [ ! -f "$baseline" ]; then
  echo "abi_check.sh: no baseline $baseline; make one with scripts/abi_check.sh --update" >&2
  exit 1
fi
if [ "$(baseline_soname)" != "$soname" ]; then
  echo "abi_check.sh: FAIL: the library's SONAME is $soname but the baseline is for $(baseline_soname)." >&2
  echo "Renew the baseline with scripts/abi_check.sh --update and commit it with the SONAME change." >&2
  exit 1
fi
compare
case $verdict in
  same)
    echo "abi_check.sh: $soname: ABI unchanged" ;;
  additions)
    cat "$report"
    echo "abi_check.sh: $soname: compatible additions only (note: renew the baseline with --update to record them)" ;;
  incompatible)
    cat "$report"
    echo "abi_check.sh: FAIL: $soname: incompatible ABI change (above)." >&2
    echo "Keep the old interface, or bump the major version in CMakeLists.txt (the SONAME follows it)" \
         "and renew the baseline (scripts/abi_check.sh --update) in the same commit." >&2
    exit 1 ;;
esac
