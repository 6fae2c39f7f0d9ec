// libFuzzer target: arbitrary bytes typed into the whole dialogue over a
// sound data file built from the first bytes, checking what must hold
// whatever is typed:
// - no crash and no out-of-bounds access (the build adds the sanitizers);
// - the output is whole menus, prompts and known messages, in an order the
//   menu allows, each menu showing the settings as the commands so far left
//   them;
// - the run ends at the first 8 or 9, or at the end of input;
// - the file changes only on 8, and then only in the bits and bytes of the
//   settings block that the commands touch, plus the SaveMark.
//
// Input: byte 0 picks the file's length (low 4 bits) and how many bytes one
// read delivers (high 4 bits), bytes 1 to 7 are the settings block, and the
// rest is what the user types.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/dialogue.h"
#include "test_support/expected.h"
#include "test_support/memory_console.h"

namespace {

constexpr std::size_t kLengths[16] = {0,      1,       0x389,   0x38A,  0x38B, 0x38C,
                                      0x38D,  0x38E,   0x38F,   0x390,  0x400, 0x2000,
                                      0xFFFF, 0x10000, 0x10001, 0x10400};
constexpr std::size_t kChunks[16] = {1,   2,    3,    5,    7,     16,    64,    255,
                                     256, 1000, 4096, 4096, 16384, 16384, 65536, 65536};
constexpr std::size_t kBlock = 0x389;
constexpr std::size_t kBlockSize = 7;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// The settings as the menu must show them.
struct Settings {
  std::uint8_t timerFlags, time0, time1, modeFlags;

  bool operator==(const Settings& o) const {
    return timerFlags == o.timerFlags && time0 == o.time0 && time1 == o.time1 &&
           modeFlags == o.modeFlags;
  }
};

// A word's number by the C library's own conversion, clamped to 32 bits: an
// independent check of the editor's streaming conversion.
std::int32_t numberOf(const std::string& word) {
  errno = 0;
  const long long n = std::strtoll(word.c_str(), nullptr, 10);
  if (n > INT32_MAX) return INT32_MAX;
  if (n < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(n);
}

std::vector<std::string> wordsOf(std::string_view typed) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (const char c : typed) {
    if (std::string_view(" \t\n\r\v\f").find(c) != std::string_view::npos) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

enum class Ending { Saved, Exit };

// What the typed words must lead to: each menu's settings, what came
// between menus, and how the run ends.
struct Expected {
  std::vector<Settings> menus;
  std::string between;       // per step after a menu: T toggle, U unknown, P time prompt then menu
  bool promptAtEnd = false;  // the run ended at the time prompt
  Ending ending = Ending::Exit;
  Settings final{};
};

Expected expect(const Settings& start, const std::vector<std::string>& words) {
  Expected e;
  Settings s = start;
  e.menus.push_back(s);
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::int32_t n = numberOf(words[i]);
    if (n == 8 || n == 9) {
      e.ending = n == 8 ? Ending::Saved : Ending::Exit;
      break;
    }
    if (n == 3) {
      if (++i == words.size()) {
        e.promptAtEnd = true;
        break;
      }
      const auto t = static_cast<std::uint32_t>(numberOf(words[i]));
      s.time0 = static_cast<std::uint8_t>(t & 0xFF);
      s.time1 = static_cast<std::uint8_t>((t >> 8) & 0xFF);
      e.between += 'P';
    } else if (n == 1 || n == 2) {
      s.timerFlags ^= n == 1 ? 0x01 : 0x02;
      e.between += 'T';
    } else if (n == 4 || n == 5 || n == 6) {
      s.modeFlags ^= n == 4 ? 0x01 : n == 5 ? 0x02 : 0x08;
      e.between += 'T';
    } else {
      e.between += 'U';
    }
    e.menus.push_back(s);
  }
  e.final = s;
  return e;
}

// Reads the output back, menu by menu.
class OutputReader {
 public:
  explicit OutputReader(std::string_view text) : rest_(text) {}

  bool take(std::string_view expected) {
    if (rest_.substr(0, expected.size()) != expected) return false;
    rest_.remove_prefix(expected.size());
    return true;
  }
  bool atEnd() const { return rest_.empty(); }

  void menu(const Settings& s) {
    const Shown shown{(s.timerFlags & 0x01) != 0,
                      (s.timerFlags & 0x02) != 0,
                      static_cast<unsigned>(s.time0 | s.time1 << 8u),
                      (s.modeFlags & 0x01) != 0,
                      (s.modeFlags & 0x02) != 0,
                      (s.modeFlags & 0x08) != 0};
    if (!take(menuText(shown))) {
      fail("a menu is not whole or shows other settings than the commands left");
    }
  }

 private:
  std::string_view rest_;
};

void writeWhole(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
      std::fclose(f) != 0) {
    std::perror(path.c_str());
    std::exit(2);  // the machine's fault, not the editor's
  }
}

std::vector<std::uint8_t> readWhole(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) fail("the file is gone");
  std::uint8_t buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

const std::string& scratchFile() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/ym2608-fuzz-" + std::to_string(getpid()) +
           ".dat";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 + kBlockSize) return -1;  // not worth keeping in the corpus
  const std::size_t length = kLengths[data[0] & 0x0F];
  const std::size_t chunk = kChunks[data[0] >> 4];

  std::vector<std::uint8_t> file(length);
  for (std::size_t i = 0; i < length; ++i) file[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (std::size_t i = 0; i < kBlockSize && kBlock + i < length; ++i)
    file[kBlock + i] = data[1 + i];
  const std::string& path = scratchFile();
  writeWhole(path, file);

  const std::string typed(reinterpret_cast<const char*>(data) + 1 + kBlockSize,
                          size - 1 - kBlockSize);
  RecordingOutput output;
  ScriptedInput input({{typed}}, nullptr, chunk);
  const char* args[] = {"ym2608-settings", path.c_str()};
  if (runDialogue(2, args, input, output) != 0) fail("the exit status is not 0");

  // Settings past the end of a short file show as off and 0.
  const auto at = [&](std::size_t offset) -> std::uint8_t {
    return offset < length ? file[offset] : 0;
  };
  const Settings start{at(0x389), at(0x38A), at(0x38B), at(0x38C)};
  const Expected e = expect(start, wordsOf(typed));

  OutputReader out(output.text);
  out.menu(e.menus[0]);
  for (std::size_t i = 0; i < e.between.size(); ++i) {
    if (e.between[i] == 'U' && !out.take("??\n")) fail("an unknown command without ??");
    if (e.between[i] == 'P' && !out.take("time ? ")) fail("command 3 without its prompt");
    out.menu(e.menus[i + 1]);
  }
  if (e.promptAtEnd && !out.take("time ? ")) fail("command 3 without its prompt");
  const char* message = e.ending == Ending::Saved ? "save end!\n" : "exit!\n";
  if (!out.take(message) || !out.atEnd()) fail("the run did not end at the first 8, 9 or end");

  std::vector<std::uint8_t> expected = file;
  if (e.ending == Ending::Saved) {
    expected =
        saved(file, e.final.timerFlags,
              static_cast<std::uint16_t>(e.final.time0 | e.final.time1 << 8u), e.final.modeFlags);
  }
  if (readWhole(path) != expected) fail("the file holds other bytes than the commands asked for");
  return 0;
}
