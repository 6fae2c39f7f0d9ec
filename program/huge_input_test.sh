#!/usr/bin/env bash
# Huge input through the built program, streamed from generators so neither
# side ever holds it whole:
#   - one word of 1 GiB, under a 64 MiB address-space limit (ulimit -v);
#   - a script of 10 million commands.
# Usage: huge_input_test.sh EDITOR DEMO_FILE [LIMIT_KIB]; LIMIT_KIB 0 runs
# without the limit (sanitizer builds reserve far more address space).
set -euo pipefail
editor=$1
demo=$2
limit_kib=${3:-65536}

source "$(dirname "$0")/../test_support/check.sh"
settings() {  # the file's bytes 0x389 to 0x38F in hex
  od -An -tx1 -j $((0x389)) -N 7 "$1" | tr -d ' \n'
}

# 1. "3", then a time of 2^30 digits: it saturates to 2147483647, whose low
# 16 bits are 65535 (ff ff); then "8" saves.
cp "$demo" "$dir/word.dat"
tail=$(
  if [ "$limit_kib" != 0 ]; then ulimit -v "$limit_kib"; fi
  { printf '3 '; head -c $((1 << 30)) /dev/zero | tr '\0' '7'; printf ' 8'; } |
    "$editor" "$dir/word.dat" | tail -c 10 | od -An -c | tr -s ' '
)
check "1 GiB word: message" " s a v e e n d ! \n" "$tail"
check "1 GiB word: file" "05ffff190055aa" "$(settings "$dir/word.dat")"

# 2. 10 million commands: TimerA and TimerB flipped 5 million times each
# (back where they were), then TimerA once more, then save.
cp "$demo" "$dir/script.dat"
tail=$({ awk 'BEGIN { for (i = 0; i < 5000000; i++) print "1 2"; print "1 8" }'; } |
  "$editor" "$dir/script.dat" | tail -c 10 | od -An -c | tr -s ' ')
check "10 million commands: message" " s a v e e n d ! \n" "$tail"
check "10 million commands: file" "042c01190055aa" "$(settings "$dir/script.dat")"

exit $failed
