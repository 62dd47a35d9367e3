#!/usr/bin/env bash
# Checks the bash completion against the program it completes: every command
# and every option that `TOOL ... --help` lists is offered, file arguments
# complete to file names, and option values that are not files do not.
#
#   completion_test.sh TOOL COMPLETION_FILE
set -euo pipefail
tool=$1
read -r -a emulator <<<"${CODEHDR_TOOL_EMULATOR:-}"  # a cross build's
# shellcheck source=packaging/bash-completion/codehdr
source "$2"
# shellcheck source=packaging/help_text.sh
source "$(dirname "$0")/../../packaging/help_text.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
touch image-a.bin image-b.bin
mkdir images-dir

# offered LINE: what completing the last word of LINE offers, one per line.
offered() {
  local line=$1
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line COMP_POINT=${#line}
  COMPREPLY=()
  _codehdr codehdr "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}"
}

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_offered() {  # expect_offered LINE WORD...: each WORD is among the completions
  local line=$1 got word; shift
  got=$(offered "$line")
  for word in "$@"; do
    grep -qxF -- "$word" <<<"$got" || fail "'$line' does not offer '$word' (offers: ${got//$'\n'/ })"
  done
}
expect_exactly() {  # expect_exactly LINE WORD...: the completions are these WORDs
  local line=$1 got want; shift
  got=$(offered "$line" | sort | xargs)
  want=$(printf '%s\n' "$@" | sort | xargs)
  [ "$got" = "$want" ] || fail "'$line' offers '$got', expected '$want'"
}

# Every command and option of the program, walked the way its help lists them.
check_command() {
  local help sub
  help=$("${emulator[@]}" "$tool" "$@" --help)
  # shellcheck disable=SC2046
  expect_offered "codehdr $* -" $(help_list Options <<<"$help" | tr , ' ')
  for sub in $(help_list Subcommands <<<"$help"); do
    expect_offered "codehdr $* " "$sub"
    check_command "$@" "$sub"
  done
}
check_command

# Arguments.
expect_exactly "codehdr verify ima" image-a.bin image-b.bin images-dir
expect_exactly "codehdr verify --tag 3 image-a.bin ima" image-a.bin image-b.bin images-dir
expect_exactly "codehdr build image-a.bin -o image-b" image-b.bin
expect_exactly "codehdr devices --devctl ima" image-a.bin image-b.bin images-dir
expect_exactly "codehdr check --dir ima" images-dir
expect_exactly "codehdr check --dir images-dir --manifest ima" image-a.bin image-b.bin images-dir
expect_exactly "codehdr check --allow-missing "
expect_exactly "codehdr check image-a.bin ima" image-a.bin image-b.bin images-dir
expect_exactly "codehdr build image-a.bin --tag "
expect_exactly "codehdr verify -j "
expect_exactly "codehdr version check "
expect_exactly "codehdr version make --maj 1 --p" --prelim
expect_exactly "codehdr modes "
expect_exactly "codehdr ver" verify version

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "bash completion: all checks passed"
