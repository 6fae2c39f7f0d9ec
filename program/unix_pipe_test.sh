#!/usr/bin/env bash
# The Windows program under wine, fed through an ordinary Unix pipe by a
# Linux program, as a front-end on Linux would drive it: each prompt must
# arrive before the editor waits for the answer. A prompt held back in the
# output buffer hangs such a front-end until this script gives up.
# Usage: unix_pipe_test.sh EMULATOR PROGRAM.exe SOUND_FILE
set -euo pipefail
emulator=$1 program=$2 demo=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$demo" "$work/song.dat"

coproc EDITOR { exec "$emulator" "$program" "$work/song.dat" 2>/dev/null; }
# Our own copies: bash drops the coproc's descriptors once it ends.
exec {from}<&"${EDITOR[0]}" {to}>&"${EDITOR[1]}"
pid=$EDITOR_PID
seen=""
# Reads the editor's output until it ends with $1; fails after 60 s without
# a byte.
await() {
  local ch
  while [[ $seen != *"$1" ]]; do
    if ! IFS= read -r -N 1 -t 60 ch <&"$from"; then
      echo "no '$1' from the editor; it wrote:" >&2
      printf '%s\n' "$seen" >&2
      kill "$pid" 2>/dev/null || true
      exit 1
    fi
    seen+=$ch
  done
}

await "cmd .."
printf '3 ' >&"$to"
await "time ? "
printf '120 9\n' >&"$to"
await $'exit!\r\n'
wait "$pid"
echo "each prompt arrived before the editor waited: 'cmd ..', then 'time ? '"
