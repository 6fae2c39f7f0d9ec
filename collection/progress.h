// What a run tells a person at a terminal: a progress line while it goes,
// when its results go into a file, and a count of the files at the end.
// Standard error that is no terminal (a script, a pipe, a log) gets none of
// it: only the problem lines.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "platform/console.h"

/// The files of a run, by what became of them.
struct FileCounts {
  std::size_t listed = 0;
  std::size_t shown = 0;
  std::size_t changed = 0;
  std::size_t unchanged = 0;
  std::size_t notMatching = 0;
  std::size_t failed = 0;
};

class Progress {
 public:
  /// Writes to `errors` when it is a terminal: the count at the end, and a
  /// progress line, redrawn at most every `every`, while `out` is a file or
  /// the null device (a pipe's reader often writes to the same terminal).
  Progress(OutputSink& errors, const OutputSink& out,
           std::chrono::milliseconds every = std::chrono::milliseconds(250));
  /// Shows how far the run is, if it is time to.
  void tick(const FileCounts& counts);
  /// Takes the progress line away, before a problem line or the end.
  void clear();
  /// Ends the run with the count, the zero ones left out; `dryRun` words
  /// the changes as ones that would be made.
  void end(const FileCounts& counts, bool dryRun);

 private:
  OutputSink& errors_;
  bool summary_;
  bool line_;
  std::chrono::milliseconds every_;
  std::chrono::steady_clock::time_point last_{};
  bool drawn_ = false;
  std::size_t width_ = 0;  // of the line on screen
};
