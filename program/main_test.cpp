// The built program, run as users and scripts run it: through pipes.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "test_support/child.h"
#include "test_support/expected.h"
#include "test_support/files.h"

namespace {

// True when `output` ends with `line` as the console shows it.
bool endsWithLine(const std::string& output, const std::string& line) {
  return endsWith(output, consoleText(line));
}

// The bundled demo file, copied so the checkout stays as it is.
std::string copyOfDemo(const TempDir& dir) {
  std::string path = dir.path("demo.dat");
  std::filesystem::copy_file(DEMO_FILE, fsPath(path));
  return path;
}

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// The demo file's settings.
const std::string kDemoMenu = menuText({true, false, 300, true, false, true});

TEST(Program, MessagesAndStatusForEachWayOfEnding) {
  TempDir dir;
  const std::string demo = copyOfDemo(dir);
  const Bytes original = readFile(demo);
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string output;
  } cases[] = {
      {"no path", {}, "9\n", "req ym2608 sound data.\n"},
      {"two paths", {demo, demo}, "8\n", "req ym2608 sound data.\n"},
      {"missing file", {dir.path("missing.dat")}, "8\n", "file load error.\n"},
      {"exit", {demo}, "9\n", kDemoMenu + "exit!\n"},
      {"end of input", {demo}, "", kDemoMenu + "exit!\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Child editor(EDITOR_BINARY, c.args);
    editor.type(c.input, true);
    EXPECT_EQ(editor.finish(), 0);
    EXPECT_EQ(editor.output, consoleText(c.output));
  }
  EXPECT_EQ(readFile(demo), original);
}

TEST(Program, ScriptedEditIsWrittenInPlace) {
  TempDir dir;
  const std::string demo = copyOfDemo(dir);
  const Bytes original = readFile(demo);
  ASSERT_EQ(original.size(), 2048u);
  // TimerA off, LimitTime 120, the demo's other settings as they were.
  const Bytes expected = saved(original, original[0x389] ^ 0x01, 120, original[0x38C]);

  Child editor(EDITOR_BINARY, {demo});
  editor.type("1 3 120 8", true);
  EXPECT_EQ(editor.finish(), 0);
  EXPECT_TRUE(endsWithLine(editor.output, "save end!\n")) << editor.output;
  EXPECT_EQ(readFile(demo), expected);
}

TEST(Program, SavesEvenWhenNobodyReadsTheOutput) {
  TempDir dir;
  const std::string demo = copyOfDemo(dir);
  Child editor(EDITOR_BINARY, {demo}, /*keepOutput=*/false);
  editor.type("3 120 8", true);
  EXPECT_EQ(editor.finish(), 0);
  const Bytes saved = readFile(demo);
  EXPECT_EQ(saved[0x38A], 120);
  EXPECT_EQ(saved[0x38E], 0x55);
}

// A front-end waits for each prompt before it answers: the prompt must reach
// the pipe while the editor waits, not when it ends.
TEST(Program, PromptsReachAPipeBeforeTheEditorWaits) {
  TempDir dir;
  Child editor(EDITOR_BINARY, {copyOfDemo(dir)});
  ASSERT_TRUE(editor.awaitTail("cmd ..")) << editor.output;
  EXPECT_EQ(editor.output, consoleText(kDemoMenu));
  editor.type("3\n", false);
  ASSERT_TRUE(editor.awaitTail("time ? ")) << editor.output;
  editor.type("77\n", false);
  ASSERT_TRUE(editor.awaitTail(
      consoleText("3.LimitTime          .. 77\n4.Fadeout DriverMode .. Enable\n"
                  "5.2203 GraphicECMode .. Disable\n6.LimitEnd Flag      .. Enable\n"
                  "8.Save End\n9.Exit\ncmd ..")))
      << editor.output;
  editor.type("9\n", false);
  EXPECT_EQ(editor.finish(), 0);
  EXPECT_TRUE(endsWithLine(editor.output, "exit!\n")) << editor.output;
}

TEST(Program, LongScriptRunsToTheEnd) {
  TempDir dir;
  const std::string demo = copyOfDemo(dir);
  std::string script;
  for (int i = 0; i < 100000; ++i) script += "1 2\n";
  script += "1 8\n";

  Child editor(EDITOR_BINARY, {demo});
  editor.type(script, true);
  EXPECT_EQ(editor.finish(), 0);
  // One menu per command read, each at least 150 bytes, then the message.
  EXPECT_GT(editor.output.size(), 200002u * 150);
  EXPECT_TRUE(endsWithLine(editor.output, "save end!\n"));
  EXPECT_EQ(readFile(demo)[0x389] & 0x03, 0x00);  // TimerA flipped an odd number of times
}

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Bytes no command uses, through the real console: NUL and bytes above 0x7F
// are neither white space nor digits, so they end no word and count as no
// number; any run of white space only separates.
TEST(Program, HostileBytesFollowTheWordRules) {
  const std::string nul(1, '\0');
  const std::string whitespace = [] {
    std::string run;
    for (int i = 0; i < 2 * 1024 * 1024; ++i) run += " \t\r\n\v\f"[i % 6];
    return run;
  }();
  const struct {
    const char* name;
    std::string input;
    std::size_t unknown;                 // "??" answers
    std::uint8_t timerFlags, modeFlags;  // the demo file's 0x05 and 0x19, after the run
    const char* message;
  } cases[] = {
      {"NUL before a digit", nul + "1 8", 1, 0x05, 0x19, "save end!\n"},
      {"NUL after a digit", "1" + nul + " 8", 0, 0x04, 0x19, "save end!\n"},
      {"NUL alone between words", "1 " + nul + " 8", 1, 0x04, 0x19, "save end!\n"},
      {"a byte above 0x7F",
       "\xff"
       "1 \x80 8",
       2, 0x05, 0x19, "save end!\n"},
      {"a full-width digit", "\xef\xbc\x91 9", 1, 0x05, 0x19, "exit!\n"},
      {"12 MiB of white space", "6" + whitespace + "2" + whitespace + "8", 0, 0x07, 0x11,
       "save end!\n"},
      {"white space only", whitespace, 0, 0x05, 0x19, "exit!\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string demo = copyOfDemo(dir);
    Child editor(EDITOR_BINARY, {demo});
    editor.type(c.input, true);
    EXPECT_EQ(editor.finish(), 0);
    EXPECT_EQ(countOf(editor.output, "??"), c.unknown);
    EXPECT_TRUE(endsWithLine(editor.output, std::string("cmd ..") + c.message)) << c.message;
    const Bytes after = readFile(demo);
    EXPECT_EQ(after[0x389], c.timerFlags);
    EXPECT_EQ(after[0x38C], c.modeFlags);
  }
}

// A name outside any one code page, with a space: Windows must open it
// through the wide API whatever the system's locale.
TEST(Program, EditsAFileWithAJapaneseNameAndASpace) {
  TempDir dir;
  const std::string path = dir.path("\u30b5\u30a6\u30f3\u30c9 \u30c7\u30fc\u30bf.dat");
  std::filesystem::copy_file(DEMO_FILE, fsPath(path));
  Child editor(EDITOR_BINARY, {path});
  editor.type("3 120 8", true);
  EXPECT_EQ(editor.finish(), 0);
  EXPECT_NE(editor.output.find(consoleText("3.LimitTime          .. 300\n")), std::string::npos);
  EXPECT_TRUE(endsWithLine(editor.output, "save end!\n")) << editor.output;
  const Bytes saved = readFile(path);
  EXPECT_EQ(saved[0x38A], 120);
  EXPECT_EQ(saved[0x38E], 0x55);
}

// The path is taken as typed, never expanded: one run edits one file.
TEST(Program, WildcardIsAFileNameNotAPattern) {
  TempDir dir;
  for (const char* name : {"a.dat", "b.dat"}) {
    std::filesystem::copy_file(DEMO_FILE, fsPath(dir.path(name)));
  }
  const Bytes original = readFile(dir.path("a.dat"));
  Child editor(EDITOR_BINARY, {"*.dat"}, true, dir.path(""));
  editor.type("1 8", true);
  EXPECT_EQ(editor.finish(), 0);
  EXPECT_EQ(editor.output, consoleText("file load error.\n"));
  EXPECT_EQ(readFile(dir.path("a.dat")), original);
  EXPECT_EQ(readFile(dir.path("b.dat")), original);
}

// What a run of the built program gave: its exit status and output.
struct Ran {
  int status;
  std::string output;
};

// Runs the built program in `dir` with the words of `line` as its
// arguments, typing `input`.
Ran runLine(const std::string& line, const TempDir& dir, const std::string& input) {
  std::vector<std::string> args;
  std::istringstream words(line);
  for (std::string word; words >> word;) args.push_back(word);
  Child run(EDITOR_BINARY, args, true, dir.path(""));
  run.type(input, true);
  const int status = run.finish();
  return {status, run.output};
}

// The collection options through the built program, run after run on one
// folder. On Windows the program expands the wildcard itself.
TEST(Program, SetsThenListsACollection) {
  TempDir dir;
  for (const char* name : {"a.dat", "b.dat"}) {
    std::filesystem::copy_file(DEMO_FILE, fsPath(dir.path(name)));
  }
#ifdef _WIN32
  const std::string files = "*.dat";
#else
  const std::string files = "a.dat b.dat";
#endif
  const std::string set = "--set LimitTime=120 --set FadeoutDriverMode=off -- " + files;
  const std::string json =
      "\"TimerA\":true,\"TimerB\":false,\"LimitTime\":120,\"FadeoutDriverMode\":false,"
      "\"GraphicECMode2203\":false,\"LimitEndFlag\":true,\"saveMark\":true}\n";
  // A listing as a Windows spreadsheet saves it: a BOM and CR LF.
  const std::string listing =
      "\xEF\xBB\xBF"
      "File,LimitTime\r\na.dat,300\r\nb.dat,120\r\n";
  writeFile(dir.path("restore.csv"), Bytes(listing.begin(), listing.end()));
  const struct {
    std::string args;
    int status;
    std::string output;
    std::string input{};  // typed on standard input
  } runs[] = {
      {"--set LimitTime=70000 " + files, 2, ""},
      {set, 0,
       "a.dat: LimitTime 300 -> 120, FadeoutDriverMode on -> off, save mark stamped\n"
       "b.dat: LimitTime 300 -> 120, FadeoutDriverMode on -> off, save mark stamped\n"},
      {set, 0, "a.dat: unchanged\nb.dat: unchanged\n"},
      {"--show --json " + files, 0, R"({"file":"a.dat",)" + json + R"({"file":"b.dat",)" + json},
      {"--show missing*.dat", 1, ""},
      {"--show --csv " + files, 0,
       "File,TimerA,TimerB,LimitTime,FadeoutDriverMode,GraphicECMode2203,LimitEndFlag,SaveMark\n"
       "a.dat,on,off,120,off,off,on,yes\nb.dat,on,off,120,off,off,on,yes\n"},
      {"--apply restore.csv", 0, "a.dat: LimitTime 120 -> 300\nb.dat: unchanged\n"},
      {"--set TimerB=on --undo undo.csv " + files, 0,
       "a.dat: TimerB off -> on\nb.dat: TimerB off -> on\n"},
      {"--apply undo.csv", 0, "a.dat: TimerB on -> off\nb.dat: TimerB on -> off\n"},
      {"--show --csv missing.dat", 1,
       "File,TimerA,TimerB,LimitTime,FadeoutDriverMode,GraphicECMode2203,LimitEndFlag,SaveMark\n"},
      // A listing is data: 0x1A ends nothing, but on Windows one as the
      // very last byte, as DOS-era editors end a text.
      {"--apply - --dry-run", 2, "", "File,TimerB\nb.dat,on\n\x1a\n"},
      {"--apply - --dry-run", kWindows ? 0 : 2, kWindows ? "b.dat: TimerB off -> on\n" : "",
       "File,TimerB\nb.dat,on\n\x1a"},
      {"--apply - --dry-run", 0, "b.dat: TimerB off -> on\n",
       "{\"file\":\"b.dat\",\"TimerB\":true}\n"},
  };
  for (const auto& r : runs) {
    SCOPED_TRACE(r.args);
    const Ran ran = runLine(r.args, dir, r.input);
    EXPECT_EQ(ran.status, r.status);
    EXPECT_EQ(ran.output, consoleText(r.output));
  }
}

// Two runs at once over the same files, each setting another setting: the
// lock on each file makes one wait for the other's write, so every file ends
// with both settings and the mark.
TEST(Program, TwoRunsAtOnceLoseNoUpdate) {
  TempDir dir;
  std::vector<std::string> timerB = {"--set", "TimerB=on", "--"};
  std::vector<std::string> limitTime = {"--set", "LimitTime=5", "--"};
  for (int i = 0; i < 1000; ++i) {
    const std::string name = "f" + std::to_string(i) + ".dat";
    std::filesystem::copy_file(DEMO_FILE, fsPath(dir.path(name)));
    timerB.push_back(name);
    limitTime.push_back(name);
  }
  Child first(EDITOR_BINARY, timerB, true, dir.path(""));
  Child second(EDITOR_BINARY, limitTime, true, dir.path(""));
  first.type("", true);
  second.type("", true);
  EXPECT_EQ(first.finish(), 0);
  EXPECT_EQ(second.finish(), 0);
  const Bytes demo = readFile(DEMO_FILE);
  const Bytes both = saved(demo, demo[0x389] | 0x02, 5, demo[0x38C]);
  for (std::size_t i = 3; i < timerB.size(); ++i) {
    ASSERT_EQ(readFile(dir.path(timerB[i])), both) << timerB[i];
  }
}

// -r walks a tree as dir /s does, from a pattern the program expands itself
// on every system: a folder's files first, then its subfolders, in name
// order; a folder whose name starts with a dot is not entered.
TEST(Program, RecursiveRunsWalkATree) {
  TempDir dir;
  for (const char* name :
       {"Music/a.dat", "Music/game/b.dat", "Music/game/deep/c.dat", "Music/.git/d.dat",
        "Music/notes.txt", "Music/zz/e.dat", "Other/\u00e9.dat", "Other/ab.dat"}) {
    std::filesystem::create_directories(fsPath(dir.path(name)).parent_path());
    std::filesystem::copy_file(DEMO_FILE, fsPath(dir.path(name)));
  }
  const std::string sep = kWindows ? "\\" : "/";
  // The folder part as given, then the path below it with the system's
  // separator.
  const std::string found = "Music/a.dat\nMusic/game" + sep + "b.dat\nMusic/game" + sep + "deep" +
                            sep + "c.dat\nMusic/zz" + sep + "e.dat\n";
  std::string shown =
      "File,TimerA,TimerB,LimitTime,FadeoutDriverMode,GraphicECMode2203,LimitEndFlag,SaveMark\n";
  for (std::size_t at = 0, end; (end = found.find('\n', at)) != std::string::npos; at = end + 1) {
    shown += found.substr(at, end - at) + ",on,off,300,on,off,on,no\n";
  }
  const struct {
    std::vector<std::string> args;
    std::string output;  // "": not compared
  } runs[] = {
      {{"-r", "--show", "--csv", "Music/*.dat"}, shown},
      {{"--set", "LimitEndFlag=off", "--recursive", "Music/*.dat"}, ""},
      // ? is one character, as the shell's in a UTF-8 locale, not one byte.
      {{"-r", "--show", "--csv", "Other/?.dat"},
       shown.substr(0, shown.find('\n') + 1) + "Other/\u00e9.dat,on,off,300,on,off,on,no\n"},
  };
#ifndef _WIN32
  ::setenv("LC_ALL", "C.UTF-8", 1);
#endif
  for (const auto& r : runs) {
    SCOPED_TRACE(r.args.back());
    Child editor(EDITOR_BINARY, r.args, true, dir.path(""));
    editor.type("", true);
    EXPECT_EQ(editor.finish(), 0);
    if (!r.output.empty()) {
      EXPECT_EQ(editor.output, consoleText(r.output));
    }
  }
#ifndef _WIN32
  ::unsetenv("LC_ALL");
#endif
  // --set reached the deepest file, and no file in a dot folder.
  EXPECT_EQ(readFile(dir.path("Music/game/deep/c.dat"))[0x38C] & 0x08, 0);
  EXPECT_EQ(readFile(dir.path("Music/.git/d.dat")), readFile(DEMO_FILE));
}

// The names a run's lines give: the first field of each CSV line (the
// header gives "File"), or what a report names before its colon.
std::string namesIn(const std::string& output) {
  std::string names;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    names += (names.empty() ? "" : " ") + line.substr(0, line.find_first_of(",:"));
  }
  return names;
}

// Choosing the files, a row a rule, over a small album: 01.dat with no time
// limit and the mark, 02.DAT as the demo, a backup folder, and a reference
// file tuned otherwise.
TEST(Program, ChoicesPickTheFiles) {
  TempDir dir;
  const Bytes demo = readFile(DEMO_FILE);
  std::filesystem::create_directories(fsPath(dir.path("A/bak")));
  writeFile(dir.path("A/01.dat"), saved(demo, demo[0x389], 0, demo[0x38C]));
  writeFile(dir.path("A/02.DAT"), demo);
  writeFile(dir.path("A/bak/03.dat"), demo);
  const Bytes ref = saved(demo, demo[0x389] | 0x02, 77, demo[0x38C]);
  writeFile(dir.path("ref.dat"), ref);
  const std::string list =
      "\xEF\xBB\xBF"
      "A/01.dat\r\n\r\nref.dat\n";
  writeFile(dir.path("list.txt"), Bytes(list.begin(), list.end()));
  const std::string sep = kWindows ? "\\" : "/";
  const struct {
    std::string args;
    int status;
    std::string names;
    std::string input{};
  } runs[] = {
      {"--show --csv --if LimitTime=0 A/01.dat A/02.DAT", 0, "File A/01.dat"},
      {"--show --csv --if limittime>0 --if SaveMark=no A/01.dat A/02.DAT", 0, "File A/02.DAT"},
      {"--show --if TimerA<1 A/01.dat", 2, ""},
      {"--set TimerB=on --if LimitTime=0 A/01.dat A/02.DAT", 0, "A/01.dat"},
      {"--show --csv -r -i A/*.dat --exclude bak", 0, "File A/01.dat A/02.DAT"},
      {"--show --csv -r -i A/*.dat", 0, "File A/01.dat A/02.DAT A/bak" + sep + "03.dat"},
#ifndef _WIN32
      {"--show --csv -r A/*.dat --exclude bak", 0, "File A/01.dat"},
#endif
      {"--show --csv --exclude 0* A/01.dat ref.dat", 0, "File ref.dat"},
      {"--show --csv --files-from list.txt", 0, "File A/01.dat ref.dat"},
      {"--show --csv A/02.DAT --files-from - -0", 0, "File A/02.DAT A/01.dat ref.dat",
       std::string("A/01.dat\0ref.dat\0", 17)},
      {"--show --files-from list.txt -r A/*.dat", 2, ""},
      {"--show -0 A/01.dat", 2, ""},
      {"--show --files-from nolist.txt", 2, ""},
      {"--set TimerA=off --copy-from ref.dat A/01.dat ref.dat", 0, "A/01.dat ref.dat"},
      {"--show --copy-from ref.dat A/01.dat", 2, ""},
      {"--set TimerA=on --copy-from missing.dat A/01.dat", 2, ""},
      {"--apply list.txt --exclude bak", 2, ""},
  };
  for (const auto& r : runs) {
    SCOPED_TRACE(r.args);
    const Ran ran = runLine(r.args, dir, r.input);
    EXPECT_EQ(ran.status, r.status);
    EXPECT_EQ(namesIn(ran.output), r.names);
  }
  // --set wrote only the file that met --if, and --copy-from gave 01.dat the
  // reference's settings but for its own --set, and left the reference alone.
  EXPECT_EQ(readFile(dir.path("A/02.DAT")), demo);
  EXPECT_EQ(readFile(dir.path("A/01.dat")),
            saved(demo, static_cast<std::uint8_t>((demo[0x389] & ~0x01) | 0x02), 77, demo[0x38C]));
  EXPECT_EQ(readFile(dir.path("ref.dat")), ref);
}

// Output that cannot be written ends the run before the next file is
// opened: a reader that went away at once (by SIGPIPE on POSIX, status 1 on
// Windows), a full disk or a closed descriptor with one line that names the
// lost report.
TEST(Program, OutputThatCannotBeWrittenEndsTheRun) {
  const struct {
    const char* how;
    const char* redirect;  // nullptr: a pipe whose reader has gone
    const char* error;
  } cases[] = {
      {"a reader that went away", nullptr, ""},
#ifndef _WIN32
      {"a full disk", "> /dev/full",
       "ym2608-settings: standard output: No space left on device; lost the report a.dat: "
       "LimitTime 300 -> 7, save mark stamped\n"},
      {"a closed descriptor", ">&-",
       "ym2608-settings: standard output: Bad file descriptor; lost the report a.dat: "
       "LimitTime 300 -> 7, save mark stamped\n"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    TempDir dir;
    for (const char* name : {"a.dat", "b.dat"}) {
      std::filesystem::copy_file(DEMO_FILE, fsPath(dir.path(name)));
    }
    const Bytes original = readFile(dir.path("b.dat"));
    const std::vector<std::string> args = {"--set", "LimitTime=7", "a.dat", "b.dat"};
    if (c.redirect == nullptr) {
      Child editor(EDITOR_BINARY, args, /*keepOutput=*/false, dir.path(""));
      EXPECT_NE(editor.finish(), 0);
    } else {
#ifndef _WIN32
      const std::string command = "cd '" + dir.path("") + "' && " + EDITOR_BINARY +
                                  " --set LimitTime=7 a.dat b.dat " + c.redirect + " 2>errors";
      const int status = std::system(command.c_str());
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
      const Bytes errors = readFile(dir.path("errors"));
      EXPECT_EQ(std::string(errors.begin(), errors.end()), c.error);
#endif
    }
    EXPECT_EQ(readFile(dir.path("a.dat"))[0x38A], 7);
    EXPECT_EQ(readFile(dir.path("b.dat")), original);
  }
}

#ifndef _WIN32
// A pattern that finds the file standard output goes to leaves it alone,
// though it holds sound data.
TEST(Program, OutputFileIsNoSoundFile) {
  TempDir dir;
  for (const char* name : {"a.dat", "out.dat"}) {
    std::filesystem::copy_file(DEMO_FILE, fsPath(dir.path(name)));
  }
  const std::string command = "cd '" + dir.path("") + "' && " + EDITOR_BINARY +
                              " --set TimerA=off -- a.dat out.dat >> out.dat 2>errors";
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
  const Bytes errors = readFile(dir.path("errors"));
  EXPECT_EQ(std::string(errors.begin(), errors.end()),
            "ym2608-settings: out.dat: written by this run; left as it is\n");
  EXPECT_EQ(readFile(dir.path("out.dat"))[0x389], readFile(DEMO_FILE)[0x389]);
}
#endif

#ifdef _WIN32
// A console user ends the input with Ctrl+Z then Enter; what follows it on
// the line is not read.
TEST(Program, CtrlZEndsTheInputOnWindows) {
  TempDir dir;
  const std::string demo = copyOfDemo(dir);
  const Bytes original = readFile(demo);
  for (const char* input : {"\x1a\r\n8\r\n", "1\r\n\x1a\r\n8\r\n", "1 \x1a 8"}) {
    SCOPED_TRACE(input);
    Child editor(EDITOR_BINARY, {demo});
    editor.type(input, true);
    EXPECT_EQ(editor.finish(), 0);
    EXPECT_TRUE(endsWithLine(editor.output, "cmd ..exit!\n")) << editor.output;
  }
  EXPECT_EQ(readFile(demo), original);
}
#endif

}  // namespace

#ifdef _WIN32
namespace {

// A \\?\ path reaches the program as typed: its ? belongs to the path, and
// the pattern after the last \ is expanded, in name order whatever the case.
TEST(Program, ExpandsAPatternAfterTheLongPathPrefix) {
  TempDir dir;
  for (const char* name : {"B.dat", "a.dat", "notes.txt"}) {
    std::filesystem::copy_file(DEMO_FILE, fsPath(dir.path(name)));
  }
  const std::string folder = R"(\\?\)" + dir.path("");
  Child editor(EDITOR_BINARY, {"--show", folder + "*.dat"});
  editor.type("", true);
  EXPECT_EQ(editor.finish(), 0);
  const std::size_t a = editor.output.find(folder + consoleText("a.dat\n"));
  const std::size_t b = editor.output.find(folder + consoleText("B.dat\n"));
  ASSERT_NE(a, std::string::npos) << editor.output;
  ASSERT_NE(b, std::string::npos) << editor.output;
  EXPECT_LT(a, b) << editor.output;
  EXPECT_EQ(editor.output.find("notes.txt"), std::string::npos) << editor.output;
}

}  // namespace
#endif
