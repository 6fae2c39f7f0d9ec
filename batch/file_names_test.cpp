// Wildcard expansion as Windows runs it, over a made-up folder so that it
// runs on every system.
#include "batch/file_names.h"

#include <gtest/gtest.h>

namespace {

// A folder holding these files; it records the pattern it was asked for.
class ListedFolder : public FolderSearch {
 public:
  explicit ListedFolder(std::vector<std::u16string> files) : files_(std::move(files)) {}
  bool find(const std::u16string& pattern, std::vector<std::u16string>& names,
            std::string& /*error*/) override {
    asked = pattern;
    names.insert(names.end(), files_.begin(), files_.end());
    return true;
  }
  std::u16string asked;

 private:
  std::vector<std::u16string> files_;
};

TEST(FileNames, WildcardsExpandInTheLastPartInNameOrder) {
  const std::vector<std::u16string> folder = {u"b.dat",  u"a.dat",  u"A2.DAT",
                                              u"x.data", u"ab.txt", u"abc.dat"};
  const struct {
    std::string arg;
    std::vector<std::string> names;  // empty: an error
    std::string error;
  } cases[] = {
      {"plain name.dat", {"plain name.dat"}, ""},
      {"*.dat", {"A2.DAT", "a.dat", "abc.dat", "b.dat"}, ""},
      {"?.dat", {"a.dat", "b.dat"}, ""},
      {"a?.*", {"A2.DAT", "ab.txt"}, ""},
      {"*.dat*", {"A2.DAT", "a.dat", "abc.dat", "b.dat", "x.data"}, ""},
      {"music\\A*.DAT", {"music\\A2.DAT", "music\\a.dat", "music\\abc.dat"}, ""},
      {"C:*.txt", {"C:ab.txt"}, ""},
      {"*.mid", {}, "no file matches"},
      {"so*gs\\a.dat", {}, "wildcards work only in the last part of a name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arg);
    ListedFolder disk(folder);
    std::vector<std::string> names;
    std::string error;
    EXPECT_EQ(expandWildcards(c.arg, disk, names, error), !c.names.empty());
    if (c.names.empty()) {
      EXPECT_EQ(error, c.error);
    } else {
      EXPECT_EQ(names, c.names);
    }
  }
}

}  // namespace
