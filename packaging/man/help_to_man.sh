#!/usr/bin/env bash
# Writes the codehdr(1) manual page from the program's own help output, so
# the page documents exactly the commands and options the built program has.
#
#   help_to_man.sh TOOL VERSION OUTPUT
#
# It runs `TOOL --help`, then `TOOL CMD --help` for every command that a
# "Subcommands:" list names, recursively, and turns each help text into roff:
#
#   text before "Usage:"          the command's description
#   "Usage: ..."                  its synopsis line
#   "Title:" + indented lines     a list ("Options:", "Positionals:", or any
#                                 footer list such as "Exit status:")
#   other unindented lines        paragraphs; "Label: text" names its paragraph
#
# The top-level help gives NAME, SYNOPSIS, DESCRIPTION and OPTIONS; every
# footer list or labelled paragraph of it becomes a section of its own (for
# example EXIT STATUS, ENVIRONMENT). Each command gets a subsection under
# COMMANDS; what it repeats from the top-level help (an inherited footer, the
# --help option) is left out there. SOURCE_DATE_EPOCH, when set, dates the page.
# CODEHDR_TOOL_EMULATOR, when set, is the command (with its arguments) that
# runs TOOL: a cross build's emulator.
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 TOOL VERSION OUTPUT" >&2
  exit 2
fi
tool=$1 version=$2 output=$3
read -r -a emulator <<<"${CODEHDR_TOOL_EMULATOR:-}"
export LC_ALL=C
shopt -s inherit_errexit
# shellcheck source=packaging/help_text.sh
source "$(dirname "$0")/../help_text.sh"

# Every help text, each after a line "@@command <words>", commands in the
# order their parents list them.
collect() {
  local help sub name
  name=$(basename "$tool")
  [ $# -eq 0 ] || name+=" $*"
  help=$("${emulator[@]}" "$tool" "$@" --help) || { echo "$0: '$name --help' failed" >&2; return 1; }
  printf '@@command %s\n%s\n' "$name" "$help"
  for sub in $(printf '%s\n' "$help" | help_list Subcommands); do
    collect "$@" "$sub" || return 1
  done
}

date=""
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  date=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)
fi

helps=$(collect)
tmp=$(mktemp "$output.XXXXXX")
trap 'rm -f "$tmp"' EXIT
printf '%s\n' "$helps" | awk -v version="$version" -v date="$date" '
# ---- reading: commands, each a list of blocks (lists and paragraphs) ----
/^@@command / {
  n++; name[n] = substr($0, 11); desc[n] = ""; usage[n] = ""; nb[n] = 0
  state = "desc"; next
}
state == "desc" && /^Usage: / { usage[n] = substr($0, 8); state = "gap"; next }
state == "desc" { desc[n] = join(desc[n], $0); next }
/^$/ { state = "gap"; next }
state == "para" && /^[^ ]/ { body[n, b] = join(body[n, b], $0); raw[n, b] = raw[n, b] "\n" $0; next }
/^[^ ].*:$/ {
  b = ++nb[n]; kind[n, b] = "list"; title[n, b] = substr($0, 1, length($0) - 1)
  ne[n, b] = 0; raw[n, b] = $0; state = "list"; next
}
state == "list" && /^  [^ ]/ {
  e = ++ne[n, b]; line = substr($0, 3)
  if (match(line, /  +/)) { term[n, b, e] = substr(line, 1, RSTART - 1); text[n, b, e] = substr(line, RSTART + RLENGTH) }
  else { term[n, b, e] = line; text[n, b, e] = "" }
  raw[n, b] = raw[n, b] "\n" $0; next
}
state == "list" && /^   / {
  line = $0; sub(/^ +/, "", line)
  text[n, b, ne[n, b]] = join(text[n, b, ne[n, b]], line)
  raw[n, b] = raw[n, b] "\n" $0; next
}
{
  b = ++nb[n]; kind[n, b] = "para"; title[n, b] = ""; body[n, b] = $0; raw[n, b] = $0
  state = "para"; next
}

function join(a, s) { return a == "" ? s : s == "" ? a : a " " s }

# ---- roff helpers ----
# Backslashes stay literal, words that start with "-" (options) get real
# minus signs, and no line starts with a control character.
function esc(s,    out, i, w, nw, words) {
  gsub(/\\/, "\\e", s)
  nw = split(s, words, " ")
  out = ""
  for (i = 1; i <= nw; i++) {
    w = words[i]
    if (w ~ /^[\[(|]*-/) gsub(/-/, "\\-", w)
    out = out (i > 1 ? " " : "") w
  }
  if (out ~ /^[.\047]/) out = "\\&" out
  return out
}
# "-o,--output TEXT REQUIRED": the flags bold, what follows in italics.
function term_roff(t,    sp, head, rest) {
  sp = index(t, " ")
  if (sp == 0) return "\\fB" esc(t) "\\fR"
  head = substr(t, 1, sp - 1); rest = substr(t, sp + 1)
  return "\\fB" esc(head) "\\fR \\fI" esc(rest) "\\fR"
}
# A paragraph "Label: text" (a short label in words) splits into both.
function split_label(n, b,    s, c) {
  if (kind[n, b] != "para" || title[n, b] != "") return
  s = body[n, b]; c = index(s, ": ")
  if (c > 1 && c <= 32 && substr(s, 1, c - 1) ~ /^[A-Z][A-Za-z ]*$/) {
    title[n, b] = substr(s, 1, c - 1); body[n, b] = substr(s, c + 2)
  }
}
function is_command_list(t) { return t == "Options" || t == "Positionals" || t == "Subcommands" }
function print_entries(n, b,    e) {
  for (e = 1; e <= ne[n, b]; e++) {
    if (n > 1 && (term[n, b, e] SUBSEP text[n, b, e]) in top_entry) continue
    print ".TP"; print term_roff(term[n, b, e])
    if (text[n, b, e] != "") print esc(text[n, b, e])
  }
}
function synopsis(n,    rest) {
  if (index(usage[n], name[n]) != 1) { print esc(usage[n]); print ".br"; return }
  rest = substr(usage[n], length(name[n]) + 2)
  print ".B " esc(name[n]); if (rest != "") print esc(rest); print ".br"
}
function has_subcommands(n,    b) {
  for (b = 1; b <= nb[n]; b++) if (kind[n, b] == "list" && title[n, b] == "Subcommands") return 1
  return 0
}

END {
  if (n == 0 || usage[1] == "") { print "help_to_man: no usable help output" > "/dev/stderr"; exit 1 }
  for (i = 1; i <= n; i++) for (b = 1; b <= nb[i]; b++) split_label(i, b)
  # What every command repeats from the top level.
  for (b = 1; b <= nb[1]; b++) {
    top_block[raw[1, b]] = 1
    if (kind[1, b] == "list")
      for (e = 1; e <= ne[1, b]; e++) top_entry[term[1, b, e] SUBSEP text[1, b, e]] = 1
  }

  summary = desc[1]; sub(/\.$/, "", summary)
  if (substr(summary, 2, 1) ~ /[a-z]/) summary = tolower(substr(summary, 1, 1)) substr(summary, 2)
  print ".\\\" Generated from the output of " name[1] " --help; edit the help texts, not this file."
  print ".TH " toupper(name[1]) " 1 \"" date "\" \"" name[1] " " version "\" \"User Commands\""
  print ".SH NAME"
  print esc(name[1]) " \\- " esc(summary)

  print ".SH SYNOPSIS"
  synopsis(1)
  for (i = 2; i <= n; i++) if (!has_subcommands(i)) synopsis(i)

  print ".SH DESCRIPTION"
  print esc(desc[1])
  for (b = 1; b <= nb[1]; b++)
    if (kind[1, b] == "para" && title[1, b] == "") { print ".PP"; print esc(body[1, b]) }

  for (b = 1; b <= nb[1]; b++)
    if (kind[1, b] == "list" && title[1, b] == "Options") { print ".SH OPTIONS"; print_entries(1, b) }

  print ".SH COMMANDS"
  for (i = 2; i <= n; i++) {
    print ".SS " esc(usage[i])
    print esc(desc[i])
    for (b = 1; b <= nb[i]; b++) {
      if (raw[i, b] in top_block) continue
      if (kind[i, b] == "list" && title[i, b] == "Subcommands") continue
      if (kind[i, b] == "list") {
        if (!is_command_list(title[i, b])) { print ".PP"; print esc(title[i, b]) ":" }
        print_entries(i, b)
      } else {
        print ".PP"
        if (title[i, b] != "") print "\\fB" esc(title[i, b]) ":\\fR " esc(body[i, b])
        else print esc(body[i, b])
      }
    }
  }

  # The top-level footer: each list or labelled paragraph is a section.
  for (b = 1; b <= nb[1]; b++) {
    if (title[1, b] == "" || is_command_list(title[1, b])) continue
    print ".SH " esc(toupper(title[1, b]))
    if (kind[1, b] == "list") print_entries(1, b)
    else print esc(body[1, b])
  }
}' >"$tmp"
chmod 0644 "$tmp"
mv "$tmp" "$output"
trap - EXIT
