// Entry on Windows: takes the command line as UTF-16, hands the dialogue
// WTF-8 (UTF-8 that keeps unpaired surrogates), and wires the console or the pipes to it. Standard output stays in
// text mode, so lines end with CR LF as on any Windows console.
#include <io.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "editor/dialogue.h"
#include "image/wtf8.h"

// The C runtime must not expand wildcards: "*.dat" is a file name like any
// other, and one editing run is for one file.
extern "C" {
int _dowildcard = 0;
}

namespace {

// Ctrl+Z, typed at a console (then Enter), ends the input.
constexpr char kEndOfInput = 0x1A;

// Reads and writes go in blocks of at most 64 KiB: ReadFile and _write take
// 32-bit counts, so a larger request would have to be cut anyway, and the
// dialogue's own buffers are no larger (64 KiB in, 16 KiB out).
constexpr std::size_t kBlock = 65536;

// A console read asks for at most this much. Before Windows 8 a console
// read's buffer comes from a heap of 64 KB shared by the whole console, and
// a read of 64 KiB fails there (ERROR_NOT_ENOUGH_MEMORY), which would end the
// input before the user typed anything. A typed line is short; pipes and
// files keep the large block.
constexpr std::size_t kConsoleBlock = 4096;

class HandleInput : public InputSource {
 public:
  explicit HandleInput(HANDLE handle) : handle_(handle), type_(GetFileType(handle)) {
    DWORD mode = 0;
    console_ = type_ == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
  }

  std::size_t read(char* buffer, std::size_t capacity) override {
    if (ended_) return 0;
    DWORD got = 0;
    const std::size_t block = console_ ? kConsoleBlock : kBlock;
    const DWORD want = static_cast<DWORD>(capacity > block ? block : capacity);
    // A closed pipe (ERROR_BROKEN_PIPE) and any other failure end the input
    // as the end of a file would.
    if (!ReadFile(handle_, buffer, want, &got, nullptr) || got == 0) return 0;
    for (DWORD i = 0; i < got; ++i) {
      if (buffer[i] == kEndOfInput) {
        ended_ = true;
        return i;  // 0 when Ctrl+Z starts the read: the end at once
      }
    }
    return got;
  }

  // Says "ready" only when sure the read will not wait. When in doubt it says
  // "would wait", so the prompt is flushed: a needless flush costs one write,
  // a missing one leaves the user waiting for a prompt that never comes.
  bool ready() override {
    if (ended_) return true;
    switch (type_) {
      case FILE_TYPE_DISK:
        return true;  // a file on disk never makes a read wait
      case FILE_TYPE_CHAR:
        return !console_;  // a console waits for a typed line; NUL answers at once
      case FILE_TYPE_PIPE: {
        DWORD waiting = 0;
        // The peek fails on what is not a Windows pipe: a socket, or a Unix
        // pipe under wine. It fails too once the writer has gone, where a
        // flush is all it costs.
        if (!PeekNamedPipe(handle_, nullptr, 0, nullptr, &waiting, nullptr)) return false;
        return waiting > 0;
      }
      default:
        return false;  // a kind of handle we cannot ask
    }
  }

 private:
  HANDLE handle_;
  DWORD type_;
  bool console_ = false;
  bool ended_ = false;
};

// Standard output (descriptor 1) through the C runtime in text mode.
class StdoutText : public OutputSink {
 public:
  void write(const char* data, std::size_t size) override {
    while (size > 0 && !failed_) {
      const auto chunk = static_cast<unsigned>(size > kBlock ? kBlock : size);
      // The C runtime turns each LF into CR LF on the way out.
      const int n = _write(1, data, chunk);
      if (n <= 0) {
        // Nobody reads the menu any more (a closed pipe, a full disk). The
        // commands still count, so carry on without output.
        failed_ = true;
        return;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
  }

 private:
  bool failed_ = false;
};

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  std::vector<std::string> args;
  args.reserve(static_cast<std::size_t>(argc));
  // WTF-8, not UTF-8: a name with an unpaired surrogate (NTFS allows them)
  // must reach the file functions unchanged, not as U+FFFD.
  for (int i = 0; i < argc; ++i) {
    const std::wstring_view arg(argv[i]);
    args.push_back(toWtf8(std::u16string(arg.begin(), arg.end())));
  }
  std::vector<const char*> argvUtf8;
  for (const std::string& arg : args) argvUtf8.push_back(arg.c_str());
  argvUtf8.push_back(nullptr);

  HandleInput input(GetStdHandle(STD_INPUT_HANDLE));
  StdoutText output;
  return runEditor(argc, argvUtf8.data(), input, output);
}
