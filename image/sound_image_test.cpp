// The image: the settings' bits and bytes, load and save on real files,
// and what a save leaves when the file changed under the dialogue.
#include "image/sound_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>

#include "test_support/expected.h"
#include "test_support/files.h"

namespace {

// Byte offsets and masks as the file format fixes them, written out here
// rather than taken from the code under test.
struct ToggleCase {
  const char* name;
  Switch which;
  std::size_t offset;
  std::uint8_t before;
  bool onBefore;
  std::uint8_t after;
};

const ToggleCase kToggleCases[] = {
    {"TimerA off in 0xFC", Switch::TimerA, 0x389, 0xFC, false, 0xFD},
    {"TimerB off in 0xFC", Switch::TimerB, 0x389, 0xFC, false, 0xFE},
    {"TimerA on in 0x03", Switch::TimerA, 0x389, 0x03, true, 0x02},
    {"Fadeout on in 0xFF", Switch::FadeoutDriverMode, 0x38C, 0xFF, true, 0xFE},
    {"2203 on in 0xFF", Switch::GraphicECMode2203, 0x38C, 0xFF, true, 0xFD},
    {"LimitEnd on in 0xFF", Switch::LimitEndFlag, 0x38C, 0xFF, true, 0xF7},
    {"LimitEnd is bit 3, not bit 2", Switch::LimitEndFlag, 0x38C, 0x04, false, 0x0C},
    {"Fadeout off in 0xF0", Switch::FadeoutDriverMode, 0x38C, 0xF0, false, 0xF1},
};

TEST(SoundImage, ToggleFlipsOneBitOfItsByte) {
  for (const ToggleCase& c : kToggleCases) {
    SCOPED_TRACE(c.name);
    SoundImage image;
    const Bytes filler = sampleBytes(SoundImage::Capacity);
    std::copy(filler.begin(), filler.end(), image.bytes.begin());
    image.bytes[c.offset] = c.before;
    const auto original = image.bytes;

    EXPECT_EQ(image.isOn(c.which), c.onBefore);
    image.toggle(c.which);
    EXPECT_EQ(image.bytes[c.offset], c.after);
    EXPECT_EQ(image.isOn(c.which), !c.onBefore);
    auto expected = original;
    expected[c.offset] = c.after;
    EXPECT_TRUE(image.bytes == expected) << "a byte other than the switch's changed";

    image.toggle(c.which);
    EXPECT_TRUE(image.bytes == original) << "toggling twice did not restore the image";
  }
}

TEST(SoundImage, LimitTimeIsLowSixteenBitsLittleEndian) {
  struct {
    std::int32_t n;
    std::uint8_t low, high;
    std::uint16_t read;
  } const cases[] = {
      {0, 0x00, 0x00, 0},         {120, 0x78, 0x00, 120},
      {256, 0x00, 0x01, 256},     {65535, 0xFF, 0xFF, 65535},
      {65536, 0x00, 0x00, 0},     {70000, 0x70, 0x11, 4464},
      {-1, 0xFF, 0xFF, 65535},    {INT32_MAX, 0xFF, 0xFF, 65535},
      {INT32_MIN, 0x00, 0x00, 0}, {-65536 + 300, 0x2C, 0x01, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    SoundImage image;
    image.bytes.fill(0xA5);
    image.setLimitTime(c.n);
    EXPECT_EQ(image.bytes[0x38A], c.low);
    EXPECT_EQ(image.bytes[0x38B], c.high);
    EXPECT_EQ(image.limitTime(), c.read);
    EXPECT_EQ(image.bytes[0x389], 0xA5);
    EXPECT_EQ(image.bytes[0x38C], 0xA5);
  }
}

// Load a file, save it unchanged, and compare: the length stays and only the
// two SaveMark bytes that lie inside the file may differ. One case a length.
class SaveWithoutChanges : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SaveWithoutChanges, OnlyStampsTheMarkWithinTheFile) {
  const std::size_t size = GetParam();
  TempDir dir;
  const std::string path = dir.path("song.dat");
  const Bytes original = sampleBytes(size);
  writeFile(path, original);

  SoundImage image;
  ASSERT_TRUE(image.load(path.c_str()));
  EXPECT_EQ(image.length, size);
  ASSERT_TRUE(image.save(path.c_str()));
  EXPECT_EQ(readFile(path), withSaveMark(original));
}

INSTANTIATE_TEST_SUITE_P(SoundImage, SaveWithoutChanges,
                         ::testing::Values(0, 1, 910, 911, 912, 4096, SoundImage::Capacity));

TEST(SoundImage, ShortFileReadsAsOffAndZeroEvenAfterALongerLoad) {
  TempDir dir;
  writeFile(dir.path("long.dat"), Bytes(4096, 0xFF));
  writeFile(dir.path("short.dat"), Bytes(905, 0xFF));  // ends just before the block

  SoundImage image;
  ASSERT_TRUE(image.load(dir.path("long.dat").c_str()));
  ASSERT_TRUE(image.isOn(Switch::TimerA));
  ASSERT_TRUE(image.load(dir.path("short.dat").c_str()));
  EXPECT_EQ(image.length, 905u);
  for (Switch s : {Switch::TimerA, Switch::TimerB, Switch::FadeoutDriverMode,
                   Switch::GraphicECMode2203, Switch::LimitEndFlag}) {
    EXPECT_FALSE(image.isOn(s));
  }
  EXPECT_EQ(image.limitTime(), 0);

  // Changes past the end are kept in memory but never reach the file.
  image.toggle(Switch::TimerA);
  image.setLimitTime(1234);
  ASSERT_TRUE(image.save(dir.path("short.dat").c_str()));
  EXPECT_EQ(readFile(dir.path("short.dat")), Bytes(905, 0xFF));
}

// Each row: a file, and what happens to it between load and save; returns
// the bytes the file must hold after the save, before the edits and the
// SaveMark.
struct KeepCase {
  const char* name;
  std::size_t size;
  Bytes (*between)(const std::string& path, Bytes loaded);
};

void PrintTo(const KeepCase& c, std::ostream* out) {
  *out << c.name;
}

const KeepCase kKeepCases[] = {
    {"LongerThanTheImage", 100000, [](const std::string&, Bytes loaded) { return loaded; }},
    {"GrewSinceTheLoad", 1000,
     [](const std::string& path, Bytes loaded) {
       loaded.insert(loaded.end(), 500, 0x5A);
       writeFile(path, loaded);
       return loaded;
     }},
    {"VanishedSinceTheLoad", 912,
     [](const std::string& path, Bytes loaded) {
       std::filesystem::remove(path);
       return loaded;
     }},
};

class SaveKeeps : public ::testing::TestWithParam<KeepCase> {};

TEST_P(SaveKeeps, EveryByteItDidNotEdit) {
  const KeepCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.path("song.dat");
  const Bytes original = sampleBytes(c.size);
  writeFile(path, original);

  SoundImage image;
  ASSERT_TRUE(image.load(path.c_str()));
  EXPECT_EQ(image.length, std::min(c.size, SoundImage::Capacity));
  image.toggle(Switch::TimerB);
  image.setLimitTime(120);
  const Bytes onDisk = c.between(path, original);
  ASSERT_TRUE(image.save(path.c_str()));
  EXPECT_EQ(readFile(path), saved(onDisk, onDisk[0x389] ^ 0x02, 120, onDisk[0x38C]));
}

INSTANTIATE_TEST_SUITE_P(SoundImage, SaveKeeps, ::testing::ValuesIn(kKeepCases),
                         [](const ::testing::TestParamInfo<KeepCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(SoundImage, LoadFailsWhenTheFileCannotBeRead) {
  TempDir dir;
  std::filesystem::create_directory(dir.path("folder"));
  const std::string paths[] = {dir.path("missing.dat"), dir.path("folder"),
                               dir.path("no-such-folder/song.dat")};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    SoundImage image;
    EXPECT_FALSE(image.load(path.c_str()));
  }
}

TEST(SoundImage, SaveReportsWhyItFailed) {
  TempDir dir;
  const std::string path = dir.path("song.dat");
  writeFile(path, sampleBytes(2000));
  SoundImage image;
  ASSERT_TRUE(image.load(path.c_str()));

  // Replaced by a folder between load and save: it cannot be opened.
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  EXPECT_EQ(image.save(path.c_str()).failed, FileResult::Step::Open);
  EXPECT_EQ(image.save(dir.path("no-such-folder/song.dat").c_str()).failed, FileResult::Step::Open);
}

// A device that takes no bytes: the write fails after a successful open.
TEST(SoundImage, SaveReportsAWriteThatFailsAfterTheOpen) {
  FILE* full = std::fopen("/dev/full", "r+b");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full on this system";
  std::fclose(full);
  SoundImage zeros;
  ASSERT_TRUE(zeros.load("/dev/full"));
  EXPECT_EQ(zeros.save("/dev/full").failed, FileResult::Step::Write);
}

}  // namespace
