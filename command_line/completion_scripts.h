// The completion scripts' templates, one a shell. Each @KEY@ is filled in by
// completion.cpp from the table of options and the settings table: the
// options, the setting names and their values, --show's forms, the shells.
#pragma once

#include <string_view>

// bash, through bash-completion where it is loaded; the words are then read
// with = kept inside them, so NAME=VALUE is one word.
inline constexpr std::string_view kBashTemplate =
    R"sh(# bash completion for ym2608-settings: the options; after --set and --if the
# setting names, then their values; after --show its forms; files elsewhere.
# Printed by `ym2608-settings --completion bash`.

# Offers each word of $2, with $1 before it, that starts as the word being
# completed does. Readline replaces only what follows an open quote, or else
# what follows the word's last = where = breaks words: that much is taken
# off each.
_ym2608_settings_offer() {
  local IFS=$' \t\n' word offered= head=
  for word in $2; do offered+=" $1$word"; done
  COMPREPLY=($(compgen -W "$offered" -- "$cur"))
  if [[ $cur == *[\'\"]* ]]; then
    head=${cur%%[\'\"]*}
  elif [[ $COMP_WORDBREAKS == *=* && $cur == *=* ]]; then
    head=${cur%"${cur##*=}"}
  fi
  COMPREPLY=("${COMPREPLY[@]#"$head"}")
}

# After --set or --if: the names of $2, each with its =; after NAME= (or
# NAME!=), that name's values. $1 is --set= or --if= when the word holds it.
# In an open quote readline closes the quote after a lone candidate, so
# there each name also comes with the other tests of $3 (--if's !=): Tab
# stops before the test, and the quote stays open.
_ym2608_settings_pairs() {
  local word=${cur#"$1"} name values= test offered=
  word=${word//[\'\"]/}
  if [[ $word != *=* ]]; then
    compopt -o nospace 2>/dev/null
    for name in $2; do
      offered+=" $name="
      [[ $cur == *[\'\"]* ]] && for test in $3; do offered+=" $name$test"; done
    done
    _ym2608_settings_offer "$1" "$offered"
    return
  fi
  name=${word%%=*}
  local key=${name%[<>!]}
  case ${key,,} in
@VALUE_CASES@
  esac
  _ym2608_settings_offer "$1$name=" "$values"
}

_ym2608_settings_files() {
  if declare -F _filedir >/dev/null; then
    _filedir
  else
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}

_ym2608_settings() {
  local cur prev words cword
  if declare -F _init_completion >/dev/null; then
    _init_completion -n = || return
  else
    # No bash-completion: the words as typed, up to the cursor.
    local line=${COMP_LINE:0:COMP_POINT}
    read -ra words <<<"$line"
    [[ $line == *[[:space:]] ]] && words+=("")
    cword=$((${#words[@]} - 1)) cur=${words[-1]} prev=${words[-2]}
  fi
  local i
  for ((i = 1; i < cword; i++)); do
    if [[ ${words[i]} == -- ]]; then
      _ym2608_settings_files
      return
    fi
  done
  # --NAME=VALUE in one word: VALUE is completed as after --NAME.
  local option=$prev prefix=
  if [[ $cur == --?*=* ]]; then option=${cur%%=*} prefix=${cur%%=*}=; fi
  case $option in
@OPTION_CASES@
    *)
      if [[ $cur == -* ]]; then
        _ym2608_settings_offer "" "@OPTIONS@"
      elif [[ $prev == --show && -z $cur ]]; then
        _ym2608_settings_offer "" "@FORMS@"
      else
        _ym2608_settings_files
      fi
      ;;
  esac
}
complete -F _ym2608_settings ym2608-settings
)sh";

// zsh: autoloaded from $fpath (the #compdef line names the command), or
// sourced, when it registers itself with compdef.
inline constexpr std::string_view kZshTemplate = R"sh(#compdef ym2608-settings
# zsh completion for ym2608-settings: the options; after --set and --if the
# setting names, then their values; after --show its forms; files elsewhere.
# Printed by `ym2608-settings --completion zsh`.

# After --set or --if: the names after --, each with its = (listed with it,
# as the other shells list them); after NAME= (or NAME!=), that name's
# values. Before -- stand the options _arguments gives every action it calls
# (the group, the description), passed on to compadd.
_ym2608-settings_pairs() {
  local end=${argv[(i)--]}
  local -a expl=("${(@)argv[1,end-1]}") names=("${(@)argv[end+1,-1]}") values
  if [[ $PREFIX != *=* ]]; then
    compadd "$expl[@]" -S '' -- ${^names}=
    return
  fi
  case ${(L)${PREFIX%%=*}%[<>!]} in
@VALUE_CASES@
  esac
  compset -P '*='
  compadd "$expl[@]" -- $values
}

_ym2608-settings() {
  local ret=1
  # Right after --show its forms, beside the files: alone, a first Tab
  # would only insert the -- they share.
  if [[ $words[CURRENT-1] == --show && -z $PREFIX ]]; then
    compadd -- @FORMS@ && ret=0
  fi
  _arguments -s -S : \
@OPTION_LINES@
    '*:file:_files' && ret=0
  return ret
}

if [[ $funcstack[1] == _ym2608-settings ]]; then
  _ym2608-settings "$@"
else
  compdef _ym2608-settings ym2608-settings
fi
)sh";

inline constexpr std::string_view kFishTemplate =
    R"sh(# fish completion for ym2608-settings: the options; after --set and --if the
# setting names, then their values; after --show its forms; files elsewhere.
# Printed by `ym2608-settings --completion fish`.

# After --set or --if: the names given, each with its =; after NAME= (or
# NAME!=), that name's values. An open quote is left out of the word, and
# of what is offered, as fish leaves it out when it matches them.
function __ym2608_settings_pairs
    set -l word (commandline -ct | string replace -r -- '^--[a-z-]+=' '' | string replace -a -r -- '[\'"]' '')
    if not string match -q -- '*=*' $word
        printf '%s=\n' $argv
        return
    end
    set -l head (string match -r -- '^[^=]*=' $word)
    set -l values
    switch (string lower -- (string trim -r -c '=<>!' -- $head))
@VALUE_CASES@
    end
    for value in $values
        echo $head$value
    end
end

# True right after --show, where its forms are offered, until a word that is
# no option is begun there.
function __ym2608_settings_after_show
    set -l tokens (commandline -opc)
    test (count $tokens) -gt 1; and test $tokens[-1] = --show
    and not string match -q -r -- '^[^-]' (commandline -ct)
end

@COMPLETES@
)sh";

// PowerShell: a native command's completer. What it returns nothing for,
// PowerShell completes as a path.
inline constexpr std::string_view kPowerShellTemplate =
    R"ps(# PowerShell completion for ym2608-settings: the options; after --set and
# --if the setting names, then their values; after --show its forms; files
# elsewhere. Printed by `ym2608-settings --completion powershell`; to have it
# in every session, dot-source the saved script from $PROFILE:
#   . "$HOME\ym2608-settings.ps1"

Register-ArgumentCompleter -Native -CommandName 'ym2608-settings', 'ym2608-settings.exe' -ScriptBlock {
    param($wordToComplete, $commandAst, $cursorPosition)
    $options = [ordered]@{
@OPTIONS@
    }
    $takes = @{
@TAKES@
    }
    $names = @{
        'Assignment' = @(@SET_NAMES@)
        'Condition' = @(@IF_NAMES@)
    }
    $values = @{
@VALUES@
    }
    $forms = @(@FORMS@)
    $shells = @(@SHELLS@)

    $before = @($commandAst.CommandElements |
        Where-Object { $_.Extent.EndOffset -lt $cursorPosition } |
        ForEach-Object { $_.Extent.Text })
    if ($before -contains '--') { return }
    $previous = if ($before.Count -gt 1) { $before[-1] } else { '' }
    $word = "$wordToComplete"
    $prefix = ''
    # --NAME=VALUE in one word: VALUE is completed as after --NAME.
    if ($word -match '^(--[a-z-]+=)(.*)$') {
        $prefix = $Matches[1]
        $previous = $prefix.TrimEnd('=')
        $word = $Matches[2]
    }
    $kind = $takes[$previous]
    if ($kind -eq 'File' -or $kind -eq 'Word') { return }
    if ($kind -eq 'Shell') {
        $candidates = $shells
    } elseif ($kind) {
        if ($word -match '^([^=]*=)') {
            $head = $Matches[1]
            $candidates = foreach ($value in $values[$head.TrimEnd('=', '!', '<', '>')]) { $head + $value }
        } else {
            $candidates = foreach ($name in $names[$kind]) { $name + '=' }
        }
    } elseif ($word.StartsWith('-')) {
        $candidates = @($options.Keys)
    } elseif ($previous -eq '--show' -and $word -eq '') {
        $candidates = $forms
    } else {
        return
    }
    $candidates | Where-Object { $_ -like "$word*" } | ForEach-Object {
        $tip = if ($options.Contains($_)) { $options[$_] } else { $_ }
        [System.Management.Automation.CompletionResult]::new($prefix + $_, $_, 'ParameterValue', $tip)
    }
}
)ps";
