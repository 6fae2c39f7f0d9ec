// A program in a child process, its standard input and output on pipes, as
// users' scripts and front-ends run the editor.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Child {
 public:
  /// How long a test waits on the child before calling it stuck. Generous:
  /// a slow machine under wine starts programs slowly.
  static constexpr std::chrono::seconds patience{60};

  /// Starts `program` with `args` (UTF-8) in the folder `cwd` (empty: ours).
  /// `keepOutput` false closes our end of its output at once, as a reader
  /// that went away would.
  Child(const std::string& program, const std::vector<std::string>& args, bool keepOutput = true,
        const std::string& cwd = "");
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  /// Feeds `text` to the child while collecting its output, then closes its
  /// input if `end`. Gives up after `limit`; on Windows, where a blocked
  /// write cannot be abandoned, by ending the child.
  void type(const std::string& text, bool end, std::chrono::seconds limit = patience);
  /// Waits until the output seen so far ends with `tail`; false after
  /// `patience` without it.
  bool awaitTail(const std::string& tail);
  /// Reads the rest of the output and waits for the exit; returns the exit
  /// status, or -1 when the child did not exit by itself (a signal).
  int finish();

  /// Everything the child wrote so far.
  std::string output;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// Points the history of every later run, in this program and the programs
/// it starts, to `folder`: XDG_STATE_HOME, or LOCALAPPDATA on Windows; ""
/// gives back the tests' own, never the user's.
void keepHistoryIn(const std::string& folder);

/// `text` with its line ends as a console program writes them on this
/// system: CR LF on Windows, LF elsewhere.
std::string consoleText(std::string_view text);
