// What a run of the collection options needs to know, as the command line
// gave it: what to do, to which files, and how to report it. The run never
// sees the command line itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "collection/change.h"
#include "collection/condition.h"
#include "listing/rows.h"

struct RunOptions {
  /// --show, --set (or --copy-from), --apply, --revert, or --history's list.
  enum class Action { Show, Set, Apply, Revert, History };
  Action action = Action::Show;
  /// The run keeps its journal in the history (--no-history: it does not).
  bool history = true;
  /// --revert's run: 1 the newest the history keeps.
  std::size_t revert = 0;
  /// The command line, as the history shows it.
  std::string commandLine;
  /// -j: how many files are in flight at once; 1 is one at a time, and 0
  /// (no -j) as many as Run::kJobs once the first files show they wait.
  std::size_t jobs = 0;
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
  /// --set's settings, in the order given; each setting at most once.
  std::vector<Assignment> assignments;
  /// The FILE arguments in order, as given (patterns not yet expanded),
  /// pointing into the command line, so no name is copied.
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
};
