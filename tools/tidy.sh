#!/bin/sh
# clang-tidy over the given sources with the repository's .clang-tidy, every finding an
# error; each file's report is printed whole, so that parallel runs do not interleave.
#
#   tools/tidy.sh <build-dir> <jobs> <file>...
#
# Exits non-zero when any file has a finding or does not parse.
set -u
if [ "${1:-}" = --one ]; then
    out=$(clang-tidy -p "$2" --quiet --warnings-as-errors='*' "$3" 2>&1)
    status=$?
    # The count of findings in headers it was told to leave alone is no finding.
    out=$(printf '%s\n' "$out" | grep -Ev '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$')
    [ -n "$out" ] && printf '%s\n' "$out"
    exit $status
fi
build=$1
jobs=$2
shift 2
echo "clang-tidy: $# files, $jobs at a time"
printf '%s\n' "$@" | xargs -P "$jobs" -n 1 sh "$0" --one "$build"
