// What a run of the collection options tells: its result lines on standard
// output, its problem lines on standard error, the progress and the count
// on a terminal, and the exit status they add up to.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "collection/progress.h"
#include "platform/console.h"

class RunReport {
 public:
  /// `heldInBlocks`: result lines go out in blocks (--show into a file or
  /// the null device) rather than a line at a time.
  RunReport(OutputSink& out, OutputSink& errors, bool heldInBlocks);

  /// Puts out one result line; false when it could not be written, with
  /// one line on standard error saying so (but for a reader that has gone)
  /// and which report was lost.
  bool put(const std::string& line, std::string_view lostReport);
  /// Reports a problem of `what` (a file, an argument) on standard error;
  /// the run goes on, and ends with status 1. Returns true.
  bool failed(std::string_view what, std::string_view problem);
  /// As failed(), with the line's text after the program's name given whole.
  void failedLine(std::string_view text);
  /// As failedLine(), and the run ends with status 2: it could not begin.
  void refused(std::string_view text);
  /// As failed(), for a file, which is counted as failed.
  bool fileFailed(std::string_view name, std::string_view problem);
  /// As failed(), once a run, and without making the status 1: a warning.
  void warnOnce(std::string_view what, std::string_view problem);
  /// The files so far, by what became of them.
  FileCounts& counts() { return counts_; }
  /// Counts a file taken, showing the progress if it is time to.
  void tick();
  /// Hands over what is held of the output, ends the progress with the
  /// count (`dryRun` words the changes as ones to make); the status.
  int finish(bool dryRun);
  int status() const { return status_; }

 private:
  // Says that standard output failed with `error`; false.
  bool outputFailed(int error, std::string_view lostReport);

  OutputSink& out_;
  OutputSink& errors_;
  std::unique_ptr<Writer> held_;
  FileCounts counts_;
  Progress progress_;
  bool warned_ = false;
  int status_ = 0;
};
