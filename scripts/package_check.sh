#!/usr/bin/env bash
# Makes the Debian packages (scripts/package.sh), installs them on this
# machine with apt-get, uses them the way a release engineer would, and
# removes them again:
#
#   - the install consumer (tests/install/consumer) builds against the
#     installed libcodehdr-dev through find_package and through pkg-config,
#     and runs; so does the C consumer (tests/install/consumer_c), compiled
#     by gcc as C99;
#   - Debian's python3 imports the installed codehdr package (writing byte
#     code) and verifies an image that the installed tool built;
#   - the package version, codehdr --version, codehdr.pc and the CMake
#     package all give the project version;
#   - man -w codehdr finds the manual page, and man reads it without warnings;
#   - bash-completion loads the completion on first use in an interactive
#     bash, and it completes a command;
#   - removing the packages leaves no file, byte code included.
#
# Installing packages needs root (CI runs as root on a fresh Debian machine);
# elsewhere the packages are still made and the rest is skipped with a note.
# Refuses to run when any of the packages is installed already, so it never
# removes an installation it did not make.
set -euo pipefail
cd "$(dirname "$0")/.."
# Python writes byte code as on a user's machine, so that removal is checked
# against the __pycache__ folders an installed package really gets.
unset PYTHONDONTWRITEBYTECODE
# shellcheck source=scripts/debian_packages.sh
source scripts/debian_packages.sh

build=${CODEHDR_PACKAGE_BUILD_DIR:-build/release}
packages=(libcodehdr1 libcodehdr-dev codehdr python3-codehdr)

bash scripts/package.sh
if [ "$(id -u)" -ne 0 ]; then
  echo "package_check.sh: SKIPPED installing and checking the packages: apt-get needs root (CI runs this as root)"
  exit 0
fi
for p in "${packages[@]}"; do
  if [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" = installed ]; then
    echo "package_check.sh: $p is installed already; remove it first (apt-get remove ${packages[*]})" >&2
    exit 1
  fi
done
ensure_debian_packages man-db bash-completion pkg-config cmake g++ gcc python3

project_version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$(mktemp -d)
remove_packages() {
  apt-get -o DPkg::Lock::Timeout=300 remove -y -qq --purge "${packages[@]}" >/dev/null
}
trap 'remove_packages; rm -rf "$work"' EXIT

echo "== installing ${packages[*]} =="
apt-get -o DPkg::Lock::Timeout=300 install -y -qq "$PWD/$build/packages/"*.deb >/dev/null

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
same() {  # same WHAT GOT WANT
  if [ "$2" = "$3" ]; then echo "ok: $1: $2"; else fail "$1 is '$2', expected '$3'"; fi
}

echo "== versions =="
same "package version" "$(dpkg-query -W -f='${Version}' codehdr)" "$project_version"
same "codehdr --version" "$(codehdr --version | cut -d' ' -f1-2)" "codehdr $project_version"
same "codehdr on PATH" "$(command -v codehdr)" /usr/bin/codehdr
same "pkg-config --modversion" "$(pkg-config --modversion codehdr)" "$project_version"
same "pkg-config libdir" "$(realpath -m "$(pkg-config --variable=libdir codehdr)")" /usr/lib

echo "== dependencies =="
# The tool takes SHA-256 from OpenSSL's libcrypto; the library depends on nothing but the C and C++ runtimes.
grep -q 'libssl3' <<<"$(dpkg-query -W -f='${Depends}' codehdr)" || fail "the codehdr package does not depend on libssl3"
grep -q 'ssl' <<<"$(dpkg-query -W -f='${Depends}' libcodehdr1)" && fail "libcodehdr1 depends on OpenSSL"

echo "== consumer through find_package =="
cmake -S tests/install/consumer -B "$work/cmake" >/dev/null
same "codehdr_DIR" "$(sed -n 's/^codehdr_DIR:PATH=//p' "$work/cmake/CMakeCache.txt")" /usr/lib/cmake/codehdr
cmake --build "$work/cmake" >/dev/null
cp data/virevuz.txt "$work/cmake/"  # the consumer loads the device table from beside itself
"$work/cmake/consumer" || fail "the find_package consumer failed"

echo "== consumer through pkg-config =="
# shellcheck disable=SC2046
g++ -std=c++17 tests/install/consumer/consumer.cpp $(pkg-config --cflags --libs codehdr) -o "$work/pc-consumer"
cp data/virevuz.txt "$work/"
"$work/pc-consumer" || fail "the pkg-config consumer failed"

echo "== C consumer through pkg-config (gcc, C99) =="
# shellcheck disable=SC2046
gcc -std=c99 -Wall -Wextra -pedantic -Werror tests/install/consumer_c/consumer.c $(pkg-config --cflags --libs codehdr) \
  -o "$work/c-consumer"
"$work/c-consumer" "$work" || fail "the C consumer failed"

echo "== Python package =="
# Debian's interpreter, the one python3-codehdr is for (another python3 may come first on PATH).
printf 'payload' >"$work/app.bin"
printf 'VERSION 1\nDEVICE_MODEL 1A2 ALPHA APP x 17\n' >"$work/virevuz.txt"
codehdr build "$work/app.bin" -o "$work/app.img" --tag 17 --virevuz R01A02 --code-ver P03B04.5 \
  --devctl "$work/virevuz.txt" 2>/dev/null || fail "codehdr build failed"
verified=$(cd "$work" && /usr/bin/python3 -c "import codehdr; print(codehdr.verify_file('app.img'))") ||
  fail "python3 -c 'import codehdr; ...' failed"
echo "$verified"
[[ $verified == "verified (tag 17, code version P03B04.5,"* ]] || fail "the Python package did not verify app.img"
same "codehdr.__file__" "$(/usr/bin/python3 -c 'import codehdr; print(codehdr.__file__)')" \
  /usr/lib/python3/dist-packages/codehdr/__init__.py
[ -d /usr/lib/python3/dist-packages/codehdr/__pycache__ ] || fail "no byte code in /usr/lib/python3/dist-packages/codehdr"

echo "== manual page =="
if grep -rqs '^path-exclude[= ]*/usr/share/man' /etc/dpkg/dpkg.cfg.d/; then
  # Minimal images tell dpkg to drop every man page it unpacks.
  echo "note: dpkg here drops man pages (path-exclude in /etc/dpkg/dpkg.cfg.d/); checking the package's contents instead"
  contents=$(dpkg-deb -c "$build/packages/codehdr_${project_version}_"*.deb)
  grep -q ' ./usr/share/man/man1/codehdr.1.gz$' <<<"$contents" || fail "the codehdr package holds no man page"
else
  same "man -w codehdr" "$(man -w codehdr)" /usr/share/man/man1/codehdr.1.gz
  warnings=$(MANWIDTH=80 man --warnings codehdr 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "man codehdr warns: $warnings"
  page=$(MANWIDTH=80 man codehdr 2>/dev/null || true)
  for section in SYNOPSIS COMMANDS "EXIT STATUS" ENVIRONMENT; do
    grep -qx "$section" <<<"$page" || fail "man codehdr has no $section section"
  done
fi

echo "== bash completion =="
# Loaded the way an interactive bash with bash-completion loads it: not known
# before first use, found by the on-demand loader, then completing "ver".
completion=$(bash --norc -i -c '
  source /usr/share/bash-completion/bash_completion
  complete -p codehdr >/dev/null 2>&1 && echo "loaded too early"
  _completion_loader codehdr
  spec=$(complete -p codehdr) || exit 1
  echo "$spec"
  function=${spec#complete -F }
  COMP_WORDS=(codehdr ver) COMP_CWORD=1 COMP_LINE="codehdr ver" COMP_POINT=11
  "${function%% *}" codehdr ver codehdr
  echo "offers: ${COMPREPLY[*]}"' 2>/dev/null) || true
echo "$completion"
grep -qx "complete -F _codehdr codehdr" <<<"$completion" || fail "bash-completion did not load the completion"
grep -qx "offers: verify version" <<<"$completion" || fail "'codehdr ver' does not complete to verify and version"
grep -q "loaded too early" <<<"$completion" && fail "the completion was loaded before first use"

echo "== removing the packages =="
trap 'rm -rf "$work"' EXIT
remove_packages
if [ -e /usr/bin/codehdr ] || [ -e /usr/lib/libcodehdr.so.1 ] || [ -e /usr/lib/python3/dist-packages/codehdr ]; then
  fail "files left after removal"
fi
/usr/bin/python3 -c 'import codehdr' 2>/dev/null && fail "python3 still imports codehdr after removal"

if [ "$failures" -ne 0 ]; then
  echo "package_check.sh: $failures check(s) failed" >&2
  exit 1
fi
echo "package_check.sh: the packages install, work and uninstall"
