#!/usr/bin/env bash
# Runs the manual page generator on a stand-in program whose help shows every
# shape it must handle: nested commands, a wrapped option, an inherited footer,
# footer lists and labelled paragraphs, text that roff would misread, and a
# command whose --help fails (listed when BROKEN is set).
#
#   man_page_test.sh GENERATOR
set -euo pipefail
generator=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/tool" <<'EOF'
#!/usr/bin/env bash
footer='Exit status:
  0  success
  1  a check was refused

Notes: .starts with a dot, has a back\slash.'
opts='Options:
  -h,--help                   Print this help message and exit'
case "$*" in
  --help) printf '%s\n' "Do things." "Usage: tool [OPTIONS] SUBCOMMAND" "" "$opts" \
            "  -j,--jobs UINT:UINT in [1 - 1024]" "                              Threads per job" \
            "  --mode TEXT                 How to run:" "                              fast or slow" "" \
            "Subcommands:" "  alpha                       First" "  group                       Grouped" "" "$footer" ;;
  "alpha --help") printf '%s\n' "First" "Usage: tool alpha [OPTIONS] FILE" "" "Positionals:" \
                    "  FILE TEXT REQUIRED          Input file" "" "$opts" "" "$footer" "" "Alpha reads FILE once." ;;
  "group --help") printf '%s\n' "Grouped" "Usage: tool group [OPTIONS] SUBCOMMAND" "" "$opts" "" \
                    "Subcommands:" "  leaf                        A leaf" \
                    ${BROKEN:+"  broken                      Fails"} ;;
  "group leaf --help") printf '%s\n' "A leaf" "Usage: tool group leaf [OPTIONS]" "" "$opts" \
                         "  --deep                      Go deeper" ;;
  *) exit 1 ;;
esac
EOF
chmod +x "$work/tool"

failures=0
expect() {  # expect COUNT TEXT: TEXT occurs on exactly COUNT lines of the page
  local got
  got=$(grep -cF -- "$2" "$work/page.1" || true)
  if [ "$got" -ne "$1" ]; then
    echo "FAIL: expected $1 line(s) with '$2', found $got" >&2
    failures=$((failures + 1))
  fi
}

# A command whose --help fails stops the generator and leaves no page.
if BROKEN=1 bash "$generator" "$work/tool" 9.8.7 "$work/page.1" 2>"$work/err"; then
  echo "FAIL: generator succeeded although 'tool group broken --help' fails" >&2
  exit 1
fi
grep -q "tool group broken --help' failed" "$work/err" || { cat "$work/err" >&2; exit 1; }
[ ! -e "$work/page.1" ] || { echo "FAIL: a page was left behind" >&2; exit 1; }

bash "$generator" "$work/tool" 9.8.7 "$work/page.1"

expect 1 '.TH TOOL 1 "" "tool 9.8.7" "User Commands"'
expect 1 'tool \- do things'
# Synopsis lines for the leaves only, each command with its own subsection.
expect 3 '.B tool'
expect 1 '.B tool alpha'
expect 1 '.B tool group leaf'
expect 1 '.SS tool group leaf [OPTIONS]'
# Wrapped option text joins its option; --help is documented once.
expect 1 '\fB\-j,\-\-jobs\fR \fIUINT:UINT in [1 \- 1024]\fR'
expect 1 'Threads per job'
expect 1 'How to run: fast or slow'
expect 1 '\fB\-h,\-\-help\fR'
expect 1 '\fB\-\-deep\fR'
expect 1 '\fBFILE\fR \fITEXT REQUIRED\fR'
# The top-level footer becomes sections, once; a command's own text stays with it.
expect 1 '.SH EXIT STATUS'
expect 1 'a check was refused'
expect 1 '.SH NOTES'
expect 1 '\&.starts with a dot, has a back\eslash.'
expect 1 'Alpha reads FILE once.'

if command -v groff >/dev/null; then
  groff -man -ww -z "$work/page.1" || failures=$((failures + 1))
fi
if [ "$failures" -ne 0 ]; then
  cat "$work/page.1" >&2
  exit 1
fi
echo "man page generator: all checks passed"
