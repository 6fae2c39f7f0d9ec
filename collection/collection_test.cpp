// The collection options on real files, run in memory: what it reports,
// which files it writes, and which it leaves alone.
#include "collection/collection.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "collection/history.h"
#include "collection/run.h"
#include "command_line/command_line.h"
#include "test_support/child.h"
#include "test_support/expected.h"
#include "test_support/files.h"
#include "test_support/memory_console.h"

namespace {

namespace fs = std::filesystem;

// The real disk, counting how each path was opened. Paths holding
// "read-only" cannot be opened for writing. It waits a fifth of a second
// for another program's lock.
class WatchedDisk : public FileAccess {
 public:
  WatchedDisk() : FileAccess(std::chrono::milliseconds(200)) {}
  Opened open(FileHandle folder, const char* path, OpenMode mode) override {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    const std::string name(path);
    opened.push_back(name);
    const bool writing = mode != OpenMode::Read && mode != OpenMode::ReadRegular;
    if (writing) ++writeOpens[name];
    if (writing && beforeWriteOpen) beforeWriteOpen(name);
    if (writing && name.find("read-only") != std::string::npos) return {kNoFile, {}, EACCES};
    const Opened result = redirect.empty() ? FileAccess::open(folder, path, mode)
                                           : FileAccess::open(kNoFile, redirect.c_str(), mode);
    if (mode == OpenMode::CreateNew) created_ = result.file;
    return result;
  }
  Moved writeAt(FileHandle file, const std::uint8_t* data, std::size_t size,
                std::uint64_t offset) override {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    if (failUndoRows && file == created_ && offset > 0) {
      // The disk fills partway through the row.
      return {FileAccess::writeAt(file, data, size / 2, offset).bytes, ENOSPC};
    }
    written_ = file;
    if (!failWrites) return FileAccess::writeAt(file, data, size, offset);
    return {0, ENOSPC};
  }
  Moved readAt(FileHandle file, std::uint8_t* buffer, std::size_t size,
               std::uint64_t offset) override {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    // The block writer's own read is the one at the block.
    if (failReads || (failBlockReads && offset == 0x389)) return {0, EIO};
    return FileAccess::readAt(file, buffer, size, offset);
  }
  int lock(FileHandle file) override {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    // A program that ignores locks cuts the file short just then.
    if (cutUnderLock) fs::resize_file(fsPath(opened.back()), 911);
    return noLocks ? FileError::NoLocks : FileAccess::lock(file);
  }
  int close(FileHandle file) override {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    const int error = FileAccess::close(file);
    return failCloses && file == written_ ? EIO : error;
  }

  std::map<std::string, int> writeOpens;
  std::vector<std::string> opened;  // every open, in order
  // Runs as a path is opened for writing: another program's doing between
  // the read and the write.
  std::function<void(const std::string&)> beforeWriteOpen;
  bool failWrites = false;
  bool failReads = false;
  bool failBlockReads = false;
  bool failCloses = false;
  bool cutUnderLock = false;
  bool noLocks = false;       // a file system that keeps none
  bool failUndoRows = false;  // a new file takes its first line, then no more
  std::string redirect;       // when set, every path opens this file instead

 private:
  FileHandle created_ = kNoFile;
  FileHandle written_ = kNoFile;
  // Files in flight side by side (-j) come here from several threads.
  std::recursive_mutex mutex_;
};

struct Outcome {
  int status;
  std::string out, errors;
  int writes = 0;  // to standard output
};

// Standard output that takes nothing, for the reason given; a file (which
// takes blocks) or a pipe.
class FailingOutput : public RecordingOutput {
 public:
  FailingOutput(int error, bool file) : error_(error), file_(file) {}
  int write(const char* data, std::size_t size) override {
    return error_ == 0 ? RecordingOutput::write(data, size) : error_;
  }
  bool takesBlocks() const override { return file_; }

 private:
  int error_;
  bool file_;
};

Outcome runWith(const std::vector<std::string>& args, FileAccess& disk,
                const std::string& stdinText = "", int outputError = 0, bool outputIsFile = false,
                FolderReader& folders = FolderReader::system()) {
  std::vector<const char*> argv{"ym2608-settings"};
  // The tables run with files in flight, and once more one file at a time
  // (Collection.OneFileAtATime).
  if (const char* jobs = std::getenv("YM2608_TEST_JOBS")) argv.insert(argv.end(), {"-j", jobs});
  for (const std::string& a : args) argv.push_back(a.c_str());
  FailingOutput out(outputError, outputIsFile);
  RecordingOutput errors;
  ScriptedInput input({{stdinText}});
  const int status = runCommandLine(static_cast<int>(argv.size()), argv.data(), input, out, errors,
                                    disk, FileNames::asGiven(), folders);
  return {status, out.text, errors.text, out.writes};
}

// A file of `size` bytes whose settings are TimerA on, LimitTime 300,
// FadeoutDriverMode off, with no save mark, and bits no setting owns set.
Bytes songBytes(std::size_t size) {
  Bytes bytes = sampleBytes(size);
  const std::uint8_t block[] = {0xF1, 0x2C, 0x01, 0xF6, 0x77, 0x00, 0x00};
  for (std::size_t i = 0; i < sizeof block && 0x389 + i < size; ++i) bytes[0x389 + i] = block[i];
  return bytes;
}

TEST(Collection, BadCommandLineOpensNothingAndExitsTwo) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--bogus", "a.dat"}, "no option is called '--bogus'"},
      {{"--shw", "a.dat"}, "no option is called '--shw'; did you mean --show?"},
      {{"--hist"}, "no option is called '--hist'; did you mean --history?"},
      {{"--show", "-j0", "a.dat"}, "--jobs takes N, from 1 to 256"},
      {{"--show", "--jobs=257", "a.dat"}, "--jobs takes N, from 1 to 256"},
      {{"--revert", "x"}, "--revert takes N"},
      {{"--revert", "1", "a.dat"}, "--revert takes its files from the history"},
      {{"--history", "a.dat"}, "--history goes with --json alone"},
      {{"--show", "--no-history", "a.dat"}, "--no-history goes with --set, --apply or --revert"},
      {{"--show=x", "a.dat"}, "--show takes no value"},
      {{"--set"}, "--set takes NAME=VALUE"},
      {{"--set", "TimerA", "a.dat"}, "--set takes NAME=VALUE, not 'TimerA'"},
      {{"--set", "Timer=on", "a.dat"}, "no setting is called 'Timer'"},
      {{"--set", "LimitTime=70000", "a.dat"}, "LimitTime cannot be '70000'"},
      {{"--set", "LimitTime=-1", "a.dat"}, "LimitTime cannot be '-1'"},
      {{"--set", "LimitTime=12x", "a.dat"}, "LimitTime cannot be '12x'"},
      {{"--set", "LimitTime=", "a.dat"}, "LimitTime cannot be ''"},
      {{"--set", "TimerB=maybe", "a.dat"}, "TimerB cannot be 'maybe'"},
      {{"--set", "TimerA=on", "--set", "timera=off", "a.dat"}, "TimerA is set twice"},
      {{"--show", "--set", "TimerA=on", "a.dat"}, "--show and --set do not go together"},
      {{"--json", "--set", "TimerA=on", "a.dat"}, "--json goes with --show"},
      {{"--show", "--dry-run", "a.dat"}, "--dry-run goes with --set"},
      {{"--show"}, "no FILE given"},
      {{"--", "a.dat"}, "say --show, --set NAME=VALUE or --apply"},
      {{"--show", "--csv", "--json", "a.dat"}, "--json and --csv do not go together"},
      {{"--set", "TimerA=on", "--csv", "a.dat"}, "--csv goes with --show"},
      {{"--apply", "a.dat", "--set", "TimerA=on"}, "--apply goes with neither"},
      {{"--apply", "a.dat", "--show"}, "--apply goes with neither"},
      {{"--apply", "a.dat", "a.dat"}, "--apply takes its files from the LISTING"},
      {{"--apply=a.dat", "--apply", "a.dat"}, "--apply takes one LISTING"},
      {{"--apply"}, "--apply takes a LISTING file, or -"},
      {{"--show", "--undo", "u.csv", "a.dat"}, "--undo goes with --set or --apply"},
      {{"--apply", "a.dat", "-r"}, "-r goes with --show or --set"},
      {{"--set", "TimerA=on", "--undo=u.csv", "--undo", "v.csv", "a.dat"}, "--undo takes one"},
      {{"--set", "TimerA=on", "a.dat", "--bogus"}, "no option is called '--bogus'"},
      {{"--set", "TimerA=on", "a.dat", "-n"}, "no option is called '-n'; put -- before"},
      {{"--show", "-x.dat"}, "no option is called '-x.dat'; put -- before"},
      {{"--show", "a.dat", "-"}, "no option is called '-'; put -- before"},
      {{"--show", "a.dat", "--set", "TimerA=on"}, "--show and --set do not go together"},
      {{"--show", "--bo\ngus\r"}, "no option is called '--bo?gus?'"},
      {{"--set",
        "Timer\x85"
        "A=on",
        "a.dat"},
       "no setting is called 'Timer?A'"},
  };
  TempDir dir;
  const std::string file = dir.path("a.dat");
  writeFile(file, songBytes(1024));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
      if (a == "a.dat") a = file;
    }
    WatchedDisk disk;
    disk.redirect = "/nonexistent/any open is a fault";
    const Outcome r = runWith(args, disk);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    // One line: the problem, then where to look.
    EXPECT_EQ(r.errors.rfind("ym2608-settings: " + std::string(c.says), 0), 0u) << r.errors;
    EXPECT_TRUE(endsWith(r.errors, " (see ym2608-settings --help)\n")) << r.errors;
    EXPECT_EQ(r.errors.find('\n'), r.errors.size() - 1);
    EXPECT_TRUE(disk.writeOpens.empty());
  }
  EXPECT_EQ(readFile(file), songBytes(1024));
}

// Options stand anywhere before "--", after files too, and the whole line
// is read before a file is touched; after "--" every argument is a file.
TEST(Collection, OptionsStandAnywhereBeforeTheDoubleDash) {
  const struct {
    std::vector<std::string> args;
    std::string out;  // after the file's name
    bool written;
    std::string errors;
  } cases[] = {
      {{"--set", "LimitTime=120", "a.dat", "--dry-run"},
       ": LimitTime 300 -> 120, save mark stamped\n",
       false,
       ""},
      {{"--set", "LimitTime=120", "a.dat", "--set", "TimerA=off"},
       ": LimitTime 300 -> 120, TimerA on -> off, save mark stamped\n",
       true,
       ""},
      {{"--set", "LimitTime=120", "--", "a.dat", "--dry-run"},
       ": LimitTime 300 -> 120, save mark stamped\n",
       true,
       "ym2608-settings: --dry-run: No such file or directory\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string a = dir.path("a.dat");
    writeFile(a, songBytes(912));
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
      if (arg == "a.dat") arg = a;
    }
    SCOPED_TRACE(args.back());
    WatchedDisk disk;
    const Outcome r = runWith(args, disk);
    EXPECT_EQ(r.out, a + c.out);
    EXPECT_EQ(r.errors, c.errors);
    EXPECT_EQ(r.status, c.errors.empty() ? 0 : 1);
    EXPECT_EQ(readFile(a) != songBytes(912), c.written);
  }
}

// Set, then the same again: the second run writes nothing, so a file that
// is already right keeps its time stamp and may even be read-only.
TEST(Collection, SetIsAbsoluteAndASecondRunWritesNothing) {
  TempDir dir;
  const std::string a = dir.path("a.dat");
  const std::string b = dir.path("read-only b.dat");
  writeFile(a, songBytes(912));
  const std::vector<std::string> args = {
      "--set", "LimitTime=120", "--set=fadeoutdrivermode=ON", "--set", "TimerA=Enable", "--", a};
  const Bytes expected = saved(songBytes(912), 0xF1, 120, 0xF7);

  WatchedDisk disk;
  std::vector<std::string> dry = args;
  dry.insert(dry.begin() + 5, "--dry-run");
  const std::string report =
      a + ": LimitTime 300 -> 120, FadeoutDriverMode off -> on, save mark stamped\n";
  const auto stamp = fs::last_write_time(fsPath(a));
  const Outcome preview = runWith(dry, disk);
  // A dry run opens what would change, as the real run does (see
  // DryRunEndsAsTheRealRun), and writes nothing, time stamp included.
  EXPECT_EQ(preview.out, report);
  EXPECT_EQ(readFile(a), songBytes(912));
  EXPECT_EQ(fs::last_write_time(fsPath(a)), stamp);

  const Outcome first = runWith(args, disk);
  EXPECT_EQ(first.status, 0);
  EXPECT_EQ(first.out, report);
  EXPECT_EQ(readFile(a), expected);

  const auto old = fs::last_write_time(fsPath(a)) - std::chrono::hours(24);
  fs::last_write_time(fsPath(a), old);
  disk.writeOpens.clear();
  const Outcome again = runWith(args, disk);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out, a + ": unchanged\n");
  EXPECT_TRUE(disk.writeOpens.empty());
  EXPECT_EQ(fs::last_write_time(fsPath(a)), old);

  // A read-only file already right is no error; only the mark is missing
  // from one that holds the values.
  writeFile(b, expected);
  EXPECT_EQ(runWith({"--set", "LimitTime=120", b}, disk).out, b + ": unchanged\n");
  writeFile(b, saved(songBytes(912), 0xF1, 300, 0xF6));
  writeFile(a, songBytes(912));
  EXPECT_EQ(runWith({"--set", "LimitTime=300", a}, disk).out, a + ": save mark stamped\n");
}

// Ways another program changes a file between --set's read and its write.
void replaceFile(const std::string& path) {
  // The same bytes in another file, renamed over it as editors save.
  writeFile(path + ".new", readFile(path));
  fs::rename(fsPath(path + ".new"), fsPath(path));
}
void shrinkFile(const std::string& path) {
  fs::resize_file(fsPath(path), 911);
}
void removeFile(const std::string& path) {
  fs::remove(fsPath(path));
}

// Bad files among good ones: each bad one gets its line, keeps its bytes,
// and the run goes on; only the settings block of a good one changes,
// whatever its length. Nothing but a regular file is read or written, and
// nothing waits.
TEST(Collection, EachFileSucceedsOrFailsOnItsOwn) {
  TempDir dir;
  fs::create_directory(fsPath(dir.path("folder")));
  const struct {
    std::string name;                          // in the folder, or a path from the root
    std::size_t size;                          // 0: no file is made
    const char* error;                         // nullptr: the file is written
    void (*between)(const std::string& path);  // between the read and the write
    bool fifo;
  } files[] = {
      {"first.dat", 912, nullptr, nullptr, false},
      {"missing.dat", 0, ": No such file or directory", nullptr, false},
      {"tiny.dat", 1, ": 1 byte, too short to hold the settings block (912 bytes)", nullptr, false},
      {"short.dat", 911, ": 911 bytes, too short to hold the settings block (912 bytes)", nullptr,
       false},
      {"folder", 0, ": Is a directory", nullptr, false},
      {"read-only.dat", 2048, ": cannot open for writing: Permission denied", nullptr, false},
      {"long.dat", 100000, nullptr, nullptr, false},
      {"replaced.dat", 912, ": replaced by another file since it was read; left as it is",
       replaceFile, false},
      {"shrunk.dat", 4096, ": cut short since it was read; left as it is", shrinkFile, false},
      {"removed.dat", 912, ": cannot open for writing: No such file or directory", removeFile,
       false},
      {"locked.dat", 912, ": in use by another program; left as it is", nullptr, false},
#ifdef _WIN32
      {"com1.dat", 0, ": a name Windows keeps for a device", nullptr, false},
      {"AUX.dat", 0, ": a name Windows keeps for a device", nullptr, false},
      {"con.dat", 0, ": a name Windows keeps for a device", nullptr, false},
      {"nul", 0, ": a name Windows keeps for a device", nullptr, false},
      {"Lpt1.txt", 0, ": a name Windows keeps for a device", nullptr, false},
#else
      {"fifo.dat", 0, ": not a regular file", nullptr, true},
      {"/dev/zero", 0, ": not a regular file", nullptr, false},
#endif
      {"last.dat", 912, nullptr, nullptr, false},
  };
  std::vector<std::string> args = {"--set", "TimerB=on"};
  std::string errors;
  WatchedDisk disk;
  std::map<std::string, void (*)(const std::string&)> between;
  FileHandle held = kNoFile;  // locked.dat, as another run holds it while it writes
  std::future<int> fifoWriter;
  for (const auto& f : files) {
    args.push_back(f.name[0] == '/' ? f.name : dir.path(f.name));
    if (f.size > 0) writeFile(args.back(), songBytes(f.size));
    if (f.name == "locked.dat") {
      held = FileAccess::disk().open(args.back().c_str(), OpenMode::Update).file;
      ASSERT_EQ(FileAccess::disk().lock(held), 0);
    }
#ifndef _WIN32
    if (f.fifo) {
      ASSERT_EQ(mkfifo(args.back().c_str(), 0600), 0);
      // A program writing to the FIFO waits for a reader to come.
      fifoWriter = std::async(std::launch::async, [path = args.back()] {
        return open(path.c_str(), O_WRONLY | O_CLOEXEC);
      });
    }
#endif
    if (f.between != nullptr) between[args.back()] = f.between;
    if (f.error != nullptr) errors += "ym2608-settings: " + args.back() + f.error + "\n";
  }
  std::map<std::string, Bytes> afterwards;  // what the file holds once changed by another
  disk.beforeWriteOpen = [&](const std::string& path) {
    if (between.count(path) == 0) return;
    between[path](path);
    if (fs::exists(fsPath(path))) afterwards[path] = readFile(path);
  };
  // Let the FIFO's writer reach its wait before the run starts.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // A FIFO that held the run would hold it for ever: give up after a while,
  // and let it go by opening the other end.
  auto run = std::async(std::launch::async, [&] { return runWith(args, disk); });
  if (run.wait_for(Child::patience) == std::future_status::timeout) {
#ifndef _WIN32
    close(open(dir.path("fifo.dat").c_str(), O_WRONLY | O_NONBLOCK));
#endif
    FAIL() << "the run waited on a file";
  }
  const Outcome r = run.get();
  FileAccess::disk().close(held);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.errors, errors);
#ifndef _WIN32
  // The run never opened the FIFO, so its writer is still waiting: no
  // reader came and went, to lose its data or kill it with SIGPIPE.
  EXPECT_EQ(fifoWriter.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  close(open(dir.path("fifo.dat").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  close(fifoWriter.get());
#endif
  for (std::size_t i = 0; i < std::size(files); ++i) {
    const auto& f = files[i];
    const std::string& path = args[i + 2];
    SCOPED_TRACE(path);
    const bool written = f.error == nullptr;
    EXPECT_EQ(r.out.find(path + ": TimerB off -> on, save mark stamped\n") != std::string::npos,
              written);
    if (f.size > 0 && fs::exists(fsPath(path))) {
      const Bytes before = afterwards.count(path) > 0 ? afterwards[path] : songBytes(f.size);
      EXPECT_EQ(readFile(path), written ? saved(before, 0xF3, 300, 0xF6) : before);
    }
  }

  // The block writer failing after the open: each step is reported, the
  // run still ends 1, and the file is never lengthened.
  const struct {
    bool WatchedDisk::*fault;
    const char* says;
    std::uintmax_t size;
  } faults[] = {
      {&WatchedDisk::failWrites,
       "write failed: No space left on device; the settings block may be partly written", 912},
      {&WatchedDisk::failBlockReads, "read error: Input/output error", 912},
      {&WatchedDisk::failCloses,
       "write failed: Input/output error; the settings block may be partly written", 912},
#ifndef _WIN32  // Windows' share mode keeps every other program from cutting it
      {&WatchedDisk::cutUnderLock, "cut short since it was read; left as it is", 911},
#endif
  };
  const std::string fault = dir.path("fault.dat");
  for (const auto& f : faults) {
    SCOPED_TRACE(f.says);
    writeFile(fault, songBytes(912));
    WatchedDisk faulty;
    faulty.*f.fault = true;
    const Outcome failing = runWith({"--set", "TimerB=off", "--no-history", fault}, faulty);
    EXPECT_EQ(failing.status, 1);
    EXPECT_EQ(failing.out, "");
    EXPECT_EQ(failing.errors, "ym2608-settings: " + fault + ": " + f.says + "\n");
    EXPECT_EQ(fs::file_size(fsPath(fault)), f.size);
  }

  // Where no lock can be taken the files are written all the same, and the
  // run says so once, naming the first.
  WatchedDisk lockless;
  lockless.noLocks = true;
  writeFile(fault, songBytes(912));
  writeFile(args[2], songBytes(912));
  const Outcome unlocked = runWith({"--set", "TimerB=off", fault, args[2]}, lockless);
  EXPECT_EQ(unlocked.status, 0);
  EXPECT_EQ(
      unlocked.errors.rfind("ym2608-settings: " + fault + ": its file system keeps no locks", 0),
      0u);
  EXPECT_EQ(std::count(unlocked.errors.begin(), unlocked.errors.end(), '\n'), 1);
  EXPECT_EQ(readFile(args[2]), saved(songBytes(912), 0xF1, 300, 0xF6));
}

// Runs that end before any sound file is opened: --help and --version, and
// a listing that cannot be opened or read. Output that cannot be written is
// status 1, with one line but for a reader that has gone.
TEST(Collection, RunsThatOpenNoSoundFile) {
  TempDir dir;
  const std::string listing = dir.path("listing.csv");
  writeFile(listing, Bytes{'F', 'i', 'l', 'e', '\n'});
  const struct {
    std::vector<std::string> args;
    int outputError;
    bool failReads;
    int status;
    std::string out, errors;  // the output's start, the whole of the errors
  } cases[] = {
      {{"--help"}, 0, false, 0, "usage: ym2608-settings FILE\n", ""},
      {{"--show", "--version"}, 0, false, 0, "ym2608-settings " YM2608_VERSION "\n", ""},
      {{"--help"}, ENOSPC, false, 1, "", "ym2608-settings: standard output: "},
      {{"--version"}, EPIPE, false, 1, "", ""},
      {{"--apply", dir.path("missing.csv")},
       0,
       false,
       2,
       "",
       "ym2608-settings: " + dir.path("missing.csv") + ": "},
      {{"--apply", listing}, 0, true, 2, "", "ym2608-settings: " + listing + ": "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + std::to_string(c.outputError));
    WatchedDisk disk;
    disk.failReads = c.failReads;
    const Outcome r = runWith(c.args, disk, "", c.outputError);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out.rfind(c.out, 0), 0u) << r.out;
    EXPECT_EQ(r.errors.rfind(c.errors, 0), 0u) << r.errors;
    EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), c.errors.empty() ? 0 : 1);
    EXPECT_TRUE(disk.writeOpens.empty());
  }
}

TEST(Collection, ShowListsALineAFile) {
  TempDir dir;
  const std::string a = dir.path("a.dat");
  const std::string b = dir.path("b.dat");
  writeFile(a, songBytes(912));
  writeFile(b, saved(songBytes(4096), 0x02, 65535, 0x08));
  WatchedDisk disk;
  const Outcome table = runWith({"--show", a, b}, disk);
  EXPECT_EQ(table.status, 0);
  EXPECT_EQ(table.out,
            "TimerA  TimerB  LimitTime  FadeoutDriverMode  GraphicECMode2203  LimitEndFlag  "
            "SaveMark  File\n"
            "on      off     300        off                on                 off           "
            "no        " +
                a +
                "\n"
                "off     on      65535      off                off                on            "
                "yes       " +
                b + "\n");
  disk.redirect = b;  // a name JSON need not escape, on every system
  const Outcome json = runWith({"--show", "--json", "b.dat"}, disk);
  EXPECT_EQ(json.out,
            "{\"file\":\"b.dat"
            "\",\"TimerA\":false,\"TimerB\":true,\"LimitTime\":65535,"
            "\"FadeoutDriverMode\":false,\"GraphicECMode2203\":false,"
            "\"LimitEndFlag\":true,\"saveMark\":true}\n");
  EXPECT_TRUE(disk.writeOpens.empty());
}

// Into a file --show hands its lines over in blocks; into a pipe a line at
// a time, so a reader such as jq sees each file at once. --set's reports
// always go a line at a time.
TEST(Collection, ShowHoldsItsLinesOnlyForAFile) {
  TempDir dir;
  const std::string a = dir.path("a.dat");
  writeFile(a, songBytes(912));
  WatchedDisk disk;
  const std::vector<std::string> show{"--show", "--csv", a, a, a};
  const Outcome pipe = runWith(show, disk);
  const Outcome file = runWith(show, disk, "", 0, true);
  EXPECT_EQ(pipe.writes, 4);
  EXPECT_EQ(file.writes, 1);
  EXPECT_EQ(file.out, pipe.out);
  EXPECT_EQ(runWith({"--set", "TimerB=on", a, a}, disk, "", 0, true).writes, 2);
  const Outcome full = runWith(show, disk, "", ENOSPC, true);
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.errors,
            "ym2608-settings: standard output: " + std::string(std::strerror(ENOSPC)) + "\n");
}

// Names as JSON strings; every name reads the same real file.
TEST(Collection, JsonNamesAreProperStrings) {
  const struct {
    std::string name, json;
  } cases[] = {
      {"say \"hi\".dat", R"("say \"hi\".dat")"},
      {"C:\\music\\a.dat", R"("C:\\music\\a.dat")"},
      {"line\nend\ttab\r\x01\x1f\x7f", R"("line\nend\ttab\r\u0001\u001f\u007f")"},
      {"\xe3\x82\xb5\xf0\x9f\x8e\xb5", "\"\xe3\x82\xb5\xf0\x9f\x8e\xb5\""},
      // Names that are no UTF-8 also go out as their bytes, to come back.
      {"bad\xff byte", "\"bad\xef\xbf\xbd byte\",\"fileBytes\":\"626164ff2062797465\""},
      {"cut \xe3\x82", "\"cut \xef\xbf\xbd\xef\xbf\xbd\",\"fileBytes\":\"63757420e382\""},
      {"overlong \xc0\xaf",
       "\"overlong \xef\xbf\xbd\xef\xbf\xbd\",\"fileBytes\":\"6f7665726c6f6e6720c0af\""},
      {"surrogate \xed\xa0\x80",
       "\"surrogate \xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\","
       "\"fileBytes\":\"737572726f6761746520eda080\""},
  };
  TempDir dir;
  WatchedDisk disk;
  disk.redirect = dir.path("song.dat");
  writeFile(disk.redirect, songBytes(912));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    const Outcome r = runWith({"--show", "--json", "--", c.name}, disk);
    EXPECT_EQ(r.out.substr(0, r.out.find(",\"TimerA\"")), "{\"file\":" + c.json);
  }
}

// `text` with @a and @b standing for the paths of the files a and b in
// `dir`; in a JSON listing the paths are written as JSON strings hold them.
std::string withPaths(std::string text, const TempDir& dir) {
  const bool json = text.find('{') != std::string::npos;
  for (const char* file : {"a", "b"}) {
    std::string path;
    for (const char c : dir.path(file)) path += json && c == '\\' ? "\\\\" : std::string(1, c);
    const std::string mark = std::string("@") + file;
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark)) {
      text.replace(at, mark.size(), path);
    }
  }
  return text;
}

// Two songs, a and b, as songBytes(912) makes them, and a listing holding
// `text`, all in `dir`; returns the listing's path.
std::string songsAndListing(const TempDir& dir, const std::string& text) {
  writeFile(dir.path("a"), songBytes(912));
  writeFile(dir.path("b"), songBytes(912));
  writeFile(dir.path("listing"), Bytes(text.begin(), text.end()));
  return dir.path("listing");
}

// `bytes` with `value` at `offset`.
Bytes withByte(Bytes bytes, std::size_t offset, std::uint8_t value) {
  bytes[offset] = value;
  return bytes;
}

// A song whose settings are TimerA on, TimerB off, LimitTime 300, the
// fade-out and LimitEnd switches off, 2203 on, and the save mark stamped.
Bytes markedSong() {
  return saved(songBytes(912), 0xF1, 300, 0xF6);
}

// --apply sets each file to its row, as --set would, in listing order.
TEST(Collection, ApplySetsEachFileToItsRow) {
  const struct {
    const char* name;
    std::string listing;
    bool dryRun, fromStandardInput;
    std::string out, errors;
    Bytes a, b;  // the files afterwards
  } cases[] = {
      // A row the file already matches is unchanged, with no mark stamped.
      {"partial columns in any order and case", "\xEF\xBB\xBFlimittime,FILE\r\n120,@a\r\n,@b\r\n",
       false, false, "@a: LimitTime 300 -> 120, save mark stamped\n@b: unchanged\n", "",
       saved(songBytes(912), 0xF1, 120, 0xF6), songBytes(912)},
      {"a dry run writes nothing", "File,TimerB\n@a,on\n", true, false,
       "@a: TimerB off -> on, save mark stamped\n", "", songBytes(912), songBytes(912)},
      {"a missing file among good rows", "File,TimerB\n@a,on\nmissing,on\n@b,off\n", false, true,
       "@a: TimerB off -> on, save mark stamped\n@b: unchanged\n",
       "ym2608-settings: missing: No such file or directory\n",
       saved(songBytes(912), 0xF3, 300, 0xF6), songBytes(912)},
      {"JSON Lines",
       "{\"file\":\"@b\",\"TimerA\":\"off\",\"LimitTime\":null}\n\n"
       "{\"file\":\"@a\",\"timerb\":true,\"LIMITTIME\":7,\"saveMark\":false}\n",
       false, true,
       "@b: TimerA on -> off, save mark stamped\n"
       "@a: TimerB off -> on, LimitTime 300 -> 7, save mark stamped\n",
       "", saved(songBytes(912), 0xF3, 7, 0xF6), saved(songBytes(912), 0xF0, 300, 0xF6)},
      // Block rows put the bytes back as they are: 0x38D and the mark too.
      {"blocks", "File,Block\n@a,f30700f67755aa\n@b,\n", false, false,
       "@a: TimerB off -> on, LimitTime 300 -> 7, save mark stamped\n@b: unchanged\n", "",
       saved(songBytes(912), 0xF3, 7, 0xF6), songBytes(912)},
      {"a block that differs only where no setting is", "File,BLOCK\n@a,F12C01F6780000\n", false,
       false, "@a: other bytes of the block changed\n", "", withByte(songBytes(912), 0x38D, 0x78),
       songBytes(912)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const auto named = [&](const std::string& text) { return withPaths(text, dir); };
    const std::string listing = songsAndListing(dir, named(c.listing));
    std::vector<std::string> args = {"--apply", c.fromStandardInput ? "-" : listing};
    if (c.dryRun) args.emplace_back("--dry-run");
    WatchedDisk disk;
    const Outcome r = runWith(args, disk, c.fromStandardInput ? named(c.listing) : "");
    EXPECT_EQ(r.out, named(c.out));
    EXPECT_EQ(r.errors, c.errors);
    EXPECT_EQ(r.status, c.errors.empty() ? 0 : 1);
    EXPECT_EQ(readFile(dir.path("a")), c.a);
    EXPECT_EQ(readFile(dir.path("b")), c.b);
  }
}

// A listing that cannot be used is a bad command line: one line naming
// where it goes wrong, status 2, and no file opened but the listing, so the
// good rows before a bad one are not set either.
TEST(Collection, BadListingOpensNoFile) {
  const struct {
    std::string listing;
    std::string error;  // after "LISTING:"
  } cases[] = {
      {"File,Timer\n@a,on\n", "1: no setting is called 'Timer'"},
      {"File,TimerA\n@a,on\n@b,maybe\n", "3: TimerA cannot be 'maybe'"},
      {"File,LimitTime\n@a,65536\n", "2: LimitTime cannot be '65536'"},
      {"File,TimerA\n@a,on\n@b,on,off\n", "3: the row has"},
      {"File,TimerA\n@a,on\n,on\n", "3: the row names no file"},
      {"TimerA\non\n", "1: the header has no File column"},
      {"File\n@a\n@b\n@a\n", "4: '@a' is listed twice"},
      {"File\n@a\n\"@b\n", "3: a quoted cell is not closed"},
      {"{\"file\":\"@a\"}\nFile\n", "2: the line is not JSON"},
      {"{\"file\":\"@a\",\"TimerC\":true}\n", "1: no setting is called 'TimerC'"},
      {"{\"file\":\"@a\",\"LimitTime\":-1}\n", "1: LimitTime cannot be"},
      {"{\"TimerA\":true}\n", "1: the row names no file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listing);
    TempDir dir;
    const auto named = [&](const std::string& text) { return withPaths(text, dir); };
    const std::string listing = songsAndListing(dir, named(c.listing));
    WatchedDisk disk;
    const Outcome r = runWith({"--apply", listing}, disk);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.errors.rfind("ym2608-settings: " + listing + ":" + named(c.error), 0), 0u)
        << r.errors;
    EXPECT_EQ(r.errors.find('\n'), r.errors.size() - 1);
    EXPECT_EQ(disk.opened, std::vector<std::string>{listing});
    EXPECT_EQ(readFile(dir.path("a")), songBytes(912));
  }
}

// What --show lists can be applied back: after any --set, --apply of the
// listing gives each file its six settings again, and a second --apply,
// with nothing left to do, opens no file for writing.
TEST(Collection, ListingsGoOutAndComeBack) {
  for (const char* form : {"--csv", "--json"}) {
    SCOPED_TRACE(form);
    TempDir dir;
    std::vector<std::string> files = {dir.path("plain.dat"), dir.path("a, b.dat"),
                                      dir.path("\u30b5\u30a6\u30f3\u30c9.dat")};
#ifndef _WIN32
    files.push_back(dir.path("\xe9t\xe9.dat"));  // Latin-1, no UTF-8: JSON carries its bytes
    writeFile(files[3], markedSong());
#endif
    writeFile(files[0], markedSong());
    writeFile(files[1], saved(songBytes(4096), 0x02, 65535, 0x08));
    writeFile(files[2], saved(songBytes(912), 0x03, 0, 0x0B));
    WatchedDisk disk;
    std::vector<std::string> show = {"--show", form};
    show.insert(show.end(), files.begin(), files.end());
    const std::string before = runWith(show, disk).out;
    writeFile(dir.path("listing"), Bytes(before.begin(), before.end()));
    // Applied straight back, the listing has nothing to do, mark or none.
    EXPECT_EQ(runWith({"--apply", dir.path("listing")}, disk).status, 0);
    EXPECT_TRUE(disk.writeOpens.empty());

    std::vector<std::string> set = {"--set",           "TimerA=off", "--set",
                                    "LimitEndFlag=on", "--set",      "LimitTime=1"};
    set.insert(set.end(), files.begin(), files.end());
    EXPECT_EQ(runWith(set, disk).status, 0);
    EXPECT_NE(runWith(show, disk).out, before);
    const Outcome restore = runWith({"--apply", dir.path("listing")}, disk);
    EXPECT_EQ(restore.status, 0) << restore.errors;
    EXPECT_EQ(runWith(show, disk).out, before);

    disk.writeOpens.clear();
    const Outcome again = runWith({"--apply", dir.path("listing")}, disk);
    std::string unchanged;
    for (const std::string& file : files) unchanged += file + ": unchanged\n";
    EXPECT_EQ(again.out, unchanged);
    EXPECT_TRUE(disk.writeOpens.empty());
  }
}

// --undo lists, before each file is written, the block it held: applied,
// that listing gives each file its bytes back, mark and all, and a redo
// listing made then gives the change again. The listing must be new; a dry
// run makes none; a row that cannot be written stops the run before its
// file.
TEST(Collection, UndoGivesTheBytesBack) {
  TempDir dir;
  const std::string a = dir.path("a");
  const std::string b = dir.path("b,c");  // quoted in the listing
  const std::string undo = dir.path("undo.csv");
  const std::string redo = dir.path("redo.csv");
  writeFile(a, songBytes(912));
  writeFile(b, markedSong());
  const Bytes set = saved(songBytes(912), 0xF3, 300, 0xF6);  // both files, once set
  WatchedDisk disk;
  EXPECT_EQ(runWith({"--set", "TimerB=on", "--undo", undo, "--dry-run", a, b}, disk).status, 0);
  EXPECT_FALSE(fs::exists(fsPath(undo)));

  EXPECT_EQ(runWith({"--set", "TimerB=on", "--undo", undo, a, b}, disk).status, 0);
  const Bytes listed = readFile(undo);
  EXPECT_EQ(std::string(listed.begin(), listed.end()),
            consoleText("File,Block\n" + a + ",f12c01f6770000\n\"" + b + "\",f12c01f67755aa\n"));

  disk.writeOpens.clear();
  const Outcome taken = runWith({"--set", "LimitTime=1", "--undo", undo, "--dry-run", a}, disk);
  EXPECT_EQ(taken.status, 2);  // a dry run too says the real run would stop
  EXPECT_NE(taken.errors.find("exists already"), std::string::npos) << taken.errors;
  EXPECT_EQ(runWith({"--set", "LimitTime=1", "--undo", undo, a}, disk).status, 2);
  EXPECT_EQ(disk.writeOpens.count(a), 0u);

  const Outcome back = runWith({"--apply", undo, "--undo", redo}, disk);
  EXPECT_EQ(back.out, a + ": TimerB on -> off, save mark removed\n" + b + ": TimerB on -> off\n");
  EXPECT_EQ(readFile(a), songBytes(912));
  EXPECT_EQ(readFile(b), markedSong());
  EXPECT_EQ(runWith({"--apply", redo}, disk).status, 0);
  EXPECT_EQ(readFile(a), set);
  EXPECT_EQ(readFile(b), set);

  disk.failUndoRows = true;
  const Outcome full =
      runWith({"--set", "LimitTime=2", "--undo", dir.path("full.csv"), a, b}, disk);
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.out, "");
  EXPECT_NE(full.errors.find("; stopped before writing " + a + "\n"), std::string::npos)
      << full.errors;
  EXPECT_EQ(readFile(a), set);
  // No block was written: no listing is left to take the name from a retry.
  EXPECT_FALSE(fs::exists(fsPath(dir.path("full.csv"))));

  // A pattern that finds the run's own listing passes it over, as a dry
  // run, which has no listing yet, does.
  const Outcome own =
      runWith({"--set", "TimerB=on", "--undo", dir.path("u3.csv"), a, dir.path("u3.csv")}, disk);
  EXPECT_EQ(own.errors, "");
  EXPECT_EQ(readFile(dir.path("u3.csv")).size(), consoleText("File,Block\n").size());

  // One file under two names: its first row holds the bytes it had.
  const std::string twice = "File,LimitTime\n" + a + ",1\n" + dir.path("./a") + ",2\n";
  writeFile(dir.path("twice.csv"), Bytes(twice.begin(), twice.end()));
  disk.failUndoRows = false;
  EXPECT_EQ(runWith({"--apply", dir.path("twice.csv"), "--undo", dir.path("u2.csv")}, disk).status,
            0);
  EXPECT_EQ(runWith({"--apply", dir.path("u2.csv")}, disk).status, 0);
  EXPECT_EQ(readFile(a), set);
}

// A dry run ends as the real run would, with the same lines, whatever
// stops the real run: an --undo name that is taken or cannot be made, a
// file that cannot be written.
TEST(Collection, DryRunEndsAsTheRealRun) {
  TempDir dir;
  fs::create_directory(fsPath(dir.path("closed")));
  fs::permissions(fsPath(dir.path("closed")), fs::perms::owner_read | fs::perms::owner_exec);
#ifndef _WIN32
  fs::create_symlink(fsPath(dir.path("nowhere")), fsPath(dir.path("dangling.csv")));
#endif
  const std::string a = dir.path("a.dat");
  const std::string readOnly = dir.path("read-only.dat");
  const std::vector<std::vector<std::string>> cases = {
#ifndef _WIN32
      {"--undo", dir.path("dangling.csv"), a},
#endif
      {"--undo", dir.path("missing/u.csv"), a},
      {"--undo", dir.path("closed/u.csv"), a},  // root may write there all the same
      {a, readOnly},
      {a, a},
      {a, dir.path("link.dat")},
      {"--undo", dir.path("u.dat"), "-r", dir.path("*.dat")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[1]);
    std::vector<std::string> args = {"--set", "TimerB=on"};
    args.insert(args.end(), c.begin(), c.end());
    std::vector<std::string> dry = args;
    dry.emplace_back("--dry-run");
    WatchedDisk disk;
    writeFile(a, songBytes(912));
    writeFile(readOnly, songBytes(912));
    fs::remove(fsPath(dir.path("link.dat")));
    fs::create_hard_link(fsPath(a), fsPath(dir.path("link.dat")));
    const Outcome preview = runWith(dry, disk);
    EXPECT_EQ(readFile(a), songBytes(912));
    const Outcome real = runWith(args, disk);
    EXPECT_EQ(preview.status, real.status);
    EXPECT_EQ(preview.errors, real.errors);
    EXPECT_EQ(preview.out, real.out);
    fs::remove(fsPath(dir.path("u.dat")));
  }
  fs::permissions(fsPath(dir.path("closed")), fs::perms::owner_all);
}

// Killed at a chosen step of the journal.
struct Killed {};

// The real disk, noting in order each row the undo listing takes ("row
// NAME"), each sync of it and each block written ("block NAME"). It can fail
// every sync of the listing, have another program change a block under the
// lock, and kill the run before its `killAt`-th step; `synced` is how much
// of the listing a power cut would leave.
class JournalDisk : public FileAccess {
 public:
  Opened open(FileHandle folder, const char* path, OpenMode mode) override {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    if (mode == OpenMode::UpdateRegular && lastPart(path) == "read-only.dat") {
      return {kNoFile, {}, EACCES};
    }
    if (mode == OpenMode::UpdateRegular && lastPart(path) == changedUnderLock && replace) {
      // Another program saves the file anew, as editors do.
      Bytes bytes = readFile(path);
      bytes[otherAt] = otherByte;
      writeFile(std::string(path) + ".new", bytes);
      fs::rename(fsPath(std::string(path) + ".new"), fsPath(path));
    }
    const Opened opened = FileAccess::open(folder, path, mode);
    // The --undo listing, or the history's journal (after its note).
    if (mode == OpenMode::CreateNew || mode == OpenMode::CreatePrivate) listing_ = opened.file;
    names_[opened.file] = lastPart(path);
    return opened;
  }
  Moved writeAt(FileHandle file, const std::uint8_t* data, std::size_t size,
                std::uint64_t offset) override {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    const std::string text(reinterpret_cast<const char*>(data), size);
    // A write of the listing may hold several rows, one a line.
    for (std::size_t at = 0; file == listing_ && offset > 0 && at < text.size();
         at = text.find('\n', at) + 1) {
      step("row " + lastPart(text.substr(at, text.find(',', at) - at)));
      if (text.find('\n', at) == std::string::npos) break;
    }
    if (file != listing_ && offset == 0x389) step("block " + names_[file]);
    const Moved moved = FileAccess::writeAt(file, data, size, offset);
    if (file == listing_) written_ = offset + moved.bytes;
    return moved;
  }
  int sync(FileHandle file) override {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    if (file != listing_) return FileAccess::sync(file);
    step("sync");
    if (failSyncs) return EIO;
    synced = written_;
    return FileAccess::sync(file);
  }
  int close(FileHandle file) override {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    const int error = FileAccess::close(file);
    return failBlockCloses && names_[file].find(".dat") != std::string::npos ? EIO : error;
  }
  int lock(FileHandle file) override {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    if (names_[file] == changedUnderLock && !replace) {
      FileAccess::writeAt(file, &otherByte, 1, otherAt);
    }
    return FileAccess::lock(file);
  }

  std::vector<std::string> steps;
  bool failSyncs = false;
  bool failBlockCloses = false;   // as NFS may, after the block was written
  std::string changedUnderLock;   // the last part of the file's name
  std::uint64_t otherAt = 0x38D;  // what the other program writes there
  std::uint8_t otherByte = 0x5A;
  bool replace = false;  // the other program puts a new file in its place
  std::size_t killAt = SIZE_MAX;
  std::uint64_t synced = 0;

 private:
  static std::string lastPart(const std::string& path) {
    return path.substr(path.find_last_of("/\\") + 1);
  }
  void step(std::string what) {
    if (steps.size() == killAt) throw Killed{};
    steps.push_back(std::move(what));
  }
  FileHandle listing_ = kNoFile;
  std::uint64_t written_ = 0;
  std::map<FileHandle, std::string> names_;
  std::recursive_mutex mutex_;
};

// Without --undo, every run that writes keeps its journal in the history
// ($XDG_STATE_HOME, or ~/.local/state), and --revert gives a run back but
// for a file changed since. A history that cannot be written touches no
// file; standard input and error, files too, are never taken for sound data.
TEST(Collection, TheHistoryGivesRunsBack) {
  TempDir dir;
  const std::string a = dir.path("a.dat");
  const std::string b = dir.path("b.dat");
  writeFile(a, songBytes(912));
  writeFile(b, songBytes(912));
  WatchedDisk disk;
  keepHistoryIn(dir.path("state"));
  EXPECT_EQ(runWith({"--set", "LimitTime=7", a, b}, disk).status, 0);
  EXPECT_EQ(runWith({"--set", "TimerB=on", a}, disk).status, 0);
  const Bytes both = readFile(a);
  EXPECT_EQ(runWith({"--set", "TimerB=on", a}, disk).status, 0);  // changes nothing: no run
  std::vector<HistoryRun> runs;
  std::string problem;
  ASSERT_TRUE(History::runs(runs, problem));
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].journal.find(dir.path("state")), 0u) << runs[0].journal;
  const Outcome back = runWith({"--revert", "2"}, disk);
  EXPECT_EQ(back.status, 1);
  EXPECT_EQ(back.errors.find(a), std::string("ym2608-settings: ").size()) << back.errors;
  EXPECT_EQ(readFile(a), both);
  EXPECT_EQ(readFile(b), songBytes(912));
#ifndef _WIN32
  // A relative XDG_STATE_HOME counts for none: HOME's is taken.
  const std::string home = std::getenv("HOME");
  keepHistoryIn("relative");
  setenv("HOME", dir.path("home").c_str(), 1);
  EXPECT_EQ(runWith({"--set", "LimitTime=8", b}, disk).status, 0);
  setenv("HOME", home.c_str(), 1);
  EXPECT_TRUE(fs::is_directory(fsPath(dir.path("home/.local/state/ym2608-settings/history"))));
#endif
  keepHistoryIn(a);  // a file where the folder must be
  const Outcome refused = runWith({"--set", "LimitTime=9", b}, disk);
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.errors.find("--no-history"), std::string::npos) << refused.errors;
  EXPECT_EQ(runWith({"--set", "LimitTime=9", "--no-history", b}, disk).status, 0);
  keepHistoryIn("");

  struct FileErrors : RecordingOutput {
    FileIdentity file;
    bool fileIdentity(FileIdentity& identity) const override { return (identity = file), true; }
  } errors;
  const Opened opened = FileAccess::disk().open(a.c_str(), OpenMode::Read);
  errors.file = opened.identity;
  FileAccess::disk().close(opened.file);
  const char* argv[] = {"ym2608-settings", "--set", "TimerA=off", a.c_str()};
  RecordingOutput out;
  ScriptedInput input({});
  EXPECT_EQ(runCommandLine(4, argv, input, out, errors, disk), 1);
  EXPECT_EQ(readFile(a), both);
}

// Files in flight side by side give the lines and the problem lines of one
// file at a time, in the same order, whatever fails where.
TEST(Collection, FilesInFlightKeepTheOrder) {
  TempDir dir;
  std::vector<std::string> names;
  // The same files each time: some missing, some short, some refused for
  // writing, the rest sound data.
  const auto make = [&] {
    std::mt19937 random(2608);
    names.clear();
    for (int i = 0; i < 300; ++i) {
      const unsigned kind = random() % 6;
      names.push_back(dir.path((kind == 2 ? "read-only-" : "") + std::to_string(i) + ".dat"));
      fs::remove(fsPath(names.back()));
      if (kind != 0) writeFile(names.back(), songBytes(kind == 1 ? 100 : 912));
    }
  };
  for (const std::vector<std::string>& run :
       {std::vector<std::string>{"--show"}, {"--set", "TimerB=on", "--undo", dir.path("u.csv")}}) {
    SCOPED_TRACE(run[0]);
    Outcome outcomes[2];
    for (const int one : {1, 0}) {
      const char* jobs = one == 1 ? "1" : "16";
      make();
      fs::remove(fsPath(dir.path("u.csv")));
      std::vector<std::string> args = run;
      args.insert(args.end(), {"-j", jobs});
      args.insert(args.end(), names.begin(), names.end());
      WatchedDisk disk;
      outcomes[one == 1 ? 0 : 1] = runWith(args, disk);
    }
    EXPECT_EQ(outcomes[0].status, 1);
    EXPECT_EQ(outcomes[1].status, outcomes[0].status);
    EXPECT_EQ(outcomes[1].out, outcomes[0].out);
    EXPECT_EQ(outcomes[1].errors, outcomes[0].errors);
  }
}

// Calls `run` with each step of `steps` to kill at, then with none.
void killedAtEachStep(const std::vector<std::string>& steps,
                      const std::function<void(std::size_t kill)>& run) {
  for (std::size_t kill = 0; kill <= steps.size(); ++kill) run(kill);
}

// The undo listing is the run's journal: every block written has its row
// on the disk first, synced once a batch. Killed at any step, and with the
// listing cut back to what was synced, as a power cut leaves it, --apply of
// the listing gives every file back as it was before the run wrote it. The
// history's journal, kept without --undo, follows the same steps, and
// --revert 1 gives every file back.
TEST(Collection, UndoRowsReachTheDiskBeforeTheirBlocks) {
  // What another program does to 1.dat just before the run writes it.
  enum class Other { Nothing, Changes0x38D, TurnsTimerAOff, Replaces };
  const struct {
    const char* name;
    std::size_t files;
    Other other;
    bool failSyncs;
    std::vector<std::string> steps;  // empty: too many to list
    bool failBlockCloses = false;
    // 0.dat is named first through a hard link that cannot be written:
    // its row is withdrawn, and the file is left as it is under either name.
    bool twoNames = false;
  } cases[] = {
      {"one batch",
       2,
       Other::Nothing,
       false,
       {"row 0.dat", "row 1.dat", "sync", "block 0.dat", "block 1.dat"}},
      {"changed under the lock",
       2,
       Other::Changes0x38D,
       false,
       {"row 0.dat", "row 1.dat", "sync", "block 0.dat", "row 1.dat", "sync", "block 1.dat"}},
      // 1.dat no longer meets --if TimerA=on and is not written; replaced,
      // it is left as it is. Either way its row is withdrawn.
      {"no longer meeting --if under the lock",
       2,
       Other::TurnsTimerAOff,
       false,
       {"row 0.dat", "row 1.dat", "sync", "block 0.dat", "row 1.dat", "sync"}},
      {"replaced before its write",
       2,
       Other::Replaces,
       false,
       {"row 0.dat", "row 1.dat", "sync", "block 0.dat", "row 1.dat", "sync"}},
      {"a failed sync", 2, Other::Nothing, true, {"row 0.dat", "row 1.dat", "sync"}},
      {"a failed close",
       2,
       Other::Nothing,
       false,
       {"row 0.dat", "row 1.dat", "sync", "block 0.dat", "block 1.dat"},
       true},
      {"one file by two names",
       2,
       Other::Nothing,
       false,
       {"row read-only.dat", "row 1.dat", "sync", "row read-only.dat", "sync", "block 1.dat"},
       false,
       true},
      {"several batches", Run::kBatch + 1, Other::Nothing, false, {}},
  };
  for (const auto& c : cases) {
    // Another program's change under the lock is left to --apply's rows.
    for (const bool undo : {true, false}) {
      if (!undo && c.other != Other::Nothing) continue;
      SCOPED_TRACE(std::string(c.name) + (undo ? " with --undo" : " in the history"));
      killedAtEachStep(c.steps, [&](std::size_t kill) {
        TempDir dir;
        keepHistoryIn(dir.path("state"));
        const bool timerA = c.other == Other::TurnsTimerAOff;
        std::vector<std::string> args = {"--set", "TimerB=on", timerA ? "--if=TimerA=on" : "--"};
        if (undo) args.insert(args.begin() + 2, {"--no-history", "--undo", dir.path("u.csv")});
        std::vector<std::string> files;
        for (std::size_t i = 0; i < c.files; ++i) {
          files.push_back(dir.path(std::to_string(i) + ".dat"));
          writeFile(files.back(), songBytes(912));
        }
        if (c.twoNames) {
          fs::create_hard_link(fsPath(files[0]), fsPath(dir.path("read-only.dat")));
          args.push_back(dir.path("read-only.dat"));
        }
        args.insert(args.end(), files.begin(), files.end());
        JournalDisk disk;
        disk.failSyncs = c.failSyncs;
        disk.failBlockCloses = c.failBlockCloses;
        disk.changedUnderLock = c.other == Other::Nothing ? "" : "1.dat";
        disk.otherAt = timerA ? 0x389 : 0x38D;
        disk.replace = c.other == Other::Replaces;
        disk.killAt = kill < c.steps.size() ? kill : SIZE_MAX;
        Outcome run{};
        std::vector<HistoryRun> runs;
        std::string problem;
        try {
          run = runWith(args, disk);
        } catch (const Killed&) {
          // A power cut leaves what was synced.
          if (!undo && History::runs(runs, problem) && !runs.empty()) {
            fs::resize_file(fsPath(runs[0].journal), disk.synced);
          }
          if (undo) fs::resize_file(fsPath(dir.path("u.csv")), disk.synced);
        }
        if (kill == c.steps.size()) {
          if (!c.steps.empty()) {
            EXPECT_EQ(disk.steps, c.steps);
          }
          // A history that cannot take its first rows is no history: status 2.
          const int failed = c.failSyncs && !undo ? 2 : 1;
          EXPECT_EQ(run.status,
                    c.failSyncs || disk.replace || c.failBlockCloses || c.twoNames ? failed : 0);
          const auto syncs = std::count(disk.steps.begin(), disk.steps.end(), "sync");
          if (c.steps.empty()) {
            EXPECT_EQ(syncs, 2);  // a sync a batch, none more at the end
          }
        }
        // Each block follows its row, with a sync between.
        for (auto block = disk.steps.begin(); block != disk.steps.end(); ++block) {
          if (block->rfind("block ", 0) != 0) continue;
          const auto row = std::find(disk.steps.begin(), block, "row " + block->substr(6));
          EXPECT_NE(std::find(row, block, "sync"), block) << *block;
        }
        WatchedDisk plain;
        // A listing of a run that wrote nothing is gone, its name free.
        if (undo && fs::exists(fsPath(dir.path("u.csv")))) {
          EXPECT_EQ(runWith({"--apply", dir.path("u.csv")}, plain).status, 0);
        } else if (History::runs(runs, problem) && !runs.empty()) {
          EXPECT_EQ(runWith({"--revert", "1"}, plain).status, 0);
        }
        for (std::size_t i = 0; i < c.files; ++i) {
          Bytes before = songBytes(912);
          // The other program's change is kept once 1.dat's second row is
          // synced; killed before, the file goes back to its first row.
          const auto secondSync = std::find(c.steps.rbegin(), c.steps.rend(), "sync");
          const bool kept = kill > static_cast<std::size_t>(c.steps.rend() - secondSync - 1);
          if (i == 1 && c.other != Other::Nothing && kept) before[disk.otherAt] = 0x5A;
          EXPECT_EQ(readFile(files[i]), before) << files[i] << ", killed at " << kill;
        }
        keepHistoryIn("");
      });
    }
  }
}

#ifndef _WIN32
// The disk's folders, with the folder "s1" of the tree swapped for a link
// to a folder outside it, once the tree's top is listed or once s1 itself
// is open.
class SwappingFolders : public FolderReader {
 public:
  SwappingFolders(std::string tree, std::string outside, bool afterOpen)
      : tree_(std::move(tree)), outside_(std::move(outside)), afterOpen_(afterOpen) {}
  bool list(const std::string& folder, std::vector<FolderEntry>& entries,
            std::string& error) override {
    return disk_.list(folder, entries, error);
  }
  bool isFolder(const std::string& path) override { return disk_.isFolder(path); }
  FileHandle openFolder(const std::string& folder, std::string& error) override {
    return disk_.openFolder(folder, error);
  }
  FileHandle openSubfolder(FileHandle parent, const std::string& name, const std::string& path,
                           std::string& error) override {
    const FileHandle opened = disk_.openSubfolder(parent, name, path, error);
    if (afterOpen_ && name == "s1") swap();
    return opened;
  }
  bool listOpen(FileHandle folder, std::vector<FolderEntry>& entries, std::string& error) override {
    const bool listed = disk_.listOpen(folder, entries, error);
    if (!afterOpen_ && !swapped_) swap();
    return listed;
  }
  void closeFolder(FileHandle folder) override { disk_.closeFolder(folder); }

 private:
  void swap() {
    swapped_ = true;
    fs::rename(tree_ + "/s1", tree_ + "/moved");
    fs::create_directory_symlink(outside_, tree_ + "/s1");
  }
  FolderReader& disk_ = FolderReader::system();
  std::string tree_, outside_;
  bool afterOpen_;
  bool swapped_ = false;
};

// A folder swapped for a link while -r walks is never reached, or is walked
// as the folder it was: nothing outside the tree is written.
TEST(Collection, WalkNeverLeavesItsTree) {
  for (const bool afterOpen : {false, true}) {
    SCOPED_TRACE(afterOpen ? "swapped once open" : "swapped once its parent was listed");
    TempDir dir;
    for (const char* folder : {"t", "t/s1", "outside"}) fs::create_directory(dir.path(folder));
    writeFile(dir.path("t/s1/a.dat"), songBytes(912));
    writeFile(dir.path("outside/a.dat"), songBytes(912));
    SwappingFolders folders(dir.path("t"), dir.path("outside"), afterOpen);
    WatchedDisk disk;
    const Outcome r =
        runWith({"--set", "TimerB=on", "-r", dir.path("t/*.dat")}, disk, "", 0, false, folders);
    EXPECT_EQ(readFile(dir.path("outside/a.dat")), songBytes(912));
    EXPECT_EQ(readFile(dir.path("t/moved/a.dat")) != songBytes(912), afterOpen);
    EXPECT_EQ(r.status, afterOpen ? 0 : 1) << r.errors;
  }
}
#endif

}  // namespace
