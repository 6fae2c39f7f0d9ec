// Standard input and output on Linux and other POSIX systems, straight
// through the descriptors: stdio would add a buffer of its own in front of
// the Writer's.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_access.h"
#include "platform/standard.h"

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

  bool fileIdentity(FileIdentity& identity) const override { return identityOf(fd_, identity); }

  std::size_t read(char* buffer, std::size_t capacity) override {
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, capacity);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno == EINTR) continue;
      if (wouldBlock() && waitFor(fd_, POLLIN, -1)) continue;
      error_ = errno;
      return 0;  // a real read error ends the input, as the end of a file would
    }
  }

  bool ready() override { return waitFor(fd_, POLLIN, 0); }
  int error() const override { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

class FdOutput : public OutputSink {
 public:
  explicit FdOutput(int fd) : fd_(fd) {}

  int write(const char* data, std::size_t size) override {
    while (size > 0 && error_ == 0) {
      const ssize_t n = ::write(fd_, data, size);
      if (n < 0) {
        if (errno == EINTR || (wouldBlock() && waitFor(fd_, POLLOUT, -1))) continue;
        // Nobody reads the output any more (a closed pipe, a full disk):
        // take nothing more, and let the caller decide what that means.
        error_ = errno;
        break;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return error_;
  }

  bool fileIdentity(FileIdentity& identity) const override { return identityOf(fd_, identity); }

  bool isTerminal() const override { return ::isatty(fd_) == 1; }

  bool takesBlocks() const override {
    struct stat info {};
    struct stat null {};
    if (::fstat(fd_, &info) != 0) return false;
    return S_ISREG(info.st_mode) || (S_ISCHR(info.st_mode) && ::stat("/dev/null", &null) == 0 &&
                                     info.st_rdev == null.st_rdev);
  }

 private:
  int fd_;
  int error_ = 0;
};

}  // namespace

void keepStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is this one.
    if (::open("/dev/null", O_RDONLY) != fd) return;
  }
}

void holdOwnConsole(const char* /*note*/) {}

InputSource& standardInput() {
  static FdInput input(STDIN_FILENO);
  return input;
}

InputSource& collectionInput() {
  return standardInput();
}

OutputSink& standardOutput() {
  static FdOutput output(STDOUT_FILENO);
  return output;
}

OutputSink& collectionOutput() {
  return standardOutput();
}

bool ctrlZEndsText() {
  return false;
}

const char* lineEnd() {
  return "\n";
}

OutputSink& collectionErrors() {
  static FdOutput errors(STDERR_FILENO);
  return errors;
}
