// Entry on Windows: takes the command line as UTF-16, hands the dialogue
// UTF-8, and wires the console or the pipes to it. Standard output stays in
// text mode, so lines end with CR LF as on any Windows console.
#include <io.h>
#include <windows.h>

#include <string>
#include <vector>

#include "editor/dialogue.h"

// The C runtime must not expand wildcards: "*.dat" is a file name like any
// other, and one editing run is for one file.
extern "C" {
int _dowildcard = 0;
}

namespace {

// Ctrl+Z, typed at a console (then Enter), ends the input.
constexpr char kEndOfInput = 0x1A;

std::string narrow(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string utf8(static_cast<std::size_t>(size - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// Reads and writes go in blocks of at most 64 KiB: ReadFile and _write take
// 32-bit counts, so a larger request would have to be cut anyway, and the
// dialogue's own buffers are no larger (64 KiB in, 16 KiB out).
constexpr std::size_t kBlock = 65536;

class HandleInput : public InputSource {
 public:
  explicit HandleInput(HANDLE handle) : handle_(handle) {}

  std::size_t read(char* buffer, std::size_t capacity) override {
    if (ended_) return 0;
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(capacity > kBlock ? kBlock : capacity);
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

  bool ready() override {
    if (ended_) return true;
    switch (GetFileType(handle_)) {
      case FILE_TYPE_PIPE: {
        DWORD waiting = 0;
        // A failed peek is a pipe whose writer has gone: the read ends at once.
        if (!PeekNamedPipe(handle_, nullptr, 0, nullptr, &waiting, nullptr)) return true;
        return waiting > 0;
      }
      case FILE_TYPE_CHAR: {
        // A console waits for a typed line; other devices (NUL) answer at once.
        DWORD mode = 0;
        return !GetConsoleMode(handle_, &mode);
      }
      default:
        return true;  // a file on disk never makes a read wait
    }
  }

 private:
  HANDLE handle_;
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
  for (int i = 0; i < argc; ++i) args.push_back(narrow(argv[i]));
  std::vector<const char*> argvUtf8;
  for (const std::string& arg : args) argvUtf8.push_back(arg.c_str());
  argvUtf8.push_back(nullptr);

  HandleInput input(GetStdHandle(STD_INPUT_HANDLE));
  StdoutText output;
  return runEditor(argc, argvUtf8.data(), input, output);
}
