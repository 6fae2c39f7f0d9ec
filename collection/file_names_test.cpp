// Wildcard expansion as Windows runs it, over a made-up folder so that it
// runs on every system.
#include "collection/file_names.h"

#include <gtest/gtest.h>

#include "test_support/files.h"

namespace {

// A folder holding these files; it records the folder it was asked to list,
// and one called "locked" cannot be read.
class ListedFolder : public FolderSearch {
 public:
  explicit ListedFolder(std::vector<std::u16string> files) : files_(std::move(files)) {}
  bool list(const std::u16string& folder, std::vector<std::u16string>& names,
            std::string& error) override {
    asked = folder;
    if (folder == u"locked\\") {
      error = "Access is denied";
      return false;
    }
    names.insert(names.end(), files_.begin(), files_.end());
    return true;
  }
  std::u16string asked = u"(not listed)";

 private:
  std::vector<std::u16string> files_;
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
    std::u16string listed;           // the folder searched
    std::vector<std::string> names;  // empty: an error
    std::string error;
  } cases[] = {
      {"plain name.dat", u"(not listed)", {"plain name.dat"}, ""},
      {"*.dat", u"", {"a.dat", "A2.DAT", "abc.dat", "b.dat", uni, note}, ""},
      {"?.dat", u"", {"a.dat", "b.dat", note}, ""},
      {"a?.*", u"", {"A2.DAT", "AB", "ab", "ab.txt"}, ""},
      {"*.*",
       u"",
       {"a.dat", "A2.DAT", "AB", "ab", "ab.txt", "abc.dat", "b.dat", "readme", "x.data", uni, note},
       ""},
      {"*.dat*", u"", {"a.dat", "A2.DAT", "abc.dat", "b.dat", "x.data", uni, note}, ""},
      {"\u00dc*", u"", {uni}, ""},
      {"\u00dcN\u00cf*", u"", {uni}, ""},
      {R"(music\A*.DAT)",
       uR"(music\)",
       {R"(music\a.dat)", R"(music\A2.DAT)", R"(music\abc.dat)"},
       ""},
      {"C:*.txt", u"C:", {"C:ab.txt"}, ""},
      {R"(\\?\C:\music\a.dat)", u"(not listed)", {R"(\\?\C:\music\a.dat)"}, ""},
      {R"(\\?\C:\music\*.dat)",
       uR"(\\?\C:\music\)",
       {R"(\\?\C:\music\a.dat)", R"(\\?\C:\music\A2.DAT)", R"(\\?\C:\music\abc.dat)",
        R"(\\?\C:\music\b.dat)", R"(\\?\C:\music\)" + uni, R"(\\?\C:\music\)" + note},
       ""},
      {R"(\\.\C:\music\b*)", uR"(\\.\C:\music\)", {R"(\\.\C:\music\b.dat)"}, ""},
      {R"(\\server\share\*.dat)",
       uR"(\\server\share\)",
       {R"(\\server\share\a.dat)", R"(\\server\share\A2.DAT)", R"(\\server\share\abc.dat)",
        R"(\\server\share\b.dat)", R"(\\server\share\)" + uni, R"(\\server\share\)" + note},
       ""},
      {"*.mid", u"", {}, "no file matches"},
      {R"(locked\*.dat)", uR"(locked\)", {}, "Access is denied"},
      {R"(so*gs\a.dat)", u"(not listed)", {}, "wildcards work only in the last part of a name"},
      {R"(\\?\C:\mus?c\a.dat)",
       u"(not listed)",
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

}  // namespace
