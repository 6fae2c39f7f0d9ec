// The parts that choose the files: --if's conditions read and tested,
// --files-from's list read in pieces, and what a run tells a terminal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collection/change.h"
#include "collection/condition.h"
#include "command_line/command_line.h"
#include "files/file_list.h"
#include "test_support/expected.h"
#include "test_support/files.h"
#include "test_support/memory_console.h"

namespace {

// Conditions tested on a block with TimerA on, LimitTime 300 and the mark.
TEST(Choices, ConditionsReadAndTest) {
  SoundImage image;
  image.length = SettingsBlock::End;
  image.setSwitch(Switch::TimerA, true);
  image.setLimitTime(300);
  image.stampSaveMark();
  const struct {
    const char* text;
    int holds;  // 1 or 0; -1: no condition, and `error` ends with this
    const char* error;
  } cases[] = {
      {"TimerA=on", 1, ""},
      {"timera!=on", 0, ""},
      {"TimerB=Enable", 0, ""},
      {"LimitTime=300", 1, ""},
      {"LimitTime<300", 0, ""},
      {"LimitTime<=300", 1, ""},
      {"LimitTime>299", 1, ""},
      {"LimitTime>=301", 0, ""},
      {"LimitTime!=0", 1, ""},
      {"SaveMark=yes", 1, ""},
      {"savemark!=YES", 0, ""},
      {"SaveMark=on", -1, "yes or no"},
      {"TimerA>0", -1, "LimitTime only"},
      {"SaveMark<1", -1, "LimitTime only"},
      {"Timer=on", -1, "'Timer'"},
      {"LimitTime=65536", -1, "65535"},
      {"LimitTime", -1, "a number"},
      {"=1", -1, "a number"},
      {"LimitTime=-1", -1, "65535"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Condition condition;
    std::string error;
    ASSERT_EQ(parseCondition(c.text, condition, error), c.holds >= 0) << error;
    if (c.holds < 0) {
      EXPECT_TRUE(endsWith(error, c.error)) << error;
    } else {
      EXPECT_EQ(meetsAll({condition}, image.block()), c.holds == 1);
    }
  }
}

// A list fed in pieces of every size names the same files.
TEST(Choices, ListReadsANameAtATime) {
  const std::string longName(FileList::kLongestName + 1, 'n');
  const struct {
    std::string list;
    bool nulEnds;
    std::vector<std::string> names;
    bool whole;  // false: the list stops with a problem
  } cases[] = {
      {"\xEF\xBB\xBF"
       "a.dat\r\n\r\nb c.dat\nlast",
       false,
       {"a.dat", "b c.dat", "last"},
       true},
      {"\n\n", false, {}, true},
      {std::string("a\nb\0c\0\0", 7), true, {"a\nb", "c"}, true},
      {"a\n" + longName + "\nb\n", false, {"a", "b"}, true},
  };
  for (const auto& c : cases) {
    for (const std::size_t piece : {std::size_t{1}, std::size_t{4096}}) {
      ScriptedInput input({{c.list}}, nullptr, piece);
      FileList list(FileAccess::disk(), input);
      ASSERT_EQ(list.open("-", c.nulEnds), 0);
      std::vector<std::string> names;
      for (std::string name; list.next(name);) names.push_back(name);
      EXPECT_EQ(names, c.names) << c.list.substr(0, 40);
      EXPECT_EQ(list.problem().empty(), c.whole);
    }
  }
}

// Standard error a terminal or not, standard output a terminal or not.
class Screen : public RecordingOutput {
 public:
  explicit Screen(char kind) : kind_(kind) {}
  bool isTerminal() const override { return kind_ == 't'; }
  bool takesBlocks() const override { return kind_ == 'f'; }

 private:
  char kind_;  // a terminal, a file or a pipe
};

// On a terminal a run ends with its count, and while the results go into
// a file a progress line shows, taken away before each problem line;
// anywhere else standard error holds the problem lines only.
TEST(Choices, ATerminalGetsProgressAndACount) {
  TempDir dir;
  const std::string a = dir.path("a.dat");
  writeFile(a, sampleBytes(912));
  const std::string missing = dir.path("missing.dat");
  const std::string problem = "ym2608-settings: " + missing + ": No such file or directory\n";
  const std::string count = "ym2608-settings: 2 files: 1 changed, 1 failed\n";
  const struct {
    char errors, out;  // a terminal, a file or a pipe
    bool progress;
    std::string ends;
  } cases[] = {
      {'p', 'p', false, problem},
      {'t', 't', false, problem + count},
      {'t', 'f', true, problem + count},
      {'t', 'p', false, problem + count},
  };
  for (const auto& c : cases) {
    writeFile(a, sampleBytes(912));
    const char* argv[] = {"ym2608-settings", "--set", "TimerB=on", missing.c_str(), a.c_str()};
    ScriptedInput input({});
    Screen out(c.out);
    Screen errors(c.errors);
    EXPECT_EQ(runCommandLine(5, argv, input, out, errors), 1);
    const std::size_t drawn = errors.text.find("\r1 file so far");
    EXPECT_EQ(drawn == 0, c.progress) << errors.text;
    // Cleared, the progress line leaves every other line at its start.
    std::string lines = errors.text;
    for (std::size_t cr; (cr = lines.rfind('\r')) != std::string::npos;) {
      const std::size_t start =
          lines.rfind('\n', cr) == std::string::npos ? 0 : lines.rfind('\n', cr) + 1;
      lines.erase(start, cr + 1 - start);
    }
    EXPECT_EQ(lines, c.ends);
  }
}

// --revert puts back a block only where the file still holds what the run
// wrote; one that already holds the old block is left, and any other block
// is a change made since, never overwritten.
TEST(Choices, RevertGivesBackOnlyWhatTheRunWrote) {
  const SoundImage::Block old{0x01, 0x2C, 0x01, 0x00, 0x00, 0x00, 0x00};
  const SoundImage::Block wrote{0x01, 0x07, 0x00, 0x00, 0x00, 0x55, 0xAA};
  SoundImage::Block since = wrote;
  since[0] = 0x03;  // TimerB switched on by a later run
  const Change revert = RevertBlock{old, wrote};
  const struct {
    SoundImage::Block now, after;
    bool changedSince;
  } cases[] = {
      {wrote, old, false},
      {old, old, false},
      {since, since, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(changedBlock(revert, c.now), c.after);
    EXPECT_EQ(changedSince(revert, c.now), c.changedSince);
  }
  EXPECT_EQ(changeReport(revert, wrote, old), "LimitTime 7 -> 300, save mark removed");
}

}  // namespace
