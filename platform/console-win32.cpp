// Standard input and output on Windows. Input comes from the console, a
// pipe or a file; the dialogue's output stays in text mode, so lines end
// with CR LF as on any Windows console.
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "platform/file_access.h"
#include "platform/standard.h"

namespace {

// Ctrl+Z (0x1A) ends the input wherever it comes from: typed at a console
// (then Enter), and in a pipe or a file too. The C runtime's text mode and
// DOS before it end a file there, and a command script saved by an old
// Windows editor may still carry one at its end.
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
  /// `ctrlZEnds`: Ctrl+Z ends the input from a pipe or a file too, not only
  /// from the console (where it is the only way to end what is typed).
  HandleInput(HANDLE handle, bool ctrlZEnds) : handle_(handle), type_(GetFileType(handle)) {
    DWORD mode = 0;
    console_ = type_ == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
    ctrlZEnds_ = ctrlZEnds || console_;
  }

  bool fileIdentity(FileIdentity& identity) const override {
    return identityOf(reinterpret_cast<FileHandle>(handle_), identity);
  }

  std::size_t read(char* buffer, std::size_t capacity) override {
    if (ended_) return 0;
    DWORD got = 0;
    const std::size_t block = console_ ? kConsoleBlock : kBlock;
    const DWORD want = static_cast<DWORD>(capacity > block ? block : capacity);
    // A closed pipe (ERROR_BROKEN_PIPE) is the end of the input; any other
    // failure ends it too, with its reason kept.
    if (!ReadFile(handle_, buffer, want, &got, nullptr)) {
      if (GetLastError() != ERROR_BROKEN_PIPE) error_ = EIO;
      return 0;
    }
    if (got == 0 || !ctrlZEnds_) return got;
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

  int error() const override { return error_; }

 private:
  HANDLE handle_;
  DWORD type_;
  bool console_ = false;
  bool ctrlZEnds_ = true;
  bool ended_ = false;
  int error_ = 0;
};

// Why a write failed, as an errno value. A reader that has gone shows as
// ERROR_BROKEN_PIPE, ERROR_NO_DATA while its end is closing, or
// ERROR_PIPE_NOT_CONNECTED (a Unix pipe under wine); each is EPIPE here, as
// on POSIX, so the collection options stop at once and says nothing. The C
// runtime's own errno for them is EINVAL, which would say the wrong thing.
int reasonOfFailedWrite() {
  switch (GetLastError()) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
      return EPIPE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return errno != 0 ? errno : EIO;
  }
}

// Standard output (descriptor 1) or error (2) through the C runtime in text
// mode, which turns each LF into CR LF on the way out.
class TextOutput : public OutputSink {
 public:
  explicit TextOutput(int fd) : fd_(fd) {}

  int write(const char* data, std::size_t size) override {
    while (size > 0 && error_ == 0) {
      const auto chunk = static_cast<unsigned>(size > kBlock ? kBlock : size);
      errno = 0;
      SetLastError(ERROR_SUCCESS);
      const int n = _write(fd_, data, chunk);
      if (n <= 0) {
        // Nobody reads the output any more (a closed pipe, a full disk):
        // take nothing more, and let the caller decide what that means.
        error_ = reasonOfFailedWrite();
        break;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return error_;
  }

 private:
  int fd_;
  int error_ = 0;
};

// The collection options' output, which carries file names in any
// language. A console is given UTF-16, so a name reads as it should whatever
// the console's code page; a pipe or a file gets the UTF-8 bytes.
class NameOutput : public OutputSink {
 public:
  NameOutput(int fd, HANDLE handle) : text_(fd), handle_(handle) {
    DWORD mode = 0;
    console_ = GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
  }

  int write(const char* data, std::size_t size) override {
    if (!console_) return text_.write(data, size);
    // Lines arrive whole (the collection options write a line at a time), so no
    // character is split between two writes. Bytes that are not UTF-8 show
    // as U+FFFD.
    const std::string_view utf8(data, size);
    std::wstring wide;
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    wide.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    std::wstring crlf;
    for (const wchar_t c : wide) {
      if (c == L'\n') crlf += L'\r';
      crlf += c;
    }
    for (std::size_t done = 0; done < crlf.size();) {
      DWORD wrote = 0;
      const DWORD chunk = static_cast<DWORD>(crlf.size() - done > 8192 ? 8192 : crlf.size() - done);
      if (!WriteConsoleW(handle_, crlf.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
        return EIO;
      }
      done += wrote;
    }
    return 0;
  }

  bool fileIdentity(FileIdentity& identity) const override {
    return identityOf(reinterpret_cast<FileHandle>(handle_), identity);
  }

  bool isTerminal() const override { return console_; }

  // A file, or a character device that is no console: NUL.
  bool takesBlocks() const override {
    const DWORD type = GetFileType(handle_);
    return type == FILE_TYPE_DISK || (type == FILE_TYPE_CHAR && !console_);
  }

 private:
  TextOutput text_;
  HANDLE handle_;
  bool console_ = false;
};

}  // namespace

void keepStandardDescriptors() {
  // Windows hands out no handle that could be taken for a standard one.
}

void holdOwnConsole(const char* note) {
  DWORD processes[2];
  DWORD mode = 0;
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  // A shell shares its console: then two processes or more are on it.
  if (GetConsoleProcessList(processes, 2) != 1 || !GetConsoleMode(input, &mode)) return;
  const std::string text = std::string(note) + "Press Enter to close this window.";
  collectionOutput().write(text.data(), text.size());
  char c = 0;
  DWORD got = 0;
  while (ReadFile(input, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
  }
}

InputSource& standardInput() {
  static HandleInput input(GetStdHandle(STD_INPUT_HANDLE), true);
  return input;
}

InputSource& collectionInput() {
  // A listing is data: a 0x1A in it is a byte like any other.
  static HandleInput input(GetStdHandle(STD_INPUT_HANDLE), false);
  return input;
}

OutputSink& standardOutput() {
  static TextOutput output(1);
  return output;
}

OutputSink& collectionOutput() {
  static NameOutput output(1, GetStdHandle(STD_OUTPUT_HANDLE));
  return output;
}

bool ctrlZEndsText() {
  return true;
}

const char* lineEnd() {
  return "\r\n";
}

OutputSink& collectionErrors() {
  static NameOutput errors(2, GetStdHandle(STD_ERROR_HANDLE));
  return errors;
}
