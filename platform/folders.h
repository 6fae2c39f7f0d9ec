// Reading folders, and the system's own ways of matching names: the disk's
// FolderReader (readdir on POSIX, FindFirstFileExW on Windows), fnmatch as
// the shell matches, and Windows' letter-case order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_access.h"
#include "platform/wildcards.h"

/// One entry of a folder as a listing sees it.
struct FolderEntry {
  /// Folder: one to walk into. Skipped: a folder reached through a symbolic
  /// link, a junction or another reparse point, never entered nor matched.
  /// File: anything else, a link to a file, a pipe or a device included; the
  /// opener refuses what is not a regular file.
  enum class Kind { File, Folder, Skipped };
  std::string name;  // the last part only, UTF-8 (WTF-8 on Windows)
  Kind kind;
};

/// What a folder holds: the disk, or a made-up tree in the tests. A
/// made-up reader gives only list() and isFolder(): the folders it opens
/// are its names, held here.
class FolderReader {
 public:
  virtual ~FolderReader() = default;
  /// The disk: readdir on POSIX, FindFirstFileExW on Windows.
  static FolderReader& system();
  /// Sets `entries` to what `folder` holds, "." and ".." left out (`folder`
  /// as an argument writes it up to and including its last separator; empty
  /// for the current folder). False with `error` (the system's words, one
  /// line) when the folder cannot be read; an empty folder is no error.
  virtual bool list(const std::string& folder, std::vector<FolderEntry>& entries,
                    std::string& error) = 0;
  /// Opens the folder a walk starts from, `folder` written as list() takes
  /// it, through links as the user gave it; kNoFile with `error` when it
  /// cannot be opened.
  virtual FileHandle openFolder(const std::string& folder, std::string& error);
  /// Opens the subfolder `name` of the open `parent`, which a walk calls
  /// `path`, never through a link: one that has become a link since
  /// `parent` was listed is not opened. kNoFile with `error` when it
  /// cannot be.
  virtual FileHandle openSubfolder(FileHandle parent, const std::string& name,
                                   const std::string& path, std::string& error);
  /// Lists the open `folder` as list() lists a folder by its name.
  virtual bool listOpen(FileHandle folder, std::vector<FolderEntry>& entries, std::string& error);
  /// Closes what openFolder or openSubfolder opened.
  virtual void closeFolder(FileHandle folder);
  /// True when `path` is a folder, through links too; false when it is
  /// something else, is missing or cannot be looked at.
  virtual bool isFolder(const std::string& path) = 0;

 private:
  std::vector<std::string> opened_;  // a made-up reader's open folders, by handle
};

/// Windows' own order of names when letter case is ignored, the one its file
/// systems use: each UTF-16 unit through the system's upper-case table
/// (CompareStringOrdinal); negative, zero or positive as `a` sorts before,
/// with or after `b`. Defined in the Windows build only (folders-win32.cpp).
int windowsCaselessOrder(std::u16string_view a, std::u16string_view b);

/// True when `name` matches `pattern` as the shell matches it: fnmatch with
/// FNM_PERIOD (letter case counts unless `ignoreCase`, a leading dot
/// matches only a dot), a character at a time in the user's encoding.
/// Defined outside the Windows build only (folders-posix.cpp).
bool shellMatches(const std::string& name, const std::string& pattern, bool ignoreCase);

/// How this system's users expect names to be matched, listed and joined.
struct SystemNames {
  /// True when the last part `name` matches `pattern`: shellMatches on
  /// POSIX; Windows' wildcards with windowsCaselessOrder on Windows, where
  /// letter case never counts.
  bool (*matches)(const std::string& name, const std::string& pattern, bool ignoreCase);
  /// Puts the names of one folder in the order the system lists them: byte
  /// order on POSIX, Windows' caseless order on Windows.
  void (*sort)(std::vector<std::string>& names);
  /// Joins a folder and a name in it.
  char separator;
  /// Any of these ends the folder part of a path.
  std::string_view separators;
  /// Windows' caseless order, by which the program expands * and ? in FILE
  /// itself, as Windows' shells hand "*.dat" over as it is; nullptr on
  /// POSIX, whose shells expand patterns before the program starts.
  CaselessOrder expansionOrder;
};

/// This system's rules (folders-posix.cpp or folders-win32.cpp).
const SystemNames& systemNames();
