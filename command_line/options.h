// The one table of the program's options: each option's names, what it
// takes, its help and how it is read. The command line's reader, --help
// and the shells' completion scripts are all made from it, so an option is
// added in one place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "collection/run_options.h"

/// What an option takes after it, which says what the shells complete there.
enum class OptionTakes {
  Nothing,
  Assignment,  // --set: NAME=, then that setting's values
  Condition,   // --if: as --set, and SaveMark too
  File,
  Word,   // --exclude's pattern, --revert's number: nothing to complete
  Shell,  // --completion: the shells below
};

/// Where --help lists an option.
enum class OptionGroup {
  Action,  // what the run does, and how
  Choice,  // which files it takes
  Other,   // --completion, --help, --version
};

/// What the command line named, as its options are read one by one; the
/// whole is checked once every argument is read.
struct Reading {
  RunOptions run;
  bool show = false;
  bool json = false;
  bool csv = false;
  bool apply = false;
  bool help = false;
  bool version = false;
  bool history = false;
  bool noHistory = false;
  /// --completion's shell; empty without.
  std::string shell;
};

struct Option {
  /// The long name, "--show".
  std::string_view name;
  /// The one-letter name, "-r", or empty.
  std::string_view shortName;
  OptionTakes takes;
  /// What --help shows after the names ("NAME=VALUE"), and what a missing
  /// value is called ("--set takes NAME=VALUE"); empty for Nothing.
  std::string_view argument;
  std::string_view missing;
  /// --help's description; each line end starts a line under the last.
  std::string_view help;
  OptionGroup group;
  /// --json and --csv: offered right after --show.
  bool showForm;
  /// What the shells that describe their candidates show beside it: words,
  /// spaces, commas and dashes only, so no shell needs it quoted further.
  std::string_view about;
  /// Takes the option (with its value, "" for Nothing) into `reading`;
  /// false with `error` (one line) when the value is wrong.
  bool (*read)(Reading& reading, std::string_view value, std::string& error);
};

/// Every option, in the order --help lists them.
struct OptionTable {
  const Option* first;
  std::size_t count;
  const Option* begin() const { return first; }
  const Option* end() const { return first + count; }
};
const OptionTable& options();

/// The shells --completion prints a script for.
inline constexpr std::string_view kCompletionShells[] = {"bash", "zsh", "fish", "powershell"};
