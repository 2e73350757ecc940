#!/bin/sh
# compare_transcript.sh EXPECTED OUTPUT COMMAND [ARGS...]
# Runs COMMAND, keeps its standard output in OUTPUT with line endings made
# Unix-style (Wine's console gives CRLF), and fails showing the differences
# unless it equals EXPECTED.
set -u
[ $# -ge 3 ] || { sed -n '2,5s/^# \{0,1\}//p' "$0" >&2; exit 2; }
expected=$1
output=$2
shift 2

"$@" >"$output.raw"
status=$?
tr -d '\r' <"$output.raw" >"$output"
rm -f "$output.raw"
if [ $status -ne 0 ]; then
    echo "the script exited with status $status" >&2
    exit 1
fi
diff -u "$expected" "$output" || {
    echo "transcript differs from $expected (- expected, + this run)" >&2
    exit 1
}
