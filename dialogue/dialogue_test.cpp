// The dialogue end to end in memory: transcripts of the menu, its
// messages, and what each command leaves in the file.
#include "dialogue/dialogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support/expected.h"
#include "test_support/files.h"
#include "test_support/memory_console.h"

namespace {

// A 1 KiB file whose settings show as `kStart`; bits the editor must not
// touch are set around them.
Bytes startFile() {
  Bytes bytes = sampleBytes(1024);
  bytes[0x389] = 0xF1;  // TimerA on, TimerB off
  bytes[0x38A] = 0x2C;  // LimitTime 300
  bytes[0x38B] = 0x01;
  bytes[0x38C] = 0xF6;  // Fadeout off, 2203 on, LimitEnd off, bit 2 set
  bytes[0x38D] = 0x77;
  bytes[0x38E] = 0x00;
  bytes[0x38F] = 0x00;
  return bytes;
}
const Shown kStart = {true, false, 300, false, true, false};
const Shown kTimerAOff = {false, false, 300, false, true, false};

struct Outcome {
  std::string output;
  int status;
};

Outcome runWith(std::vector<const char*> args, std::vector<ScriptedInput::Piece> pieces,
                std::size_t chunk = 4096) {
  RecordingOutput sink;
  ScriptedInput input(std::move(pieces), &sink.text, chunk);
  args.insert(args.begin(), "ym2608-settings");
  const int status = runDialogue(static_cast<int>(args.size()), args.data(), input, sink);
  return {sink.text, status};
}

struct Transcript {
  const char* name;
  std::string input;
  std::string output;
  Bytes file;  // the file afterwards
};

std::vector<Transcript> transcripts() {
  const Bytes start = startFile();
  const std::string m0 = menuText(kStart);
  const std::string unknown = "??\n" + m0;
  auto timeMenu = [](unsigned t) {
    Shown s = kStart;
    s.limitTime = t;
    return menuText(s);
  };
  const std::string exitNote = "exit!\n";
  return {
      {"9 leaves the file untouched", "9", m0 + exitNote, start},
      {"8 stamps the mark and saves", "8\n", m0 + "save end!\n", saved(start, 0xF1, 300, 0xF6)},
      {"each switch flips in the next menu", "1 2 4 5 6 9",
       m0 + menuText({false, false, 300, false, true, false}) +
           menuText({false, true, 300, false, true, false}) +
           menuText({false, true, 300, true, true, false}) +
           menuText({false, true, 300, true, false, false}) +
           menuText({false, true, 300, true, false, true}) + exitNote,
       start},
      {"switches saved, other bits kept", "1\n2\n4\n5\n6\n8\n",
       m0 + menuText({false, false, 300, false, true, false}) +
           menuText({false, true, 300, false, true, false}) +
           menuText({false, true, 300, true, true, false}) +
           menuText({false, true, 300, true, false, false}) +
           menuText({false, true, 300, true, false, true}) + "save end!\n",
       saved(start, 0xF2, 300, 0xFD)},
      {"flipping twice restores", "1 1 8", m0 + menuText(kTimerAOff) + m0 + "save end!\n",
       saved(start, 0xF1, 300, 0xF6)},
      {"every white space kind", "\t1\r\n1\v\f9", m0 + menuText(kTimerAOff) + m0 + exitNote, start},
      {"3 then a time on one line, then save", "3 120 8",
       m0 + "time ? " + timeMenu(120) + "save end!\n", saved(start, 0xF1, 120, 0xF6)},
      {"the time word is never a command", "3 8 9", m0 + "time ? " + timeMenu(8) + exitNote, start},
      {"times wrap to 16 bits", "3 65536 3 -1 3 70000 3 99999999999 9",
       m0 + "time ? " + timeMenu(0) + "time ? " + timeMenu(65535) + "time ? " + timeMenu(4464) +
           "time ? " + timeMenu(65535) + exitNote,
       start},
      {"a time that is no number is 0", "3 abc 3 12abc 3 -5x 8",
       m0 + "time ? " + timeMenu(0) + "time ? " + timeMenu(12) + "time ? " + timeMenu(65531) +
           "save end!\n",
       saved(start, 0xF1, 65531, 0xF6)},
      {"unassigned words", "7 0 10 -1 abc x1 2147483647 9",
       m0 + unknown + unknown + unknown + unknown + unknown + unknown + unknown + exitNote, start},
      {"words count by their leading number", "+3 007 8x",
       m0 + "time ? " + timeMenu(7) + "save end!\n", saved(start, 0xF1, 7, 0xF6)},
      {"end of input at the menu leaves the file", "1 3 5",
       m0 + menuText(kTimerAOff) + "time ? " + menuText({false, false, 5, false, true, false}) +
           exitNote,
       start},
      {"end of input at the time prompt", "3", m0 + "time ? " + exitNote, start},
      {"nothing typed at all", "", m0 + exitNote, start},
      {"a long word is one word", std::string(255, 'x') + "8 9", m0 + unknown + exitNote, start},
      {"a long number is one word", std::string(300, '0') + "1 9",
       m0 + menuText(kTimerAOff) + exitNote, start},
  };
}

TEST(Dialogue, TranscriptsMatchByteForByte) {
  for (std::size_t chunk : {std::size_t{1}, std::size_t{4096}}) {
    for (const Transcript& t : transcripts()) {
      SCOPED_TRACE(std::string(t.name) + ", reads of " + std::to_string(chunk));
      TempDir dir;
      const std::string path = dir.path("song.dat");
      writeFile(path, startFile());
      std::vector<ScriptedInput::Piece> pieces;
      if (!t.input.empty()) pieces.push_back({t.input});
      const Outcome run = runWith({path.c_str()}, pieces, chunk);
      EXPECT_EQ(run.output, t.output);
      EXPECT_EQ(run.status, 0);
      EXPECT_EQ(readFile(path), t.file);
    }
  }
}

TEST(Dialogue, WrongCommandLineOrUnreadableFileEndsAtOnce) {
  TempDir dir;
  const std::string path = dir.path("song.dat");
  writeFile(path, startFile());
  std::filesystem::create_directory(dir.path("folder"));
  const std::string missing = dir.path("missing.dat");
  const std::string folder = dir.path("folder");
  // A device in every folder on Windows; opening it could wait for ever.
  const std::string device = dir.path("com1.dat");
  const struct {
    const char* name;
    std::vector<const char*> args;
    std::string output;
  } cases[] = {
      {"no path", {}, "req ym2608 sound data.\n"},
      {"two paths", {path.c_str(), path.c_str()}, "req ym2608 sound data.\n"},
      {"missing file", {missing.c_str()}, "file load error.\n"},
      {"a folder", {folder.c_str()}, "file load error.\n"},
#ifdef _WIN32
      {"a device name", {device.c_str()}, "file load error.\n"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome run = runWith(c.args, {{"1 8"}});
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.status, 0);
  }
  EXPECT_EQ(readFile(path), startFile());
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(Dialogue, ShortFileShowsZerosAndSavesItsOwnBytesOnly) {
  TempDir dir;
  const std::string path = dir.path("short.dat");
  const Bytes original = sampleBytes(905);  // ends just before the settings block
  writeFile(path, original);
  const Outcome run = runWith({path.c_str()}, {{"1 3 77 8"}});
  EXPECT_EQ(run.output, menuText({false, false, 0, false, false, false}) +
                            menuText({true, false, 0, false, false, false}) + "time ? " +
                            menuText({true, false, 77, false, false, false}) + "save end!\n");
  EXPECT_EQ(readFile(path), original);
}

TEST(Dialogue, PromptIsOnScreenBeforeEveryWait) {
  TempDir dir;
  const std::string path = dir.path("song.dat");
  writeFile(path, startFile());
  RecordingOutput sink;
  ScriptedInput input({{"3\n", true}, {"120\n", true}, {"1 9\n", true}}, &sink.text);
  const char* args[] = {"ym2608-settings", path.c_str()};
  runDialogue(2, args, input, sink);

  const std::string m0 = menuText(kStart);
  const std::string m1 = menuText({true, false, 120, false, true, false});
  EXPECT_EQ(input.seenBeforeWaiting,
            (std::vector<std::string>{m0, m0 + "time ? ", m0 + "time ? " + m1}));
}

TEST(Dialogue, ScriptGivenAtOnceIsWrittenWithoutAFlushPerCommand) {
  TempDir dir;
  const std::string path = dir.path("song.dat");
  writeFile(path, startFile());
  std::string script;
  for (int i = 0; i < 50; ++i) script += "1 2 ";
  script += "9";
  RecordingOutput sink;
  ScriptedInput input({{script}}, &sink.text, 16);
  const char* args[] = {"ym2608-settings", path.c_str()};
  runDialogue(2, args, input, sink);

  // 101 menus: a flush per command would make 101 writes of one menu each.
  ASSERT_GT(sink.text.size(), 101 * menuText(kStart).size());
  EXPECT_EQ(sink.text.substr(sink.text.size() - 6), "exit!\n");
  EXPECT_LE(sink.writes, static_cast<int>(sink.text.size() / 4096) + 1);
}

}  // namespace
