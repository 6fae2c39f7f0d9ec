// The completion scripts --completion prints for bash, zsh, fish and
// PowerShell. Each is made from the table of options (options.h) and the
// settings table (image/settings.h), so every shell completes the same
// options, setting names and values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "command_line/options.h"

/// True when `shell` is one of kCompletionShells, as written there.
bool isCompletionShell(std::string_view shell);

/// The names completed after --set, or with `condition` after --if: the
/// settings in menu order, then SaveMark for --if.
std::vector<std::string_view> completedNames(bool condition);

/// The values completed after NAME= (NAME in any letter case): on and off
/// for a switch, yes and no for SaveMark, none for LimitTime or for a name
/// that is none of these.
std::vector<std::string_view> completedValues(std::string_view name);

/// The script for `shell`, one of kCompletionShells, with its last line
/// without a line end; empty for any other shell.
std::string completionScript(std::string_view shell);
