# For the tests written in bash: a private folder, $dir, removed at the
# end, where the runs keep their history, and check NAME EXPECTED ACTUAL,
# which says ok or FAIL and sets $failed, for the script's exit status.
# Source it.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_STATE_HOME="$dir/state"
failed=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s: expected [%s], got [%s]\n' "$1" "$2" "$3"
    failed=1
  else
    printf 'ok   %s\n' "$1"
  fi
}
