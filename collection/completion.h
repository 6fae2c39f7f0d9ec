// The completion scripts --completion prints for bash, zsh, fish and
// PowerShell. Each is made from the table of the collection options below
// and the settings table (image/settings.h), so every shell completes the
// same options, setting names and values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

/// What an option takes after it, which says what the shells complete there.
enum class OptionTakes {
  Nothing,
  Assignment,  // --set: NAME=, then that setting's values
  Condition,   // --if: as --set, and SaveMark too
  File,
  Pattern,  // --exclude: a name pattern, nothing to complete
  Shell,    // --completion: the shells below
};

/// One of the collection options, as the shells complete it.
struct CompletedOption {
  /// The long name, "--show".
  std::string_view name;
  /// The one-letter name, "-r", or empty.
  std::string_view shortName;
  OptionTakes takes;
  /// --json and --csv: offered right after --show.
  bool showForm;
  /// What the shells that describe their candidates show beside it: words,
  /// spaces, commas and dashes only, so no shell needs it quoted further.
  std::string_view about;
};

/// Every option the collection options read (collection_args.cpp).
inline constexpr CompletedOption kCompletedOptions[] = {
    {"--show", "", OptionTakes::Nothing, false, "list the settings of each FILE"},
    {"--json", "", OptionTakes::Nothing, true, "with --show, one JSON object a line"},
    {"--csv", "", OptionTakes::Nothing, true, "with --show, CSV with a header"},
    {"--set", "", OptionTakes::Assignment, false, "set a setting in each FILE"},
    {"--apply", "", OptionTakes::File, false, "set each file a listing names"},
    {"--undo", "", OptionTakes::File, false, "with --set or --apply, write a listing to undo it"},
    {"--dry-run", "", OptionTakes::Nothing, false, "report what would change, write nothing"},
    {"--recursive", "-r", OptionTakes::Nothing, false,
     "each FILE a pattern, in every folder below"},
    {"--if", "", OptionTakes::Condition, false, "only files that meet the condition"},
    {"--exclude", "", OptionTakes::Pattern, false, "leave out names that match the pattern"},
    {"--ignore-case", "-i", OptionTakes::Nothing, false, "patterns match any letter case"},
    {"--files-from", "", OptionTakes::File, false, "also each file the list names"},
    {"--null", "-0", OptionTakes::Nothing, false, "with --files-from, names end with a NUL"},
    {"--copy-from", "", OptionTakes::File, false, "with --set, the settings of another file"},
    {"--completion", "", OptionTakes::Shell, false, "print the completion script of a shell"},
    {"--help", "-h", OptionTakes::Nothing, false, "print the usage"},
    {"--version", "", OptionTakes::Nothing, false, "print the version"},
};

/// The shells --completion prints a script for.
inline constexpr std::string_view kCompletionShells[] = {"bash", "zsh", "fish", "powershell"};

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
