// Wildcard expansion as Windows runs it and the folder walk with each
// system's rules, over made-up folders so that they run on every system, and
// the folders as the system lists them.
#include "files/file_names.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "platform/wtf8.h"
#include "test_support/files.h"

namespace {

// A folder holding these files, a folder and a linked folder whose names
// end in .dat too; it records the folder it was asked to list, and one
// called "locked" cannot be read.
class ListedFolder : public FolderReader {
 public:
  explicit ListedFolder(const std::vector<std::u16string>& files) {
    for (const std::u16string& file : files) entries_.push_back({toWtf8(file), Kind::File});
    entries_.push_back({"folder.dat", Kind::Folder});
    entries_.push_back({"link.dat", Kind::Skipped});
  }
  bool list(const std::string& folder, std::vector<FolderEntry>& entries,
            std::string& error) override {
    asked = folder;
    if (folder == "locked\\") {
      error = "Access is denied";
      return false;
    }
    entries = entries_;
    return true;
  }
  bool isFolder(const std::string& /*path*/) override { return false; }
  std::string asked = "(not listed)";

 private:
  using Kind = FolderEntry::Kind;
  std::vector<FolderEntry> entries_;
};

#ifdef _WIN32
const CaselessOrder kCaseless = windowsCaselessOrder;
#else
// Windows' upper-case table for the letters the rows use, ASCII and Latin-1.
int latinCaselessOrder(std::u16string_view a, std::u16string_view b) {
  const auto upper = [](std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded) {
      if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 0x20;
    }
    return folded;
  };
  return upper(a).compare(upper(b));
}
const CaselessOrder kCaseless = latinCaselessOrder;
#endif

TEST(FileNames, WildcardsExpandInTheLastPartInNameOrder) {
  // "ab" before "AB", so only a tie broken by byte order lists "AB" first;
  // the last two are "ünï.dat" and a note, an emoji that takes a surrogate pair.
  const std::vector<std::u16string> folder = {
      u"b.dat",         u"a.dat", u"A2.DAT", u"x.data", u"ab.txt",
      u"abc.dat",       u"ab",    u"AB",     u"readme", u"\u00fcn\u00ef.dat",
      u"\U0001F3B5.dat"};
  const std::string uni = "\u00fcn\u00ef.dat";
  const std::string note = "\U0001F3B5.dat";
  const struct {
    std::string arg;
    std::string listed;              // the folder searched
    std::vector<std::string> names;  // empty: an error
    std::string error;
  } cases[] = {
      {"plain name.dat", "(not listed)", {"plain name.dat"}, ""},
      {"*.dat", "", {"a.dat", "A2.DAT", "abc.dat", "b.dat", uni, note}, ""},
      {"?.dat", "", {"a.dat", "b.dat", note}, ""},
      {"a?.*", "", {"A2.DAT", "AB", "ab", "ab.txt"}, ""},
      {"*.*",
       "",
       {"a.dat", "A2.DAT", "AB", "ab", "ab.txt", "abc.dat", "b.dat", "readme", "x.data", uni, note},
       ""},
      {"*.dat*", "", {"a.dat", "A2.DAT", "abc.dat", "b.dat", "x.data", uni, note}, ""},
      {"\u00dc*", "", {uni}, ""},
      {"\u00dcN\u00cf*", "", {uni}, ""},
      {R"(music\A*.DAT)",
       R"(music\)",
       {R"(music\a.dat)", R"(music\A2.DAT)", R"(music\abc.dat)"},
       ""},
      {"C:*.txt", "C:", {"C:ab.txt"}, ""},
      {R"(\\?\C:\music\a.dat)", "(not listed)", {R"(\\?\C:\music\a.dat)"}, ""},
      {R"(\\?\C:\music\*.dat)",
       R"(\\?\C:\music\)",
       {R"(\\?\C:\music\a.dat)", R"(\\?\C:\music\A2.DAT)", R"(\\?\C:\music\abc.dat)",
        R"(\\?\C:\music\b.dat)", R"(\\?\C:\music\)" + uni, R"(\\?\C:\music\)" + note},
       ""},
      {R"(\\.\C:\music\b*)", R"(\\.\C:\music\)", {R"(\\.\C:\music\b.dat)"}, ""},
      {R"(\\server\share\*.dat)",
       R"(\\server\share\)",
       {R"(\\server\share\a.dat)", R"(\\server\share\A2.DAT)", R"(\\server\share\abc.dat)",
        R"(\\server\share\b.dat)", R"(\\server\share\)" + uni, R"(\\server\share\)" + note},
       ""},
      {"*.mid", "", {}, "no file matches"},
      {R"(locked\*.dat)", R"(locked\)", {}, "Access is denied"},
      {R"(so*gs\a.dat)", "(not listed)", {}, "wildcards work only in the last part of a name"},
      {R"(\\?\C:\mus?c\a.dat)",
       "(not listed)",
       {},
       "wildcards work only in the last part of a name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arg);
    ListedFolder disk(folder);
    std::vector<std::string> names;
    std::string error;
    EXPECT_EQ(expandWildcards(c.arg, disk, kCaseless, names, error), !c.names.empty());
    EXPECT_EQ(disk.asked, c.listed);
    if (c.names.empty()) {
      EXPECT_EQ(error, c.error);
    } else {
      EXPECT_EQ(names, c.names);
    }
  }
}

// A made-up tree: each folder as the walk names it, with / for either
// separator, and what it holds as ls -F shows it, a folder marked /, a linked
// one @, in no order, as a disk lists. "Music/locked" cannot be read.
class MadeUpTree : public FolderReader {
 public:
  bool list(const std::string& folder, std::vector<FolderEntry>& entries,
            std::string& error) override {
    const auto listed = kFolders.find(slashes(folder));
    error = listed == kFolders.end() ? "No such file or directory" : "Permission denied";
    if (listed == kFolders.end() || listed->second == nullptr) return false;
    entries.clear();
    std::istringstream names(listed->second);
    for (std::string name; names >> name;) {
      const char mark = name.back();
      const Kind kind = mark == '/' ? Kind::Folder : mark == '@' ? Kind::Skipped : Kind::File;
      if (kind != Kind::File) name.pop_back();
      entries.push_back({name, kind});
    }
    return true;
  }
  bool isFolder(const std::string& path) override {
    const std::string key = slashes(path);
    return kFolders.count(key.empty() || key.back() != '/' ? key + '/' : key) != 0;
  }

 private:
  using Kind = FolderEntry::Kind;
  static std::string slashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
  }
  const std::map<std::string, const char*> kFolders = {
      {"", "b.dat a.dat B.dat .a.dat link.dat@ old.dat/ Music/ apps/ .git/"},
      {"Music/", "c.dat locked/ A.DAT game/"},
      {"Music/locked/", nullptr},
      {"Music/game/", "readme a.dat"},
      {"apps/", "f.dat"},
      {"old.dat/", "d.dat"},
      {".git/", "a.dat"},
      {"link.dat/", "e.dat"}};
};

// Every row that walks Music meets its locked folder and goes on.
TEST(FileNames, WalkGivesFilesThenSubfoldersInNameOrder) {
  const WalkRules windows = WalkRules::windows(kCaseless);
#ifndef _WIN32
  const WalkRules shell = WalkRules::system();
#endif
  const struct {
    const WalkRules* rules;
    std::string arg;
    std::size_t stopAfter;  // `found` refuses its name this many-th; 0: never
    // The names found and each failure as "where: words of the error".
    std::vector<std::string> lines;
  } cases[] = {
#ifndef _WIN32
      {&shell,
       "*.dat",
       0,
       {"B.dat", "a.dat", "b.dat", "Music/c.dat", "Music/game/a.dat", "Music/locked: denied",
        "apps/f.dat", "old.dat/d.dat"}},
      {&shell, ".[a-z]*", 0, {".a.dat", "Music/locked: denied"}},
      {&shell, "*.mid", 0, {"Music/locked: denied", "*.mid: no file"}},
      {&shell, "gone/*.dat", 0, {"gone/*.dat: No such file"}},
      {&shell, "Music", 0, {"Music: such as Music/*.dat"}},
      {&shell, "*.dat", 2, {"B.dat", "a.dat"}},
#endif
      {&windows,
       "*.dat",
       0,
       {".a.dat", "a.dat", "B.dat", "b.dat", "apps\\f.dat", "Music\\A.DAT", "Music\\c.dat",
        "Music\\game\\a.dat", "Music\\locked: denied", "old.dat\\d.dat"}},
      {&windows,
       "Music/*.DAT",
       0,
       {"Music/A.DAT", "Music/c.dat", "Music/game\\a.dat", "Music/locked: denied"}},
      {&windows, "Music\\game\\*.*", 0, {"Music\\game\\a.dat", "Music\\game\\readme"}},
      {&windows, "Music\\", 0, {"Music\\: such as Music\\*.dat"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arg);
    std::vector<std::string> lines;
    bool failed = false;
    MadeUpTree tree;
    const bool allWell = walkTree(
        c.arg, tree, *c.rules,
        [&](FoundFile&& file) {
          lines.push_back(file.name);
          return lines.size() != c.stopAfter;
        },
        [&](const std::string& where, const std::string& error) {
          lines.push_back(where);
          lines.back().append(": ").append(error);
          failed = true;
        });
    EXPECT_EQ(allWell, !failed && c.stopAfter == 0);
    // A failure at the row's place holding the row's words is as the row says.
    for (std::size_t i = 0; i < std::min(lines.size(), c.lines.size()); ++i) {
      const std::size_t words = c.lines[i].find(": ") + 2;  // npos + 2 is 1
      const bool place = words > 1 && lines[i].compare(0, words, c.lines[i], 0, words) == 0;
      if (place && lines[i].find(c.lines[i].substr(words)) != std::string::npos) {
        lines[i] = c.lines[i];
      }
    }
    EXPECT_EQ(lines, c.lines);
  }
}

#ifdef _WIN32
// The real folder search: a folder the system cannot list gives the system's
// reason, shaped as every message is, and not "no file matches".
TEST(FileNames, UnreadableFolderGivesTheSystemsReason) {
  TempDir dir;
  std::vector<std::string> names;
  std::string error;
  EXPECT_FALSE(FileNames::system().expand(dir.path(R"(missing\*.dat)"), names, error));
  ASSERT_FALSE(error.empty());
  EXPECT_NE(error, "no file matches");
  EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << error;
  EXPECT_NE(error.back(), '.') << error;
}
#endif

// The disk as the system reader lists it, marked as ls -F marks a listing:
// a folder with /, one not to enter with @. A link to a file and a pipe are
// files, for the opener to judge.
TEST(FileNames, SystemReaderTellsFoldersFromFiles) {
  TempDir dir;
  writeFile(dir.path("a.dat"), {});
  std::filesystem::create_directory(fsPath(dir.path("sub")));
  std::vector<std::string> expected = {"a.dat", "sub/"};
#ifndef _WIN32
  // Links need a privilege on Windows, and pipes are no files there.
  std::filesystem::create_directory_symlink(fsPath(dir.path("sub")), fsPath(dir.path("to sub")));
  std::filesystem::create_symlink(fsPath(dir.path("a.dat")), fsPath(dir.path("to a.dat")));
  ASSERT_EQ(::mkfifo(dir.path("pipe").c_str(), 0600), 0);
  expected = {"a.dat", "pipe", "sub/", "to a.dat", "to sub@"};
#endif
  FolderReader& disk = FolderReader::system();
  std::vector<FolderEntry> entries;
  std::string error;
  ASSERT_TRUE(disk.list(dir.path(""), entries, error)) << error;
  std::vector<std::string> listed;
  for (const FolderEntry& entry : entries) {
    std::string mark;
    if (entry.kind == FolderEntry::Kind::Folder) mark = "/";
    if (entry.kind == FolderEntry::Kind::Skipped) mark = "@";
    listed.push_back(entry.name + mark);
  }
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, expected);
  EXPECT_TRUE(disk.isFolder(dir.path("sub")));
  EXPECT_FALSE(disk.isFolder(dir.path("a.dat")));
  EXPECT_FALSE(disk.list(dir.path("gone/"), entries, error));
#ifndef _WIN32
  // A folder that has become a link since its parent was listed is not
  // entered, so the walk never leaves the tree.
  const FileHandle top = disk.openFolder(dir.path(""), error);
  ASSERT_NE(top, kNoFile) << error;
  EXPECT_EQ(disk.openSubfolder(top, "to sub", dir.path("to sub/"), error), kNoFile);
  disk.closeFolder(top);
#endif
}

}  // namespace
