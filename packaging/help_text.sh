# shellcheck shell=bash
# Reading the codehdr tool's --help output; sourced by the man page generator
# and the completion test.

# help_list TITLE: from a help text on standard input, the first word of each
# entry in the list headed "TITLE:" (for "Options", the flags as printed,
# such as -o,--output).
help_list() {
  awk -v title="$1:" '
    /^[^ ].*:$/ { listing = ($0 == title); next }
    /^$/        { listing = 0; next }
    listing && /^  [^ ]/ { print $1 }'
}
