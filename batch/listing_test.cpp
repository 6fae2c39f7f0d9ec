// The listing out and back: the CSV lines --show --csv writes, and the CSV
// and JSON Lines listings read back, whole and a byte at a time.
#include "batch/listing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Settings {
  bool timerA, timerB;
  std::int32_t limitTime;
  bool fadeout, graphic, limitEnd, mark;
};

// A fresh image holding the whole settings block with these settings.
std::unique_ptr<SoundImage> imageWith(const Settings& s) {
  auto image = std::make_unique<SoundImage>();
  image->length = SettingsBlock::End;
  image->setSwitch(Switch::TimerA, s.timerA);
  image->setSwitch(Switch::TimerB, s.timerB);
  image->setLimitTime(s.limitTime);
  image->setSwitch(Switch::FadeoutDriverMode, s.fadeout);
  image->setSwitch(Switch::GraphicECMode2203, s.graphic);
  image->setSwitch(Switch::LimitEndFlag, s.limitEnd);
  if (s.mark) image->stampSaveMark();
  return image;
}

TEST(ListingCsv, FieldsAreQuotedOnlyWhenTheyMustBe) {
  const struct {
    const char* text;
    const char* field;
  } cases[] = {
      {"a.dat", "a.dat"},
      {" spaced name .dat", " spaced name .dat"},
      {"a,b.dat", "\"a,b.dat\""},
      {"say \"hi\".dat", R"("say ""hi"".dat")"},
      {"two\nlines", "\"two\nlines\""},
      {"cr\r.dat", "\"cr\r.dat\""},
      {"\"", R"("""")"},
      // Not UTF-8: kept byte for byte, as the file system named it.
      {"\xFF\xFE\x01.dat", "\xFF\xFE\x01.dat"},
  };
  for (const auto& c : cases) EXPECT_EQ(csvField(c.text), c.field) << c.text;
}

TEST(ListingCsv, RowsFollowTheHeader) {
  EXPECT_EQ(
      csvHeader(),
      "File,TimerA,TimerB,LimitTime,FadeoutDriverMode,GraphicECMode2203,LimitEndFlag,SaveMark");
  EXPECT_EQ(csvRow(*imageWith({true, false, 65535, true, false, true, true}), "a.dat"),
            "a.dat,on,off,65535,on,off,on,yes");
  EXPECT_EQ(csvRow(*imageWith({false, true, 0, false, true, false, false}), "x,y"),
            "\"x,y\",off,on,0,off,on,off,no");
}

}  // namespace
