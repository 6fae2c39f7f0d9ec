// The scripted interface: --show lists the settings of many files, --set
// makes absolute, repeatable edits to them, one file at a time.
#pragma once

#include <string>
#include <vector>

#include "editor/console.h"
#include "image/file_access.h"

/// Turns one FILE argument into the names it stands for, in order. This one
/// takes the argument as given, as on systems whose shell expands patterns;
/// Windows, whose shells do not, expands * and ? itself.
class FileNames {
 public:
  virtual ~FileNames() = default;
  /// Shared by every caller that passes no other.
  static FileNames& asGiven();
  /// Sets `names` to what `arg` stands for; false with `error` (one line, no
  /// line end) when it stands for nothing.
  virtual bool expand(const std::string& arg, std::vector<std::string>& names, std::string& error);
};

/// Runs --show, --set, --help or --version for the command line (see
/// wantsScript in editor/script_args.h). Results go to `out`, a line each as
/// soon as it is known; each problem is one line on `errors`,
/// "ym2608-settings: FILE: what went wrong". Returns 0 when every file was
/// done, 1 when any failed (the others are still done), and 2 for a bad
/// command line, when nothing is opened.
int runScript(int argc, const char* const argv[], OutputSink& out, OutputSink& errors,
              FileAccess& files = FileAccess::disk(), FileNames& names = FileNames::asGiven());
