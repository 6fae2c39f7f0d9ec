// The built program, run as users and scripts run it: through pipes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support/files.h"

namespace {

using Clock = std::chrono::steady_clock;

// The editor in a child process, its standard input and output on pipes.
class Editor {
 public:
  /// Starts the editor; `keepOutput` false closes our end of its output at
  /// once, as a reader that went away would.
  explicit Editor(const std::vector<std::string>& args, bool keepOutput = true) {
    signal(SIGPIPE, SIG_IGN);  // the editor may end before taking all input
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) ADD_FAILURE() << "pipe";
    pid_ = fork();
    if (pid_ == 0) {
      signal(SIGPIPE, SIG_DFL);  // as a shell starts it; ignoring is inherited
      dup2(in[0], STDIN_FILENO);
      dup2(out[1], STDOUT_FILENO);
      close(in[0]), close(in[1]), close(out[0]), close(out[1]);
      std::vector<char*> argv{const_cast<char*>(EDITOR_BINARY)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(EDITOR_BINARY, argv.data());
      _exit(127);
    }
    close(in[0]), close(out[1]);
    input_ = in[1];
    output_ = out[0];
    fcntl(input_, F_SETFL, O_NONBLOCK);
    if (!keepOutput) close(output_), output_ = -1;
  }

  ~Editor() {
    if (input_ >= 0) close(input_);
    if (output_ >= 0) close(output_);
    if (pid_ > 0 && status_ < 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
  }

  /// Feeds `text` to the editor while collecting its output, then closes its
  /// input if `end`. Gives up after `limit`.
  void type(const std::string& text, bool end,
            std::chrono::seconds limit = std::chrono::seconds(60)) {
    std::size_t sent = 0;
    const auto deadline = Clock::now() + limit;
    while (sent < text.size() && Clock::now() < deadline) {
      pollfd p[2] = {{input_, POLLOUT, 0}, {output_, POLLIN, 0}};
      if (poll(p, output_ >= 0 ? 2 : 1, 100) <= 0) continue;
      if (p[0].revents & (POLLERR | POLLHUP)) break;  // the editor has ended
      if (p[0].revents & POLLOUT) {
        const ssize_t n = write(input_, text.data() + sent, text.size() - sent);
        if (n > 0) sent += static_cast<std::size_t>(n);
      }
      if (output_ >= 0 && (p[1].revents & (POLLIN | POLLHUP))) drain();
    }
    if (end) close(input_), input_ = -1;
  }

  /// Waits until the output seen so far ends with `tail`; false on timeout.
  bool awaitTail(const std::string& tail) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!endsWith(tail) && Clock::now() < deadline) {
      pollfd p{output_, POLLIN, 0};
      if (poll(&p, 1, 100) > 0 && !drain()) break;
    }
    return endsWith(tail);
  }

  /// Reads the rest of the output and waits for the exit; returns the status
  /// as waitpid gives it.
  int finish() {
    while (output_ >= 0 && drain()) {
    }
    waitpid(pid_, &status_, 0);
    return status_;
  }

  std::string output;

 private:
  bool endsWith(const std::string& tail) const {
    return output.size() >= tail.size() &&
           output.compare(output.size() - tail.size(), tail.size(), tail) == 0;
  }

  // Reads what is there; false at the end of the output.
  bool drain() {
    char buffer[65536];
    const ssize_t n = read(output_, buffer, sizeof buffer);
    if (n <= 0) return false;
    output.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  int status_ = -1;
};

bool exitedWithZero(int status) {
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The bundled demo file, copied so the checkout stays as it is.
std::string copyOfDemo(const TempDir& dir) {
  const std::string path = dir.path("demo.dat");
  std::filesystem::copy_file(DEMO_FILE, path);
  return path;
}

const char kDemoMenu[] =
    "1.TimerA             .. Enable\n"
    "2.TimerB             .. Disable\n"
    "3.LimitTime          .. 300\n"
    "4.Fadeout DriverMode .. Enable\n"
    "5.2203 GraphicECMode .. Disable\n"
    "6.LimitEnd Flag      .. Enable\n"
    "8.Save End\n"
    "9.Exit\n"
    "cmd ..";

TEST(Program, MessagesAndStatusForEachWayOfEnding) {
  TempDir dir;
  const std::string demo = copyOfDemo(dir);
  const Bytes original = readFile(demo);
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string output;
  } cases[] = {
      {"no path", {}, "9\n", "req ym2608 sound data.\n"},
      {"two paths", {demo, demo}, "8\n", "req ym2608 sound data.\n"},
      {"missing file", {dir.path("missing.dat")}, "8\n", "file load error.\n"},
      {"exit", {demo}, "9\n", std::string(kDemoMenu) + "exit!\n"},
      {"end of input", {demo}, "", std::string(kDemoMenu) + "exit!\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Editor editor(c.args);
    editor.type(c.input, true);
    EXPECT_TRUE(exitedWithZero(editor.finish()));
    EXPECT_EQ(editor.output, c.output);
  }
  EXPECT_EQ(readFile(demo), original);
}

TEST(Program, ScriptedEditIsWrittenInPlace) {
  TempDir dir;
  const std::string demo = copyOfDemo(dir);
  Bytes expected = readFile(demo);
  ASSERT_EQ(expected.size(), 2048u);
  expected[0x389] ^= 0x01;  // TimerA off
  expected[0x38A] = 120;    // LimitTime 120, little-endian
  expected[0x38B] = 0;
  expected[0x38E] = 0x55;  // SaveMark
  expected[0x38F] = 0xAA;

  Editor editor({demo});
  editor.type("1 3 120 8", true);
  EXPECT_TRUE(exitedWithZero(editor.finish()));
  EXPECT_EQ(editor.output.substr(editor.output.size() - 10), "save end!\n");
  EXPECT_EQ(readFile(demo), expected);
}

TEST(Program, SavesEvenWhenNobodyReadsTheOutput) {
  TempDir dir;
  const std::string demo = copyOfDemo(dir);
  Editor editor({demo}, /*keepOutput=*/false);
  editor.type("3 120 8", true);
  EXPECT_TRUE(exitedWithZero(editor.finish()));
  const Bytes saved = readFile(demo);
  EXPECT_EQ(saved[0x38A], 120);
  EXPECT_EQ(saved[0x38E], 0x55);
}

// A front-end waits for each prompt before it answers: the prompt must reach
// the pipe while the editor waits, not when it ends.
TEST(Program, PromptsReachAPipeBeforeTheEditorWaits) {
  TempDir dir;
  Editor editor({copyOfDemo(dir)});
  ASSERT_TRUE(editor.awaitTail("cmd ..")) << editor.output;
  EXPECT_EQ(editor.output, kDemoMenu);
  editor.type("3\n", false);
  ASSERT_TRUE(editor.awaitTail("time ? ")) << editor.output;
  editor.type("77\n", false);
  ASSERT_TRUE(
      editor.awaitTail("3.LimitTime          .. 77\n4.Fadeout DriverMode .. Enable\n"
                       "5.2203 GraphicECMode .. Disable\n6.LimitEnd Flag      .. Enable\n"
                       "8.Save End\n9.Exit\ncmd .."))
      << editor.output;
  editor.type("9\n", false);
  EXPECT_TRUE(exitedWithZero(editor.finish()));
  EXPECT_EQ(editor.output.substr(editor.output.size() - 6), "exit!\n");
}

TEST(Program, LongScriptRunsToTheEnd) {
  TempDir dir;
  const std::string demo = copyOfDemo(dir);
  std::string script;
  for (int i = 0; i < 100000; ++i) script += "1 2\n";
  script += "1 8\n";

  Editor editor({demo});
  editor.type(script, true);
  EXPECT_TRUE(exitedWithZero(editor.finish()));
  // One menu per command read, each at least 150 bytes, then the message.
  EXPECT_GT(editor.output.size(), 200002u * 150);
  EXPECT_EQ(editor.output.substr(editor.output.size() - 10), "save end!\n");
  EXPECT_EQ(readFile(demo)[0x389] & 0x03, 0x00);  // TimerA flipped an odd number of times
}

}  // namespace
