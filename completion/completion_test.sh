#!/usr/bin/env bash
# The completion scripts the built program prints, tried in their shells:
# what each offers where users press Tab, and every option --help names,
# both made from the program's one table of options. PowerShell's script is
# read, not run. "installed" installs the build under a prefix, where the
# shells must find the scripts.
# Usage: completion_test.sh bash|zsh|fish|powershell PROGRAM
#        completion_test.sh installed PROGRAM CMAKE BUILD_DIR
# Exits 77, which CTest counts as skipped, when the shell is not installed.
set -uo pipefail
shell=$1
program=$2
source "$(dirname "$0")/../test_support/check.sh"
skip() { echo "SKIP: $1 is not installed; .ci/run installs it" && exit 77; }
words() { LC_ALL=C sort | tr '\n' ' ' | sed 's/ *$//'; }  # the lines sorted, on one
check_every_option() {  # check_every_option SHELL OFFERED_WORDS
  local option missing=""
  for option in $options; do
    case " $2 " in *" $option "*) ;; *) missing+=" $option" ;; esac
  done
  check "$1: every option the command line reads" "" "${missing# }"
}

# Where files are completed: one that looks like an option, for after --.
mkdir "$dir/files" && cd "$dir/files" && touch demo.dat other.csv -- --show.dat
# The line up to the cursor, then what bash offers there (the part after an
# open quote, or else after the last = when = breaks words), a row for each
# rule; then, where they differ, what a Tab does in zsh (the candidates
# listed, or what it added after a +) and what fish offers.
rows=(
  "ym2608-settings --se|--set|+t="
  "ym2608-settings --set |FadeoutDriverMode= GraphicECMode2203= LimitEndFlag= LimitTime= TimerA= TimerB="
  "ym2608-settings --set TimerA=o|off on"
  "ym2608-settings --set LimitTime=|"
  "ym2608-settings --if |FadeoutDriverMode= GraphicECMode2203= LimitEndFlag= LimitTime= SaveMark= TimerA= TimerB="
  "ym2608-settings --if Sa|SaveMark=|+veMark="
  "ym2608-settings --if savemark=|no yes"
  "ym2608-settings --if TimerB!=of|off|+'f '"
  "ym2608-settings --if 'TimerA!=|TimerA!=off TimerA!=on|+o"
  "ym2608-settings --if \"LimitT|LimitTime!= LimitTime=|+ime=|LimitTime="
  "ym2608-settings --if 'LimitTime<=|"
  "ym2608-settings --set=Tim|TimerA= TimerB=|+er"
  "ym2608-settings --show |--csv --json|--csv --json --show.dat demo.dat other.csv"
  "ym2608-settings --completion |bash fish powershell zsh"
  "ym2608-settings --copy-from d|demo.dat|+'emo.dat '"
  "ym2608-settings --show o|other.csv|+'ther.csv '"
  "ym2608-settings -- --s|--show.dat|+'how.dat '"
  "ym2608-settings --exclude |"
)
field() { cut -d'|' -f"$1" <<<"$2"; }  # field N ROW

# Completes each LINE as bash would, the words split at = as readline splits
# them, after loading BASH_COMPLETION (if given) and the script: a line of
# replies a LINE.
bash_replies() {  # bash_replies BASH_COMPLETION|"" LINE...
  bash --norc --noprofile -s "$dir/script" "$@" 2>&1 <<'EOF'
script=$1 && shift
[ -n "$1" ] && source "$1"
source "$script" && shift
for line in "$@"; do
  read -ra COMP_WORDS <<<"${line//=/ = }"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$line COMP_POINT=${#line} COMPREPLY=()
  _ym2608_settings
  printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ *$//' && echo
done
EOF
}

try_bash() {
  local bash_completion=/usr/share/bash-completion/bash_completion with row replies i
  [ -e "$bash_completion" ] || skip bash-completion
  "$program" --completion bash >"$dir/script"
  for with in "$bash_completion" ""; do
    mapfile -t replies < <(bash_replies "$with" "${rows[@]%%|*}" "ym2608-settings -")
    i=0
    for row in "${rows[@]}"; do
      check "bash${with:+ with bash-completion}: [${row%%|*}]" "$(field 2 "$row")" "${replies[i++]-}"
    done
    check_every_option "bash${with:+ with bash-completion}" "${replies[i]-}"
  done
}

# Types each LINE and a Tab into a zsh with compinit and the script on $fpath,
# on a zpty terminal; Ctrl-T shows the line. A line a LINE: the candidates
# listed (list-colors marks each ^A=...^B), or else what Tab added after a +.
zsh_replies() {  # zsh_replies LINE...
  timeout 60 zsh -f -s "$dir/functions" "$@" <<'EOF'
zmodload zsh/zpty && zpty z TERM=xterm zsh -f -i
zpty -w z "fpath=($1 \$fpath) LISTMAX=1000 && autoload -U compinit && compinit -u -D"
zpty -w z "zstyle ':completion:*' list-colors lc=$'\1' rc= {no,fi}== ec=$'\2'"
zpty -w z 'shown() { zle -M "[[$BUFFER]]"; BUFFER=; }; zle -N shown; bindkey "^T" shown'
for line in "${@:2}"; do
  zpty -w -n z "$line"$'\t\C-t' && zpty -r -m z out '*\[\[ym2608-settings*\]\]*'
  listed=(${(o)${${(M)${(ps:\2:)out}:#*$'\1'=*}#*$'\1'=}:#-- *})
  line=${${${out##*\[\[}%\]\]*}#$line}
  print -r -- ${listed:-${line:++${(q-)line}}}
done
EOF
}

try_zsh() {
  command -v zsh >/dev/null || skip zsh
  mkdir "$dir/functions"
  "$program" --completion zsh >"$dir/functions/_ym2608-settings"
  check "zsh reads the script" "" "$(zsh -n "$dir/functions/_ym2608-settings" 2>&1)"
  local row replies i=0
  mapfile -t replies < <(zsh_replies "${rows[@]%%|*}" "ym2608-settings -")
  for row in "${rows[@]}"; do
    check "zsh: [${row%%|*}]" "$(field 3 "$row" | grep . || field 2 "$row")" "${replies[i++]-}"
  done
  check_every_option zsh "${replies[i]-}"
}

try_fish() {
  command -v fish >/dev/null || skip fish
  "$program" --completion fish >"$dir/script"
  # fish offers whole words: outside a quote the last word's part up to its
  # last = is put back before each of bash's.
  local row line head want offered
  for row in "${rows[@]}"; do
    line=${row%%|*} head=""
    case ${line##* } in *[\'\"]*) ;; *=*) head=${line##* } head=${head%"${head##*=}"} ;; esac
    want=$(for offered in $(field 2 "$row"); do echo "$head$offered"; done | words)
    [ -z "$(field 4 "$row")" ] || want=$(field 4 "$row")
    check "fish: [$line]" "$want" \
      "$(fish --no-config -c 'source $argv[1]; complete -C $argv[2]' "$dir/script" "$line" | cut -f1 | words)"
  done
  check_every_option fish "$(fish --no-config -c 'source $argv[1]; complete -C "ym2608-settings -"' \
    "$dir/script" | cut -f1 | words)"
}

# Each option's entry in the table of options, with the description shown.
try_powershell() {
  "$program" --completion powershell >"$dir/script"
  check_every_option powershell "$(grep -oE "^ +'-[^']+' = '[a-z]" "$dir/script" | cut -d"'" -f2 | words)"
}

# Installed, staged under DESTDIR, under PREFIX as the .deb installs under
# /usr and cmake --install by default under /usr/local; zsh's script in
# ZSH_FOLDER, the folder on zsh's $fpath for that prefix. bash-completion
# and fish look in each of $XDG_DATA_DIRS for the command's name.
installed_under() {  # installed_under PREFIX ZSH_FOLDER CMAKE BUILD_DIR
  local prefix=$dir/root$1 entry
  DESTDIR=$dir/root "$3" --install "$4" --prefix "$1" >/dev/null || check "cmake --install" 0 $?
  for entry in bash:bash-completion/completions/ym2608-settings \
    zsh:zsh/$2/_ym2608-settings fish:fish/vendor_completions.d/ym2608-settings.fish; do
    check "share/${entry#*:}" "" "$("$program" --completion "${entry%%:*}" | cmp - "$prefix/share/${entry#*:}" 2>&1)"
  done
  ! command -v zsh >/dev/null || check "zsh reads $1/share/zsh/$2" "$1/share/zsh/$2" "$(zsh -fc 'print -l $fpath' | grep -x "$1/share/zsh/$2")"
  if [ -e /usr/share/bash-completion/bash_completion ]; then
    check "bash-completion loads it" "complete -F _ym2608_settings ym2608-settings" \
      "$(XDG_DATA_DIRS=$prefix/share bash --norc --noprofile -c '. /usr/share/bash-completion/bash_completion
        if declare -F _comp_load >/dev/null; then _comp_load ym2608-settings; else __load_completion ym2608-settings; fi
        complete -p ym2608-settings' 2>&1)"
  fi
  if command -v fish >/dev/null; then
    mkdir -p "$dir/home" && check "fish loads it" "--set" "$(HOME=$dir/home XDG_CONFIG_HOME=$dir/home \
      XDG_DATA_DIRS=$prefix/share PATH=$prefix/bin:$PATH fish -c 'complete -C "ym2608-settings --se"' 2>&1 | cut -f1)"
  fi
}

try_installed() { installed_under /usr vendor-completions "$3" "$4"; installed_under /usr/local site-functions "$3" "$4"; }

if [ "$shell" != installed ]; then
  # Each option --help lists at the start of a line, short name and long.
  options=$("$program" --help | grep -oE '^  (-[a-z0-9], )?--[a-z][a-z-]*' | tr ', ' '\n\n' |
    grep . | LC_ALL=C sort -u)
  grep -qx -- --show <<<"$options" || { echo "FAIL: --help lists no options" && exit 1; }
fi
"try_$shell" "$@"
exit $failed
