// A child program on POSIX: fork and exec with its standard input and
// output on pipes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "test_support/child.h"
#include "test_support/expected.h"
#include "test_support/files.h"

using Clock = std::chrono::steady_clock;

struct Child::Impl {
  pid_t pid = -1;
  int input = -1;
  int output = -1;
  int status = -1;
  bool finished = false;

  // Reads what is there into `text`; false at the end of the output.
  bool drain(std::string& text) const {
    char buffer[65536];
    const ssize_t n = read(output, buffer, sizeof buffer);
    if (n <= 0) return false;
    text.append(buffer, static_cast<std::size_t>(n));
    return true;
  }
};

Child::Child(const std::string& program, const std::vector<std::string>& args, bool keepOutput,
             const std::string& cwd)
    : impl_(std::make_unique<Impl>()) {
  signal(SIGPIPE, SIG_IGN);  // the child may end before taking all input
  int in[2];
  int out[2];
  if (pipe(in) != 0 || pipe(out) != 0) ADD_FAILURE() << "pipe";
  // A reader that went away is gone before the child starts: closed after
  // the fork, the child's first lines could still fit in the pipe.
  if (!keepOutput) close(out[0]), out[0] = -1;
  impl_->pid = fork();
  if (impl_->pid == 0) {
    signal(SIGPIPE, SIG_DFL);  // as a shell starts it; ignoring is inherited
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    close(in[0]), close(in[1]), close(out[1]);
    if (out[0] >= 0) close(out[0]);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]), close(out[1]);
  impl_->input = in[1];
  impl_->output = out[0];
  fcntl(impl_->input, F_SETFL, O_NONBLOCK);
}

Child::~Child() {
  if (impl_->input >= 0) close(impl_->input);
  if (impl_->output >= 0) close(impl_->output);
  if (impl_->pid > 0 && !impl_->finished)
    kill(impl_->pid, SIGKILL), waitpid(impl_->pid, nullptr, 0);
}

void Child::type(const std::string& text, bool end, std::chrono::seconds limit) {
  Impl& c = *impl_;
  std::size_t sent = 0;
  const auto deadline = Clock::now() + limit;
  while (sent < text.size() && Clock::now() < deadline) {
    pollfd p[2] = {{c.input, POLLOUT, 0}, {c.output, POLLIN, 0}};
    if (poll(p, c.output >= 0 ? 2 : 1, 100) <= 0) continue;
    if (p[0].revents & (POLLERR | POLLHUP)) break;  // the child has ended
    if (p[0].revents & POLLOUT) {
      const ssize_t n = write(c.input, text.data() + sent, text.size() - sent);
      if (n > 0) sent += static_cast<std::size_t>(n);
    }
    if (c.output >= 0 && (p[1].revents & (POLLIN | POLLHUP))) c.drain(output);
  }
  if (end) close(c.input), c.input = -1;
}

bool Child::awaitTail(const std::string& tail) {
  const auto endsWithTail = [&] { return endsWith(output, tail); };
  const auto deadline = Clock::now() + patience;
  while (!endsWithTail() && Clock::now() < deadline) {
    pollfd p{impl_->output, POLLIN, 0};
    if (poll(&p, 1, 100) > 0 && !impl_->drain(output)) break;
  }
  return endsWithTail();
}

int Child::finish() {
  while (impl_->output >= 0 && impl_->drain(output)) {
  }
  waitpid(impl_->pid, &impl_->status, 0);
  impl_->finished = true;
  return WIFEXITED(impl_->status) ? WEXITSTATUS(impl_->status) : -1;
}

std::string consoleText(std::string_view text) {
  return std::string(text);
}

void keepHistoryIn(const std::string& folder) {
  const std::string to = folder.empty() ? ownHistoryFolder() : folder;
  setenv("XDG_STATE_HOME", to.c_str(), 1);
}
