// A child program on Windows: CreateProcess with its standard input and
// output on pipes.
#include <windows.h>

#include "test_support/child.h"
#include "test_support/expected.h"
#include "test_support/files.h"

namespace {

using Clock = std::chrono::steady_clock;

std::wstring widen(const std::string& utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), size);
  wide.pop_back();  // the terminating NUL
  return wide;
}

// Adds `arg` to a command line the way the C runtime splits it again. Quotes
// only where needed, so a bare *.dat reaches the child as a shell would pass
// it, where a wildcard-expanding runtime would expand it.
void appendArgument(std::wstring& line, const std::wstring& arg) {
  if (!line.empty()) line += L' ';
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t ch : arg) {
    if (ch == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(ch == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += ch;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

}  // namespace

struct Child::Impl {
  HANDLE process = nullptr;
  HANDLE input = nullptr;   // our end of the child's standard input
  HANDLE output = nullptr;  // our end of the child's standard output
  HANDLE reader = nullptr;  // the thread draining `output`
  SRWLOCK lock = SRWLOCK_INIT;
  std::string received;  // read by `reader`, not yet handed to Child::output
  bool finished = false;

  // Drains the output on its own thread, so a child writing a long answer
  // never blocks while we are still writing its input.
  static DWORD WINAPI readAll(void* self) {
    Impl& c = *static_cast<Impl*>(self);
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(c.output, buffer, sizeof buffer, &n, nullptr) && n > 0) {
      AcquireSRWLockExclusive(&c.lock);
      c.received.append(buffer, n);
      ReleaseSRWLockExclusive(&c.lock);
    }
    return 0;
  }

  void collect(std::string& into) {
    AcquireSRWLockExclusive(&lock);
    into += received;
    received.clear();
    ReleaseSRWLockExclusive(&lock);
  }
};

Child::Child(const std::string& program, const std::vector<std::string>& args, bool keepOutput,
             const std::string& cwd)
    : impl_(std::make_unique<Impl>()) {
  Impl& c = *impl_;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE childIn = nullptr, childOut = nullptr;
  CreatePipe(&childIn, &c.input, &inherit, 0);
  CreatePipe(&c.output, &childOut, &inherit, 0);
  SetHandleInformation(c.input, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(c.output, HANDLE_FLAG_INHERIT, 0);

  std::wstring line;
  appendArgument(line, widen(program));
  for (const std::string& arg : args) appendArgument(line, widen(arg));
  const std::wstring folder = widen(cwd);

  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = childIn;
  start.hStdOutput = childOut;
  start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  if (CreateProcessW(widen(program).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     folder.empty() ? nullptr : folder.c_str(), &start, &info)) {
    c.process = info.hProcess;
    CloseHandle(info.hThread);
  }
  CloseHandle(childIn);
  CloseHandle(childOut);
  if (!keepOutput) {
    CloseHandle(c.output);
    c.output = nullptr;
  } else {
    c.reader = CreateThread(nullptr, 0, &Impl::readAll, &c, 0, nullptr);
  }
}

Child::~Child() {
  Impl& c = *impl_;
  if (c.input != nullptr) CloseHandle(c.input);
  if (c.process != nullptr) {
    if (!c.finished) TerminateProcess(c.process, 1);
    WaitForSingleObject(c.process, INFINITE);
    CloseHandle(c.process);
  }
  if (c.reader != nullptr) {
    WaitForSingleObject(c.reader, INFINITE);
    CloseHandle(c.reader);
  }
  if (c.output != nullptr) CloseHandle(c.output);
}

namespace {

struct Feed {
  HANDLE pipe;
  const std::string* text;
};

// Writes the whole text to the pipe; stops early when the child has ended.
DWORD WINAPI feedAll(void* param) {
  const Feed& feed = *static_cast<const Feed*>(param);
  std::size_t sent = 0;
  while (sent < feed.text->size()) {
    DWORD n = 0;
    const std::size_t left = feed.text->size() - sent;
    const DWORD chunk = left > 65536 ? 65536 : static_cast<DWORD>(left);
    if (!WriteFile(feed.pipe, feed.text->data() + sent, chunk, &n, nullptr)) break;
    sent += n;
  }
  return 0;
}

}  // namespace

void Child::type(const std::string& text, bool end, std::chrono::seconds limit) {
  Impl& c = *impl_;
  if (c.input != nullptr && !text.empty()) {
    // A write to a pipe blocks while the child takes no input, and a blocked
    // WriteFile cannot time out: write on a thread and wait for it up to
    // `limit`. A child that took nothing for that long is stuck; ending it
    // breaks the pipe, which ends the write.
    Feed feed{c.input, &text};
    HANDLE writer = CreateThread(nullptr, 0, &feedAll, &feed, 0, nullptr);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(limit).count();
    if (WaitForSingleObject(writer, static_cast<DWORD>(ms)) == WAIT_TIMEOUT) {
      TerminateProcess(c.process, 1);
      WaitForSingleObject(writer, INFINITE);
    }
    CloseHandle(writer);
  }
  if (end && c.input != nullptr) {
    CloseHandle(c.input);
    c.input = nullptr;
  }
  c.collect(output);
}

bool Child::awaitTail(const std::string& tail) {
  const auto endsWithTail = [&] { return endsWith(output, tail); };
  const auto deadline = Clock::now() + patience;
  for (impl_->collect(output); !endsWithTail() && Clock::now() < deadline; impl_->collect(output)) {
    Sleep(10);
  }
  return endsWithTail();
}

int Child::finish() {
  Impl& c = *impl_;
  if (c.process == nullptr) return -1;
  WaitForSingleObject(c.process, INFINITE);
  c.finished = true;
  if (c.reader != nullptr) {
    WaitForSingleObject(c.reader, INFINITE);
    CloseHandle(c.reader);
    c.reader = nullptr;
  }
  c.collect(output);
  DWORD status = 0;
  GetExitCodeProcess(c.process, &status);
  return static_cast<int>(status);
}

std::string consoleText(std::string_view text) {
  std::string crlf;
  for (const char ch : text) {
    if (ch == '\n') crlf += '\r';
    crlf += ch;
  }
  return crlf;
}

void keepHistoryIn(const std::string& folder) {
  const std::string to = folder.empty() ? ownHistoryFolder() : folder;
  _wputenv_s(L"LOCALAPPDATA", fsPath(to).wstring().c_str());
}
