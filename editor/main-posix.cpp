// Entry on Linux and other POSIX systems: wires standard input and output,
// unbuffered by stdio, to the dialogue, or standard output and error to the
// scripted interface when the first argument is an option.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "editor/dialogue.h"
#include "editor/script.h"
#include "editor/script_args.h"

namespace {

// Waits up to `timeoutMs` (-1: for ever) until `fd` is ready for `events`.
// Hang-up and errors count as ready: the read or write that follows reports
// them.
bool waitFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  int n;
  do {
    n = ::poll(&p, 1, timeoutMs);
  } while (n < 0 && errno == EINTR);
  return n != 0;
}

// Standard input or output left non-blocking by whoever started us: wait for
// it instead of taking "not now" for the end or for a failure.
bool wouldBlock() {
  return errno == EAGAIN || errno == EWOULDBLOCK;
}

class FdInput : public InputSource {
 public:
  explicit FdInput(int fd) : fd_(fd) {}

  std::size_t read(char* buffer, std::size_t capacity) override {
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, capacity);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno == EINTR) continue;
      if (wouldBlock() && waitFor(fd_, POLLIN, -1)) continue;
      return 0;  // a real read error ends the input, as the end of a file would
    }
  }

  bool ready() override { return waitFor(fd_, POLLIN, 0); }

 private:
  int fd_;
};

class FdOutput : public OutputSink {
 public:
  explicit FdOutput(int fd) : fd_(fd) {}

  void write(const char* data, std::size_t size) override {
    while (size > 0 && !failed_) {
      const ssize_t n = ::write(fd_, data, size);
      if (n < 0) {
        if (errno == EINTR || (wouldBlock() && waitFor(fd_, POLLOUT, -1))) continue;
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
  int fd_;
  bool failed_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
  // A reader that goes away must not kill the run before a save it asked
  // for, nor turn the exit status into anything but 0.
  std::signal(SIGPIPE, SIG_IGN);
  FdOutput output(STDOUT_FILENO);
  if (wantsScript(argc, argv)) {
    FdOutput errors(STDERR_FILENO);
    return runScript(argc, argv, output, errors);
  }
  FdInput input(STDIN_FILENO);
  return runEditor(argc, argv, input, output);
}
