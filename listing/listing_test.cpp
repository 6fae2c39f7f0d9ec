// The listing out and back: the CSV lines --show --csv writes, and the CSV,
// JSON Lines and JSON array listings read back, whole and a byte at a time.
#include "listing/listing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "listing/block_listing.h"
#include "listing/rows.h"

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
      showHeading(ShowFormat::Csv),
      "File,TimerA,TimerB,LimitTime,FadeoutDriverMode,GraphicECMode2203,LimitEndFlag,SaveMark");
  EXPECT_EQ(
      showRow(ShowFormat::Csv, *imageWith({true, false, 65535, true, false, true, true}), "a.dat"),
      "a.dat,on,off,65535,on,off,on,yes");
  EXPECT_EQ(
      showRow(ShowFormat::Csv, *imageWith({false, true, 0, false, true, false, false}), "x,y"),
      "\"x,y\",off,on,0,off,on,off,no");
}

// The rows, a line each: the name, then each value or '-' for none, then the
// block and the block written in hex when there are; then the line of a
// last row passed over; or "LINE: error" when the listing is refused.
std::string readIn(std::string_view listing, std::size_t chunk, bool endsAtCtrlZ) {
  ListingReader reader;
  reader.endsAtCtrlZ(endsAtCtrlZ);
  bool usable = true;
  for (std::size_t at = 0; usable && at < listing.size(); at += chunk) {
    usable = reader.feed(listing.substr(at, chunk));
  }
  usable = usable && reader.finish();
  EXPECT_EQ(usable, reader.error().empty());
  if (!usable) return std::to_string(reader.errorLine()) + ": " + reader.error();
  std::string text;
  for (const ListingRow& row : reader.rows()) {
    text += row.file;
    for (const std::optional<std::uint16_t>& value : row.values) {
      text += value ? " " + std::to_string(*value) : " -";
    }
    for (const auto& block : {row.block, row.written}) {
      if (!block) continue;
      text += ' ';
      for (const std::uint8_t byte : *block) {
        text += "0123456789abcdef"[byte >> 4];
        text += "0123456789abcdef"[byte & 0xF];
      }
    }
    text += '\n';
  }
  if (reader.passedOver() != 0) text += "passed over " + std::to_string(reader.passedOver());
  return text;
}

// What readIn says, the listing fed whole and then a byte at a time, so
// that every chunk boundary falls inside a BOM, a quoted cell and a CR LF.
std::string read(std::string_view listing, bool endsAtCtrlZ = false) {
  std::string whole = readIn(listing, listing.size(), endsAtCtrlZ);
  EXPECT_EQ(readIn(listing, 1, endsAtCtrlZ), whole) << "fed a byte at a time";
  return whole;
}

// The most a row may hold, its line end not counted.
constexpr std::size_t kMiB = std::size_t{1} << 20;

struct ListingCase {
  std::string listing;
  std::string read;
};

TEST(ListingReader, ReadsCsv) {
  const ListingCase cases[] = {
      // The listing of no file: nothing to set, and no error.
      {"", ""},
      {"\xEF\xBB\xBF\n\r\n", ""},
      {"File,TimerA,TimerB,LimitTime,FadeoutDriverMode,GraphicECMode2203,LimitEndFlag,SaveMark\n"
       "a.dat,on,off,300,on,off,on,yes\n"
       "b.dat,off,on,0,off,on,off,no\n",
       "a.dat 1 0 300 1 0 1\nb.dat 0 1 0 0 1 0\n"},
      // Some columns, any order and letter case; empty cells leave a value.
      {"limittime,FILE,timerb\n65535,x.dat,ENABLE\n,y.dat,Disable\n1,z.dat,\n",
       "x.dat - 1 65535 - - -\ny.dat - 0 - - - -\nz.dat - - 1 - - -\n"},
      // JSON's booleans as Miller writes them in CSV; the menu's label as a name.
      {"File,TimerA,TimerB\na,TRUE,false\n", "a 1 0 - - - -\n"},
      {"File,2203graphicECmode\na,on\n", "a - - - - 1 -\n"},
      // A header ending in a comma, as some spreadsheets write it.
      {"File,TimerA,\na,on,\n", "a 1 - - - - -\n"},
      {"File\na.dat\nA.dat", "a.dat - - - - - -\nA.dat - - - - - -\n"},
      {"File,TimerA\n", ""},
      // Quoted cells: commas, doubled quotes, LF and CR LF kept in the name.
      {"File,TimerA\n\"a,b\",1\n\"say \"\"hi\"\"\",0\n\"two\nlines\",\"\"\n\"cr\r\nlf\",\"on\"\n",
       "a,b 1 - - - - -\nsay \"hi\" 0 - - - - -\ntwo\nlines - - - - - -\ncr\r\nlf 1 - - - - -\n"},
      // A quote inside an unquoted cell; a CR alone ends a line, as old Mac
      // programs end them, but is kept in quotes.
      {"File\na\"b\nc\rd\n", "a\"b - - - - - -\nc - - - - - -\nd - - - - - -\n"},
      {"File,LimitTime\r\"c\rd\",7\r\rb,8", "c\rd - - 7 - - -\nb - - 8 - - -\n"},
      {"\xEF\xBB\xBF"
       "File,LimitTime\r\na.dat,7\r\nb.dat,8\r",
       "a.dat - - 7 - - -\nb.dat - - 8 - - -\n"},
      // Blank lines and rows of empty cells, as spreadsheets leave them.
      {"\r\nFile,TimerA\n\na.dat,on\n,\n\r\n\n", "a.dat 1 - - - - -\n"},
      {" \t\r\n File\na", "a - - - - - -\n"},
      // The block's bytes as they are, in place of settings.
      {"file,BLOCK,SaveMark\na,0123456789abCD,yes\nb,,no\n",
       "a - - - - - - 0123456789abcd\nb - - - - - -\n"},
      // The rows --undo writes read back as the same names and blocks.
      {blockListingHeading() + "\r\n" +
           blockListingRow("a,\"b\".dat", {0x00, 0x7F, 0x80, 0xAB, 0xCD, 0xEF, 0xFF}) + "\r\n" +
           blockListingRow("c.dat", {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}) + "\r\n",
       "a,\"b\".dat - - - - - - 007f80abcdefff\nc.dat - - - - - - 01020304050607\n"},
      // A file named again holds a block another program changed during
      // the run: the later row is the one to put back, in the first's place.
      {"File,Block\na,00000000000000\nb,11111111111111\na,22222222222222\n",
       "a - - - - - - 22222222222222\nb - - - - - - 11111111111111\n"},
      // With the block each run's write put in its place; a withdrawn row
      // leaves the file as it is.
      {blockListingHeading(true) + "\n" + blockListingRow("a", {}, true, {{9}}) + "\n" +
           blockListingRow("b", {}, true) + "\n" +
           blockListingRow("a", {0, 1, 2, 3, 4, 5, 6}, true, {{7}}) + "\n" +
           withdrawnBlockListingRow("b", true) + "\n",
       "a - - - - - - 00010203040506 07000000000000\nb - - - - - -\n"},
      // A Block listing's last row torn by a power loss is passed over: cut
      // short, ending in NUL bytes, or whole but without its line end.
      {"File,Block\na,00000000000000\nb,0000" + std::string(3, '\0'),
       "a - - - - - - 00000000000000\npassed over 3"},
      {"File,Block\r\na,00000000000000\r\n" + std::string(9, '\0'),
       "a - - - - - - 00000000000000\npassed over 3"},
      {"File,Block\na,00000000000000\nb,11111111111111",
       "a - - - - - - 00000000000000\npassed over 3"},
      // A row of 1 MiB, with or without its line end.
      {"File,TimerA\r\n" + std::string(kMiB - 3, 'n') + ",on\r\n",
       std::string(kMiB - 3, 'n') + " 1 - - - - -\n"},
      {"File\n" + std::string(kMiB, 'n'), std::string(kMiB, 'n') + " - - - - - -\n"},
  };
  for (const ListingCase& c : cases) EXPECT_EQ(read(c.listing), c.read) << c.listing;
}

// What --show --csv writes reads back as the same names and values, with
// either line end, and with names that need quotes or are no UTF-8.
TEST(ListingReader, ReadsBackWhatCsvRowWrites) {
  const struct {
    const char* file;
    Settings settings;
  } files[] = {
      {"plain.dat", {true, false, 300, true, false, true, true}},
      {"a,b \"c\".dat", {false, true, 0, false, true, false, false}},
      {"two\nlines\r\n.dat\r", {true, true, 65535, true, true, true, false}},
      {" TimerA ", {false, false, 1, false, false, false, true}},
      {"\xEF\xBB\xBF\xFF\xFE.dat", {true, false, 12345, false, true, true, false}},
      {"dir/\xC3\xA9t\xC3\xA9.dat", {false, true, 256, true, false, false, true}},
  };
  for (const char* lineEnd : {"\n", "\r\n"}) {
    std::string listing = showHeading(ShowFormat::Csv) + lineEnd;
    std::string expected;
    for (const auto& f : files) {
      const auto image = imageWith(f.settings);
      listing += showRow(ShowFormat::Csv, *image, f.file) + lineEnd;
      expected += f.file;
      for (const Setting& setting : kSettings) {
        expected += " " + std::to_string(valueOf(*image, setting));
      }
      expected += '\n';
    }
    EXPECT_EQ(read(listing), expected);
  }
}

TEST(ListingReader, RefusesBadCsv) {
  const ListingCase cases[] = {
      {"File,Timer\na,on\n", "1: no setting is called 'Timer'"},
      // Half a BOM is no BOM: its bytes start the header, which is CSV.
      {"\xEF\xBB{File\n", "1: no setting is called '\xEF\xBB{File'"},
      {std::string("\xFF\xFE"
                   "F\0",
                   4),
       "1: the listing is UTF-16: save it as UTF-8"},
      {std::string("\xFE\xFF\0F", 4), "1: the listing is UTF-16: save it as UTF-8"},
      {"File,,TimerA\n", "1: no setting is called ''"},
      {"File,TimerA,\na,on,x\n", "2: the header names no column for 'x'"},
      {"\xEF\xBB\xBF\xEF\xBB\xBF"
       "File\n",
       "1: no setting is called '<U+FEFF>File'"},
      {"\n\nTimerA,SaveMark\n", "3: the header has no File column"},
      {"File,TimerA,timera\n", "1: TimerA is named twice"},
      {"File,FileBytes\n", "1: no setting is called 'FileBytes'"},
      // A name with its words apart, or as the menu labels it, is hinted at.
      {"File,graphic_ec_mode_2203\n",
       "1: no setting is called 'graphic_ec_mode_2203'; did you mean GraphicECMode2203?"},
      {"File,4.Fadeout DriverMode\n",
       "1: no setting is called '4.Fadeout DriverMode'; did you mean FadeoutDriverMode?"},
      {"File,3.TimerA\n", "1: no setting is called '3.TimerA'"},
      {"File,Block,TimerB\n", "1: Block cannot go with TimerB: a Block cell sets all seven bytes"},
      {"LimitTime,File,block\n",
       "1: Block cannot go with LimitTime: a Block cell sets all seven bytes"},
      {"File,Block\na,0123456789abc\n", "2: Block cannot be '0123456789abc': use 14 hex digits"},
      {"File,Block\na,0123456789abcdef\n",
       "2: Block cannot be '0123456789abcdef': use 14 hex digits"},
      {"File,Block\na,0123456789abcg\n", "2: Block cannot be '0123456789abcg': use 14 hex digits"},
      {"File,Block,Written\na,00000000000000,0\n", "2: Written cannot be '0': use 14 hex digits"},
      {"File,Written\n", "1: Written goes only with Block"},
      // Only the last row of a Block listing may be torn.
      {"File,Block\na,0000\nb,00000000000000", "2: Block cannot be '0000': use 14 hex digits"},
      {"File,Block\n" + std::string(2, '\0') + "a,00000000000000\n",
       "2: the listing holds a NUL byte"},
      {"file,SaveMark,File\n", "1: File is named twice"},
      {"File,TimerB\na,on\nb, on\n", "3: TimerB cannot be ' on': use on or off"},
      {"File,LimitTime\na,65536\n", "2: LimitTime cannot be '65536': use a number from 0 to 65535"},
      {"File,TimerA\na,on,off\n", "2: the row has 3 cells, the header 2 cells"},
      {"File,TimerA\na\n", "2: the row has 1 cell, the header 2 cells"},
      {"File,TimerA\n,on\n", "2: the row names no file"},
      {"File\nb\na\nb\na\n", "4: 'b' is listed twice"},
      {"File\n\"a\nb\n", "2: a quoted cell is not closed"},
      {"File,TimerA\n\"a\"b,on\n", "2: a quoted cell has text after its closing quote"},
      // Lines count as a text editor shows them; a row spanning lines is
      // named by its first, and its line ends show as '?'.
      {"File,TimerA\n\"x\ny\",on\n\"z\r\n\",\"o\nn\"\n",
       "4: TimerA cannot be 'o?n': use on or off"},
      {"File\n\"a\r\nb\"\n\"a\r\nb\"\n", "4: 'a??b' is listed twice"},
      {"File\ra\r\n\rb\ra\n", "5: 'a' is listed twice"},
      // What is no listing at all ends the reading before it fills the memory.
      {std::string("File\na\n") + std::string(2, '\0'), "3: the listing holds a NUL byte"},
      {"File\n" + std::string((std::size_t{1} << 20) + 1, 'a'), "2: a row is longer than 1 MiB"},
      {"File\n" + std::string(kMiB + 1, 'a') + "\r\n", "2: a row is longer than 1 MiB"},
      {"File\n" + std::string(kMiB + 1, ','), "2: a row is longer than 1 MiB"},
      {"File\nx" + std::string(kMiB - 1, ',') + "\n",
       "2: the row has 1048576 cells, the header 1 cell"},
  };
  for (const ListingCase& c : cases) EXPECT_EQ(read(c.listing), c.read) << c.listing;
}

// However long the listing, a name given three times is reported on the
// line that first repeats it.
TEST(ListingReader, NamesTheLineThatFirstRepeatsAName) {
  std::string listing = "File\n";
  for (int i = 0; i < 200; ++i) listing += "f" + std::to_string(i == 90 || i == 150 ? 7 : i) + "\n";
  EXPECT_EQ(read(listing), "92: 'f7' is listed twice");
}

// A 0x1A, as DOS-era editors end a file, ends the listing only where the
// caller says it may, and only as its very last byte.
TEST(ListingReader, EndsAtCtrlZOnlyWhenTold) {
  const std::string rows = "File,TimerA\na,on";
  const struct {
    std::string listing;
    bool endsAtCtrlZ;
    std::string read;
  } cases[] = {
      {rows + "\n\x1A", true, "a 1 - - - - -\n"},
      {rows + "\x1A", true, "a 1 - - - - -\n"},
      {"{\"file\":\"a\"}\x1A", true, "a - - - - - -\n"},
      {rows + "\n\x1A", false, "3: the row has 1 cell, the header 2 cells"},
      {rows + "\n\x1A\x1A", true, "3: the row has 1 cell, the header 2 cells"},
      {"File,TimerA\n\x1A\na,on", true, "2: the row has 1 cell, the header 2 cells"},
  };
  for (const auto& c : cases) EXPECT_EQ(read(c.listing, c.endsAtCtrlZ), c.read) << c.listing;
}

TEST(ListingReader, ReadsJsonLines) {
  const ListingCase cases[] = {
      {R"({"file":"a.dat","TimerA":true,"TimerB":false,"LimitTime":65535,"FadeoutDriverMode":true,)"
       R"("GraphicECMode2203":false,"LimitEndFlag":true,"saveMark":true})",
       "a.dat 1 0 65535 1 0 1\n"},
      // Keys in any letter case, --set's words, null and absent keys.
      {R"({"FILE":"b","timera":"ENABLE","TIMERB":"0","limittime":0,"LimitEndFlag":null})",
       "b 1 0 0 - - -\n"},
      {R"({"file":"c","SAVEMARK":"whatever"})"
       "\n"
       R"({"saveMark":{"Timer":1},"file":"d"})",
       "c - - - - - -\nd - - - - - -\n"},
      {R"({"file":"a","LimitTime":-0})", "a - - 0 - - -\n"},
      // Switches as tools write a boolean: as text, or as a number; and ""
      // as they turn an empty CSV cell into JSON.
      {R"({"file":"a","TimerA":"False","TimerB":"TRUE"})", "a 0 1 - - - -\n"},
      {R"({"file":"a","TimerA":1,"TimerB":0})", "a 1 0 - - - -\n"},
      {R"({"file":"a","TimerA":"","LimitTime":""})", "a - - - - - -\n"},
      // LimitTime as other tools write it: a whole number with a fraction or
      // an exponent, or its digits as a string.
      {"{\"file\":\"a\",\"LimitTime\":6798.0}\n{\"file\":\"b\",\"LimitTime\":6.798e3}\n"
       "{\"file\":\"c\",\"LimitTime\":-0.0}\n{\"file\":\"d\",\"LimitTime\":6553500e-2}\n"
       "{\"file\":\"e\",\"LimitTime\":1E+4}",
       "a - - 6798 - - -\nb - - 6798 - - -\nc - - 0 - - -\nd - - 65535 - - -\ne - - 10000 - - -\n"},
      {R"({"file":"a","LimitTime":"06798"})", "a - - 6798 - - -\n"},
      // A name that is no UTF-8 as its bytes; the readable "file" is passed
      // over, and two names that read alike are two files.
      {R"({"fileBytes":"fF2E64","file":"\ufffd.d"})", "\xFF.d - - - - - -\n"},
      {"{\"file\":\"?\",\"FILEBYTES\":\"61\"}\n{\"file\":\"?\",\"fileBytes\":\"62\"}\n"
       "{\"file\":\"c\",\"fileBytes\":null}",
       "a - - - - - -\nb - - - - - -\nc - - - - - -\n"},
      // Escapes make the name; a BOM, CR LF and blank lines are passed over.
      {"\xEF\xBB\xBF"
       R"({"file":"\u00e9t\u00e9, \"q\"\n.dat"})"
       "\r\n \t\r\n\n"
       R"( {"file":"x"} )",
       "\xC3\xA9t\xC3\xA9, \"q\"\n.dat - - - - - -\nx - - - - - -\n"},
      {"{\"file\":\"a\"}\r{\"file\":\"b\"}\r", "a - - - - - -\nb - - - - - -\n"},
      {"\xEF\xBB\xBF\r\n {\"file\":\"a\"}", "a - - - - - -\n"},
      {R"({"file":")" + std::string(kMiB - 11, 'j') + "\"}\r\n",
       std::string(kMiB - 11, 'j') + " - - - - - -\n"},
      // A JSON array of the same objects, as Miller's --ojson writes it over
      // many lines and csvkit's csvjson on one; brackets, commas and quotes
      // inside strings are text.
      {"\xEF\xBB\xBF[\r\n{\r\n  \"File\": \"a.dat\",\r\n  \"TimerA\": \"on\",\r\n"
       "  \"LimitTime\": 6798\r\n},\r\n{\r\n  \"file\": \"b\",\r\n  \"TimerB\": null\r\n}\r\n]\r\n",
       "a.dat 1 - 6798 - - -\nb - - - - - -\n"},
      {R"( [{"file": "x\"],{[\\", "LimitTime": 6798.0, "saveMark": [1, {"a": "]"}]}, {"file": "y"}] )",
       "x\"],{[\\ - - 6798 - - -\ny - - - - - -\n"},
      {" [\n ]\n", ""},
      {"[" + (R"({"file":")" + std::string(kMiB - 11, 'j') + "\"}") + "]",
       std::string(kMiB - 11, 'j') + " - - - - - -\n"},
  };
  for (const ListingCase& c : cases) EXPECT_EQ(read(c.listing), c.read) << c.listing;
}

TEST(ListingReader, RefusesBadJsonLines) {
  const ListingCase cases[] = {
      {"{\"file\":\"a\"}\nfile,TimerA\n", "2: the line is not JSON"},
      {R"({"file":"a.dat\u0000../x"})", "1: the file name holds a NUL"},
      {"File,TimerA\na," + std::string(200, 'x') + "\n",
       "2: TimerA cannot be '" + std::string(80, 'x') + "...': use on or off"},
      {R"({"file":"a"} {"file":"b"})", "1: the line is not JSON"},
      {"{\"file\":\"\xFF\"}", "1: the line is not JSON"},
      {"{\"file\":\"a\"}\n\n[{\"file\":\"b\"}]", "3: the line is not a JSON object"},
      {"{\"file\":\"a\"}\n\"b\"", "2: the line is not a JSON object"},
      {R"({"file":"a","Timer":true})", "1: no setting is called 'Timer'"},
      {R"({"file":"a","Time\nr":true})", "1: no setting is called 'Time?r'"},
      {R"({"file":"a","GraphicEC2203Mode":true})",
       "1: no setting is called 'GraphicEC2203Mode'; did you mean GraphicECMode2203?"},
      {R"({"file":"a","Mode EC Graphic 2203":true})",
       "1: no setting is called 'Mode EC Graphic 2203'; did you mean GraphicECMode2203?"},
      {R"({"file":"a","GraphicMode2203":true})", "1: no setting is called 'GraphicMode2203'"},
      {R"({"file":"a","TimerA":true,"timera":false})", "1: TimerA is named twice"},
      {R"({"file":"a","file":"b"})", "1: file is named twice"},
      {R"({"file":"a","TimerA":"maybe"})", "1: TimerA cannot be \"maybe\": use on or off"},
      {R"({"file":"a","TimerB":2})", "1: TimerB cannot be 2: use on or off"},
      {R"({"file":"a","LimitTime":65536})",
       "1: LimitTime cannot be 65536: use a number from 0 to 65535"},
      {R"({"file":"a","LimitTime":-1})", "1: LimitTime cannot be -1: use a number from 0 to 65535"},
      // Past a double: JSON still, and out of range like any other number.
      {R"({"file":"a","LimitTime":1e400})",
       "1: LimitTime cannot be 1e400: use a number from 0 to 65535"},
      {R"({"file":"a","TimerA":-1E400})", "1: TimerA cannot be -1E400: use on or off"},
      {R"({"file":"a","saveMark":[1e400]})", "1: the number 1e400 is out of range"},
      {"{\"file\":\"a\"}\n1e400", "2: the line is not a JSON object"},
      {R"({"file":"a","LimitTime":6798.5})",
       "1: LimitTime cannot be 6798.5: use a number from 0 to 65535"},
      // Whole as its text says, not as a double rounds it.
      {R"({"file":"a","LimitTime":6798.0000000000001})",
       "1: LimitTime cannot be 6798.0000000000001: use a number from 0 to 65535"},
      {R"({"file":"a","LimitTime":6.5536e4})",
       "1: LimitTime cannot be 6.5536e4: use a number from 0 to 65535"},
      {R"({"file":"a","LimitTime":-1.0})",
       "1: LimitTime cannot be -1.0: use a number from 0 to 65535"},
      {R"({"file":"a","TimerA":1.0})", "1: TimerA cannot be 1.0: use on or off"},
      {R"({"file":"a","LimitTime":"300.0"})",
       "1: LimitTime cannot be \"300.0\": use a number from 0 to 65535"},
      {R"({"file":"a","LimitTime":"65536"})",
       "1: LimitTime cannot be \"65536\": use a number from 0 to 65535"},
      {R"({"file":"a","TimerA":"o\nn"})", R"(1: TimerA cannot be "o\nn": use on or off)"},
      {R"({"file":"a","TimerA":")" + std::string(200, 'x') + R"("})",
       "1: TimerA cannot be \"" + std::string(80, 'x') + "\"...: use on or off"},
      {R"({"file":"a","TimerA":"\ufeffon"})", R"(1: TimerA cannot be "<U+FEFF>on": use on or off)"},
      {R"({"file":"a","TimerA":[true]})", "1: TimerA cannot be [...]: use on or off"},
      {R"({"file":"a","LimitTime":{"n":1}})",
       "1: LimitTime cannot be {...}: use a number from 0 to 65535"},
      {R"({"TimerA":true})", "1: the row names no file"},
      {R"({"file":""})", "1: the row names no file"},
      {"\n \r\n{\"file\":\"\"}", "3: the row names no file"},
      {R"({"file":7})", "1: the row names no file"},
      {R"({"file":["a"]})", "1: the row names no file"},
      {"{\"file\":\"a\"}\r\n{\"file\":\"A\"}\r\n{\"file\":\"a\"}\r\n", "3: 'a' is listed twice"},
      {"{\"file\":\"a\"}\n{\"file\":\"b\",\"fileBytes\":\"61\"}", "2: 'a' is listed twice"},
      {R"({"file":"a","fileBytes":"616"})",
       R"(1: fileBytes cannot be "616": use two hex digits a byte)"},
      {R"({"fileBytes":"6g"})", R"(1: fileBytes cannot be "6g": use two hex digits a byte)"},
      {R"({"fileBytes":61})", "1: fileBytes cannot be 61: use two hex digits a byte"},
      {R"({"file":"a","fileBytes":""})", "1: the row names no file"},
      {R"({"fileBytes":"61","FileBytes":"61"})", "1: fileBytes is named twice"},
      {"{\"file\":\"a\"}\r\r\n{\"file\":\"a\"}", "3: 'a' is listed twice"},
      {"{\"file\":\"a\"}\n{\"file\":\"" + std::string(kMiB - 10, 'j') + "\"}",
       "2: a row is longer than 1 MiB"},
      // A JSON array: each row's problem told on the line the row starts on.
      {"[\n{\"file\":\"a\"},\n{\n\"file\":\"b\",\n\"Timer\":1}\n]",
       "3: no setting is called 'Timer'"},
      {"[{\"file\":\"a\"},\n\"b\"]", "2: the row is not a JSON object"},
      {R"([{"file":"a",}])", "1: the row is not JSON"},
      {"[{\"file\":\"a\"}\n{\"file\":\"b\"}]", "2: the array is not JSON"},
      {"[{\"file\":\"a\"},\n]", "2: the array is not JSON"},
      {"[\n{\"file\":\"a\"}\n]\n\n{\"file\":\"b\"}",
       "5: the listing goes on after the array's closing ]"},
      {"[\n{\"file\":\"a\"},\n{\"file\":\"b\"", "3: the array is not closed"},
      {"[{\"file\":\"a\"}\n", "2: the array is not closed"},
      {"[\n{\"file\":\"" + std::string(kMiB - 10, 'j') + "\"}]", "2: a row is longer than 1 MiB"},
  };
  for (const ListingCase& c : cases) EXPECT_EQ(read(c.listing), c.read) << c.listing;
}

}  // namespace
