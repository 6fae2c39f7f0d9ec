// From FILE arguments to the names of the files they stand for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

/// Turns one FILE argument into the names it stands for, in order. This one
/// takes the argument as given, as on systems whose shell expands patterns;
/// Windows, whose shells do not, expands * and ? itself.
class FileNames {
 public:
  virtual ~FileNames() = default;
  /// Shared by every caller that passes no other.
  static FileNames& asGiven();
  /// The system's: as given on POSIX, where the shell has expanded the
  /// patterns; with * and ? expanded on Windows (file_names-win32.cpp).
  static FileNames& system();
  /// Sets `names` to what `arg` stands for; false with `error` (one line, no
  /// line end) when it stands for nothing.
  virtual bool expand(const std::string& arg, std::vector<std::string>& names, std::string& error);
};

/// True when `name` matches `pattern`: `*` stands for any run of characters,
/// `?` for any one, and ASCII letters match in either case.
bool wildcardMatches(std::u16string_view name, std::u16string_view pattern);

/// What a folder holds, for expanding a pattern: the disk on Windows, a list
/// in the tests.
class FolderSearch {
 public:
  virtual ~FolderSearch() = default;
  /// Adds to `names` the last parts of the names of the files (not folders)
  /// that `pattern` (the whole argument, UTF-16) may stand for; a superset is
  /// fine, as each is matched again. False with `error` when the search fails.
  virtual bool find(const std::u16string& pattern, std::vector<std::u16string>& names,
                    std::string& error) = 0;
};

/// Expands `arg` (WTF-8): without * or ? it stands for itself; otherwise for
/// the files in its folder whose names match its last part, in name order.
/// False with `error` when a wildcard stands outside the last part or no file
/// matches.
bool expandWildcards(const std::string& arg, FolderSearch& folder, std::vector<std::string>& names,
                     std::string& error);
