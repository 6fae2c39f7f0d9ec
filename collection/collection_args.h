// The command line of the collection options: --show, --set and --apply
// over many files, --help, --version and --completion. The dialogue takes
// no options.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collection/condition.h"
#include "image/settings.h"
#include "listing/rows.h"

/// One NAME=VALUE of --set: 0 or 1 for a switch, 0 to 65535 for LimitTime.
struct Assignment {
  const Setting* setting;
  std::uint16_t value;
};

struct CollectionArgs {
  enum class Mode { Show, Set, Apply, Help, Version, Completion };
  Mode mode = Mode::Show;
  /// --show's form: the table, --json or --csv.
  ShowFormat format = ShowFormat::Table;
  bool dryRun = false;
  /// -r: each FILE's last part is a pattern matched in its folder and every
  /// folder below.
  bool recursive = false;
  /// --apply's listing: a path, or "-" for standard input.
  std::string listing;
  /// --undo's listing of the bytes each write replaces; empty without it.
  std::string undo;
  /// In the order given; each setting at most once.
  std::vector<Assignment> assignments;
  /// The FILE arguments in order, as given (patterns not yet expanded),
  /// pointing into argv, so no name is copied.
  std::vector<std::string_view> files;
  /// --if: every one must hold for a file to be shown or set.
  std::vector<Condition> conditions;
  /// --exclude: names (last parts) left out, as -r matches them.
  std::vector<std::string_view> excludes;
  /// -i: patterns match letters in any case.
  bool ignoreCase = false;
  /// --files-from's list of names, "-" for standard input; empty without.
  std::string filesFrom;
  /// -0: the names of the list end with a NUL, not a line end.
  bool nulEnds = false;
  /// --copy-from's file, whose six settings each FILE gets; empty without.
  std::string copyFrom;
  /// --completion's shell, whose completion script is printed; empty without.
  std::string shell;
};

/// True when the command line asks for the collection options: its first
/// argument starts with "--" or is "-r" or "-h", or with more arguments after it is
/// "-i" or "-0". Otherwise the dialogue
/// runs, as it always has (a file called "-r" is reached as "./-r").
bool wantsCollection(int argc, const char* const argv[]);

/// Reads the whole of argv[1..] into `args`, returning false with `error` set
/// to one line (no line end) naming what is wrong. Options may stand anywhere
/// before "--", after files too; every argument after it is a FILE. Nothing
/// is opened here.
bool parseCollectionArgs(int argc, const char* const argv[], CollectionArgs& args,
                         std::string& error);
