// From FILE arguments to file names: Windows-style wildcards over a
// folder's listing, and the -r walk down a tree of folders.
#include "files/file_names.h"

#include <algorithm>
#include <utility>

#include "platform/wtf8.h"

FileNames& FileNames::asGiven() {
  static FileNames names;
  return names;
}

bool FileNames::expand(const std::string& arg, std::vector<std::string>& names,
                       std::string& /*error*/) {
  names.assign(1, arg);
  return true;
}

namespace {

// Windows' shells hand "*.dat" over as it is: the program expands it.
class PatternNames : public FileNames {
 public:
  bool expand(const std::string& arg, std::vector<std::string>& names,
              std::string& error) override {
    return expandWildcards(arg, FolderReader::system(), systemNames().expansionOrder, names, error);
  }
};

}  // namespace

FileNames& FileNames::system() {
  static PatternNames names;
  return systemNames().expansionOrder != nullptr ? names : asGiven();
}

bool expandWildcards(const std::string& arg, FolderReader& folder, CaselessOrder order,
                     std::vector<std::string>& names, std::string& error) {
  names.clear();
  const std::size_t wildcard = arg.find_first_of("*?", devicePrefixLength(arg));
  if (wildcard == std::string::npos) {
    names.push_back(arg);
    return true;
  }
  const std::size_t lastPart = arg.find_last_of("\\/:") + 1;  // npos + 1 is 0
  if (wildcard < lastPart) {
    error = "wildcards work only in the last part of a name";
    return false;
  }
  const std::string folderPart = arg.substr(0, lastPart);
  const std::string pattern = arg.substr(lastPart);
  std::vector<FolderEntry> entries;
  if (!folder.list(folderPart, entries, error)) return false;
  for (FolderEntry& entry : entries) {
    if (entry.kind == FolderEntry::Kind::File && wtf8WildcardMatches(entry.name, pattern, order)) {
      names.push_back(std::move(entry.name));
    }
  }
  if (names.empty()) {
    error = "no file matches";
    return false;
  }
  sortCaseless(names, order);
  for (std::string& name : names) name.insert(0, folderPart);
  return true;
}

bool WalkRules::excluded(const std::string& name) const {
  return std::any_of(excludes.begin(), excludes.end(),
                     [&](const std::string& pattern) { return matches(name, pattern); });
}

WalkRules WalkRules::system(bool ignoreCase) {
  const SystemNames& system = systemNames();
  return {
      [ignoreCase, matches = system.matches](const std::string& name, const std::string& pattern) {
        return matches(name, pattern, ignoreCase);
      },
      system.sort,
      system.separator,
      system.separators,
      {}};
}

WalkRules WalkRules::windows(CaselessOrder order) {
  return {[order](const std::string& name, const std::string& pattern) {
            return wtf8WildcardMatches(name, pattern, order);
          },
          [order](std::vector<std::string>& names) { sortCaseless(names, order); },
          '\\',
          "\\/:",
          {}};
}

namespace {

// A folder of the walk, open, and its subfolders still to walk, the next
// one last.
struct Level {
  std::string folder;
  std::shared_ptr<const OpenFolder> open;
  std::vector<std::string> subfolders;
};

// True, with the failure said, when `arg` is itself a folder: -r wants a
// pattern as its last part.
bool isFolderArg(const std::string& arg, FolderReader& reader, const WalkRules& rules,
                 const WalkFailed& failed) {
  if (!reader.isFolder(arg)) return false;
  std::string example = arg;
  if (arg.empty() || rules.separators.find(arg.back()) == std::string_view::npos) {
    example += rules.separator;
  }
  failed(arg, "a folder: give a pattern, such as " + example + "*.dat");
  return true;
}

// Sorts the entries of the level's folder into the files matching
// `pattern` (into `files`, in the walk's order) and the subfolders to walk
// (the next one last). Folders whose names start with a dot are not walked.
void sortEntries(Level& level, std::vector<FolderEntry>& entries, const std::string& pattern,
                 const WalkRules& rules, std::vector<std::string>& files) {
  for (FolderEntry& entry : entries) {
    if (rules.excluded(entry.name)) continue;
    if (entry.kind == FolderEntry::Kind::File && rules.matches(entry.name, pattern)) {
      files.push_back(std::move(entry.name));
    } else if (entry.kind == FolderEntry::Kind::Folder && !entry.name.empty() &&
               entry.name.front() != '.') {
      level.subfolders.push_back(std::move(entry.name));
    }
  }
  entries.clear();
  rules.sort(files);
  rules.sort(level.subfolders);
  std::reverse(level.subfolders.begin(), level.subfolders.end());
}

// Opens the next folder to walk, the next subfolder of the deepest level
// that has one, into `level`; false when the walk is over. A folder that
// cannot be opened is said and passed over.
bool nextFolder(std::vector<Level>& levels, FolderReader& reader, const WalkRules& rules,
                const WalkFailed& failed, Level& level) {
  for (;;) {
    while (!levels.empty() && levels.back().subfolders.empty()) levels.pop_back();
    if (levels.empty()) return false;
    Level& parent = levels.back();
    const std::string name = std::move(parent.subfolders.back());
    parent.subfolders.pop_back();
    level.folder = parent.folder + name + rules.separator;
    std::string error;
    const FileHandle handle =
        reader.openSubfolder(parent.open->handle(), name, level.folder, error);
    if (handle != kNoFile) {
      level.open = std::make_shared<const OpenFolder>(reader, handle);
      return true;
    }
    failed(parent.folder + name, error);
  }
}

// Opens the folder the walk starts from into `level`; false with `error`
// when it cannot.
bool openTop(FolderReader& reader, Level& level, std::string& error) {
  const FileHandle top = reader.openFolder(level.folder, error);
  if (top == kNoFile) return false;
  level.open = std::make_shared<const OpenFolder>(reader, top);
  return true;
}

// Hands each of `files`, found in the level's folder, to `found`, and
// drops them; false when `found` stopped the walk.
bool giveOut(const Level& level, std::vector<std::string>& files, const WalkFound& found) {
  for (std::string& file : files) {
    if (!found({level.folder + file, level.open, std::move(file)})) return false;
  }
  files.clear();
  return true;
}

}  // namespace

bool walkTree(const std::string& arg, FolderReader& reader, const WalkRules& rules,
              const WalkFound& found, const WalkFailed& failed) {
  if (isFolderArg(arg, reader, rules, failed)) return false;
  const std::size_t lastPart = arg.find_last_of(rules.separators) + 1;  // npos + 1 is 0
  const std::string pattern = arg.substr(lastPart);
  Level level{arg.substr(0, lastPart), nullptr, {}};
  std::string error;
  if (!openTop(reader, level, error)) {
    failed(arg, error);
    return false;
  }
  // One level a folder on the way down, each holding only the names of its
  // subfolders still to walk: the files are given out and dropped before
  // the walk goes deeper, so a tree of any size costs its depth.
  std::vector<Level> levels;
  std::vector<FolderEntry> entries;
  std::vector<std::string> files;
  bool allRead = true;
  bool matched = false;
  const WalkFailed counted = [&](const std::string& where, const std::string& why) {
    allRead = false;
    failed(where, why);
  };
  do {
    if (!reader.listOpen(level.open->handle(), entries, error)) {
      if (levels.empty()) {  // the folder of the argument itself
        failed(arg, error);
        return false;
      }
      counted(level.folder.substr(0, level.folder.size() - 1), error);
      continue;
    }
    sortEntries(level, entries, pattern, rules, files);
    matched = matched || !files.empty();
    if (!giveOut(level, files, found)) return false;
    levels.push_back(std::move(level));
    level = Level();
  } while (nextFolder(levels, reader, rules, counted, level));
  if (!matched) {
    failed(arg, "no file matches");
    return false;
  }
  return allRead;
}
