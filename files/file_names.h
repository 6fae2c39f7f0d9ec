// From FILE arguments to the names of the files they stand for: as given,
// Windows-style wildcards over a folder, and the -r walk down a tree.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folders.h"
#include "platform/wildcards.h"

/// Turns one FILE argument into the names it stands for, in order. This one
/// takes the argument as given, as on systems whose shell expands patterns;
/// Windows, whose shells do not, expands * and ? itself.
class FileNames {
 public:
  virtual ~FileNames() = default;
  /// Shared by every caller that passes no other.
  static FileNames& asGiven();
  /// The system's: as given on POSIX, where the shell has expanded the
  /// patterns; with * and ? expanded on Windows.
  static FileNames& system();
  /// Sets `names` to what `arg` stands for; false with `error` (one line, no
  /// line end) when it stands for nothing.
  virtual bool expand(const std::string& arg, std::vector<std::string>& names, std::string& error);
};

/// Expands `arg` (WTF-8): without * or ? it stands for itself; otherwise for
/// the files in its folder whose names match its last part, in `order` and
/// byte order among names that `order` puts together. A `\\?\` or `\\.\`
/// prefix is part of the path, not a wildcard. False with `error` when a
/// wildcard stands outside the last part, the folder cannot be read, or no
/// file matches.
bool expandWildcards(const std::string& arg, FolderReader& folder, CaselessOrder order,
                     std::vector<std::string>& names, std::string& error);

/// How a walk matches, orders and joins names: as a POSIX shell does, or as
/// Windows does.
struct WalkRules {
  /// True when `name` (a last part) matches `pattern`.
  std::function<bool(const std::string& name, const std::string& pattern)> matches;
  /// Puts names of one folder in the order the walk gives them out.
  std::function<void(std::vector<std::string>& names)> sort;
  /// Joins a folder and a name in it.
  char separator;
  /// Any of these ends the folder part of an argument.
  std::string_view separators;
  /// --exclude's patterns: a file or folder whose name matches one is left
  /// out, and such a folder is not entered.
  std::vector<std::string> excludes;

  /// True when `name` (a last part) matches one of the excludes.
  bool excluded(const std::string& name) const;
  /// True when the last part of `path` matches one of the excludes.
  bool excludedPath(const std::string& path) const {
    return excluded(path.substr(path.find_last_of(separators) + 1));  // npos + 1 is 0
  }

  /// Windows' with `order`: wildcardMatches, names in `order` and byte order
  /// among names it puts together, as expandWildcards gives them; `\`, and
  /// `/` or a drive's `:` also end a folder part.
  static WalkRules windows(CaselessOrder order);
  /// The system's (systemNames()): as the shell matches on POSIX, with -i
  /// letters in any case; as Windows does on Windows.
  static WalkRules system(bool ignoreCase = false);
};

/// A folder a walk has open, closed when its last holder lets it go: the
/// walk while it is in the folder, and whoever keeps a file found there.
class OpenFolder {
 public:
  OpenFolder(FolderReader& reader, FileHandle handle) : reader_(reader), handle_(handle) {}
  ~OpenFolder() { reader_.closeFolder(handle_); }
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;
  FileHandle handle() const { return handle_; }

 private:
  FolderReader& reader_;
  FileHandle handle_;
};

/// A file to show or change: its name as the reports give it, and where it
/// is opened: `leaf` in the open `folder` for a file a walk found, or the
/// path `name` itself when there is no folder.
struct FoundFile {
  std::string name;
  std::shared_ptr<const OpenFolder> folder;
  std::string leaf;
  /// The folder's handle, or kNoFile to open by the name.
  FileHandle in() const { return folder != nullptr ? folder->handle() : kNoFile; }
  /// What to open: the leaf in the folder, or the name.
  const char* opened() const { return folder != nullptr ? leaf.c_str() : name.c_str(); }
};

/// Takes a file the walk found, named from the argument's folder part down;
/// false stops the walk at once (the output failed).
using WalkFound = std::function<bool(FoundFile&& file)>;
/// Takes what could not be walked, the argument or a folder, and why (one
/// line, no line end).
using WalkFailed = std::function<void(const std::string& where, const std::string& error)>;

/// Walks FILE argument `arg` as dir /s does: its last part is a pattern
/// matched in its folder (the part before, taken literally; empty for the
/// current folder) and in every folder below. Each folder gives its
/// matching files in `rules`' order, then its subfolders in that order,
/// each walked the same way; folders whose names start with a dot and
/// Skipped entries are not entered, and no folder is matched. Calls `found`
/// for each file as soon as it is known and `failed` for a starting folder
/// that cannot be read, a subfolder that cannot be read (the walk goes on),
/// a pattern that matches nothing in the whole tree, and an `arg` that is
/// itself a folder (with a hint). True when every folder was read and some
/// file matched; false after any `failed` or when `found` stopped the walk.
bool walkTree(const std::string& arg, FolderReader& reader, const WalkRules& rules,
              const WalkFound& found, const WalkFailed& failed);
