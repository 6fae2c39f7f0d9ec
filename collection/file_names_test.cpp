// Wildcard expansion as Windows runs it, over a made-up folder so that it
// runs on every system, and the folders as the system lists them.
#include "collection/file_names.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>

#include "image/wtf8.h"
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
}

}  // namespace
