// Every file fault a run can meet: each must end with its one message and
// status 0, and leave the file holding what the user asked for and nothing
// else lost or changed.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>

#include "dialogue/dialogue.h"
#include "test_support/expected.h"
#include "test_support/files.h"
#include "test_support/memory_console.h"

namespace {

namespace fs = std::filesystem;

enum class Step { None, OpenForReading, Read, Write, Lock, LockError, CutUnderLock, Close };

// Where CutUnderLock cuts the file: inside LimitTime, as a program that
// ignores locks might leave it.
constexpr std::uint64_t kCutTo = 0x38A;

// The real disk with one step failing, for faults a real file cannot be
// made to show on demand. A failing read or write moves part of the bytes
// first, as a disk that fails partway does.
class FaultyDisk : public FileAccess {
 public:
  explicit FaultyDisk(Step failing) : failing_(failing) {}

  Opened open(FileHandle folder, const char* path, OpenMode mode) override {
    if (mode == OpenMode::Read && failing_ == Step::OpenForReading) {
      return {kNoFile, {}, EACCES};  // what a file without read permission gives
    }
    return FileAccess::open(folder, path, mode);
  }
  Moved readAt(FileHandle file, std::uint8_t* buffer, std::size_t size,
               std::uint64_t offset) override {
    if (failing_ != Step::Read) return FileAccess::readAt(file, buffer, size, offset);
    return {FileAccess::readAt(file, buffer, std::min<std::size_t>(size, 600), offset).bytes, EIO};
  }
  Moved writeAt(FileHandle file, const std::uint8_t* data, std::size_t size,
                std::uint64_t offset) override {
    if (failing_ != Step::Write) return FileAccess::writeAt(file, data, size, offset);
    // Up to the middle of the settings block.
    const std::size_t part = offset < 0x38C ? std::min<std::size_t>(size, 0x38C - offset) : 0;
    return {FileAccess::writeAt(file, data, part, offset).bytes, ENOSPC};
  }
  int lock(FileHandle file) override {
    if (failing_ == Step::Lock) return FileError::InUse;
    if (failing_ == Step::LockError) return EIO;
    const int error = FileAccess::lock(file);
    if (failing_ == Step::CutUnderLock) FileAccess::cut(file, kCutTo);
    return error;
  }
  int close(FileHandle file) override {
    const int error = FileAccess::close(file);
    return failing_ == Step::Close ? EIO : error;
  }

 private:
  Step failing_;
};

enum class Start { NoFile, Folder, File, FullDevice };

// What the path holds after the run.
enum class After {
  NoFile,
  Folder,
  Unchanged,  // the bytes as they were
  Edited,     // the bytes as they were, with the edits and the mark where the file reaches
  HalfSaved,  // like Unchanged or Edited byte by byte inside the settings block, Unchanged outside
  CutShort,   // the first kCutTo bytes as they were
  Fifo,       // a FIFO, never opened for writing
  Device      // /dev/full: nothing to compare
};

constexpr char kEdits[] = "1 3 120 8";

// What kEdits makes of the bytes at the start of a file: TimerA flipped,
// LimitTime 120, the SaveMark.
Bytes edited(const Bytes& bytes) {
  const auto at = [&](std::size_t offset) -> std::uint8_t {
    return offset < bytes.size() ? bytes[offset] : 0;
  };
  return saved(bytes, at(0x389) ^ 0x01, 120, at(0x38C));
}

Bytes unchanged(const std::string& /*path*/, const Bytes& bytes) {
  return bytes;
}

struct Fault {
  const char* name;
  Start start;
  std::size_t size;  // of the file at the start
  Step failing;
  // Runs while the dialogue waits for its commands; returns what the file
  // holds afterwards (the bytes a save must keep).
  Bytes (*between)(const std::string& path, const Bytes& onDisk);
  const char* message;  // the run's last line
  After after;
};

const Fault kFaults[] = {
    {"no such file", Start::NoFile, 0, Step::None, unchanged, "file load error.\n", After::NoFile},
    {"a folder", Start::Folder, 0, Step::None, unchanged, "file load error.\n", After::Folder},
    {"no permission to read", Start::File, 2048, Step::OpenForReading, unchanged,
     "file load error.\n", After::Unchanged},
    {"read error partway", Start::File, 2048, Step::Read, unchanged, "file load error.\n",
     After::Unchanged},
    {"replaced by a folder before the save", Start::File, 2048, Step::None,
     [](const std::string& path, const Bytes& /*onDisk*/) {
       fs::remove(path);
       fs::create_directory(path);
       return Bytes();
     },
     "file write open error\n", After::Folder},
#ifndef _WIN32
    // A regular file at the load: whatever took its name is no file to write.
    {"replaced by a FIFO before the save", Start::File, 2048, Step::None,
     [](const std::string& path, const Bytes& /*onDisk*/) {
       fs::remove(path);
       EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
       return Bytes();
     },
     "file write open error\n", After::Fifo},
#endif
    {"a device that takes no bytes", Start::FullDevice, 0, Step::None, unchanged,
     "file write error\n", After::Device},
    {"write fails partway", Start::File, 2048, Step::Write, unchanged, "file write error\n",
     After::HalfSaved},
    {"another program holds the lock", Start::File, 2048, Step::Lock, unchanged,
     "file write open error\n", After::Unchanged},
    {"the lock fails", Start::File, 2048, Step::LockError, unchanged, "file write open error\n",
     After::Unchanged},
    {"cut short under the lock", Start::File, 2048, Step::CutUnderLock, unchanged,
     "file write error\n", After::CutShort},
    {"became shorter before the save", Start::File, 2048, Step::None,
     [](const std::string& path, const Bytes& loaded) {
       writeFile(path, Bytes(loaded.begin(), loaded.begin() + 1000));
       return loaded;  // written back whole from the image
     },
     "save end!\n", After::Edited},
    {"close fails", Start::File, 2048, Step::Close, unchanged, "file write error\n",
     After::HalfSaved},
    {"vanished before the save", Start::File, 2048, Step::None,
     [](const std::string& path, const Bytes& loaded) {
       fs::remove(path);
       return loaded;  // created again from the image
     },
     "save end!\n", After::Edited},
    {"grew before the save", Start::File, 2048, Step::None,
     [](const std::string& path, const Bytes& onDisk) {
       Bytes grown = onDisk;
       grown.insert(grown.end(), 5000, 0x5A);
       writeFile(path, grown);
       return grown;
     },
     "save end!\n", After::Edited},
    {"changed by another program before the save", Start::File, 2048, Step::None,
     [](const std::string& path, const Bytes& onDisk) {
       // Bits and bytes the edits leave alone: those stay as the other
       // program left them.
       Bytes changed = onDisk;
       changed[0] ^= 0xFF;
       changed[0x389] ^= 0x02;  // TimerB
       changed[0x38C] ^= 0x04;  // a ModeFlags bit no setting owns
       changed[0x38D] ^= 0xFF;
       changed[0x390] ^= 0xFF;
       writeFile(path, changed);
       return changed;
     },
     "save end!\n", After::Edited},
    {"1 MiB, past what the image holds", Start::File, 1 << 20, Step::None, unchanged, "save end!\n",
     After::Edited},
    {"empty", Start::File, 0, Step::None, unchanged, "save end!\n", After::Edited},
    {"910 bytes: ends before TimerFlags", Start::File, 910, Step::None, unchanged, "save end!\n",
     After::Edited},
    {"911 bytes: ends inside LimitTime", Start::File, 911, Step::None, unchanged, "save end!\n",
     After::Edited},
    {"912 bytes: holds the whole block", Start::File, 912, Step::None, unchanged, "save end!\n",
     After::Edited},
};

// gtest names a failing case by this, not by the row's bytes.
void PrintTo(const Fault& f, std::ostream* out) {
  *out << f.name;
}

class FileFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(FileFaults, OneMessageStatusZeroAndNoByteLost) {
  const Fault& f = GetParam();
  TempDir dir;
  std::string path = dir.path("song.dat");
  Bytes original = sampleBytes(f.size);
  switch (f.start) {
    case Start::NoFile:
      break;
    case Start::Folder:
      fs::create_directory(path);
      break;
    case Start::File:
      writeFile(path, original);
      break;
    case Start::FullDevice:
      path = "/dev/full";
      if (!fs::exists(path)) GTEST_SKIP() << "no /dev/full on this system";
      break;
  }

  Bytes expected = original;
  RecordingOutput output;
  ScriptedInput input({{kEdits, true, [&] { expected = f.between(path, expected); }}});
  FaultyDisk disk(f.failing);
  const char* args[] = {"ym2608-settings", path.c_str()};
  EXPECT_EQ(runDialogue(2, args, input, output, disk), 0);

  // The message comes once, straight after the menu or alone.
  EXPECT_TRUE(output.text == f.message || endsWith(output.text, std::string("cmd ..") + f.message))
      << output.text;
  EXPECT_EQ(output.text.find(f.message), output.text.size() - std::string(f.message).size());

  switch (f.after) {
    case After::NoFile:
      EXPECT_FALSE(fs::exists(path));
      break;
    case After::Folder:
      EXPECT_TRUE(fs::is_directory(path));
      break;
    case After::Unchanged:
      EXPECT_EQ(readFile(path), original);
      break;
    case After::Edited:
      EXPECT_EQ(readFile(path), edited(expected));
      break;
    case After::HalfSaved: {
      const Bytes now = readFile(path);
      const Bytes saved = edited(original);
      ASSERT_EQ(now.size(), original.size());
      for (std::size_t i = 0; i < now.size(); ++i) {
        const bool inBlock = i >= 0x389 && i < 0x390;
        if (now[i] != original[i] && !(inBlock && now[i] == saved[i])) {
          ADD_FAILURE() << "byte " << i << " changed";
          break;
        }
      }
      break;
    }
    case After::CutShort:
      EXPECT_EQ(readFile(path), Bytes(original.begin(), original.begin() + kCutTo));
      break;
    case After::Fifo:
      EXPECT_TRUE(fs::is_fifo(path));
      break;
    case After::Device:
      break;
  }
}

// Each fault is its own case, named after its row.
INSTANTIATE_TEST_SUITE_P(EveryFault, FileFaults, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c != '\0'; ++c) {
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           }
                           return name;
                         });

}  // namespace
