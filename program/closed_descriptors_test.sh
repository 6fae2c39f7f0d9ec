#!/usr/bin/env bash
# The built program started with standard output or error closed, as a
# careless script or a service starts it: nothing it opens may take their
# numbers, so no line goes into an undo listing.
# Usage: closed_descriptors_test.sh PROGRAM DEMO_FILE
set -uo pipefail
program=$1
demo=$2
source "$(dirname "$0")/../test_support/check.sh"

set_undo() { "$program" --set LimitTime=7 --undo "$dir/u.csv" "$dir/a.dat" "$dir/missing.dat"; }
for closed in 1 2; do
  cp "$demo" "$dir/a.dat"
  rm -f "$dir/u.csv"
  if [ $closed = 1 ]; then set_undo >&- 2>/dev/null; else set_undo >/dev/null 2>&-; fi
  check "--undo with descriptor $closed closed: status" 1 $?
  check "--undo with descriptor $closed closed: the listing" "File,Block" "$(head -1 "$dir/u.csv")"
  check "--undo with descriptor $closed closed: one row" 2 "$(wc -l <"$dir/u.csv")"
done

exit $failed
