// The lines, the progress and the status of a run.
#include "collection/run_report.h"

#include <algorithm>

#include "collection/messages.h"

RunReport::RunReport(OutputSink& out, OutputSink& errors, bool heldInBlocks)
    : out_(out), errors_(errors), progress_(errors, out) {
  if (heldInBlocks) held_ = std::make_unique<Writer>(out);
}

bool RunReport::put(const std::string& line, std::string_view lostReport) {
  if (held_ != nullptr) {
    held_->put(line);
    held_->put("\n");
    const int error = held_->error();
    return error == 0 || outputFailed(error, lostReport);
  }
  const int error = putLine(out_, line);
  return error == 0 || outputFailed(error, lostReport);
}

bool RunReport::failed(std::string_view what, std::string_view problem) {
  progress_.clear();
  putLine(errors_, problemLine(what, problem));
  status_ = std::max(status_, 1);
  return true;
}

void RunReport::failedLine(std::string_view text) {
  progress_.clear();
  putLine(errors_, std::string(kProgram) + ": " + std::string(text));
  status_ = std::max(status_, 1);
}

void RunReport::refused(std::string_view text) {
  failedLine(text);
  status_ = 2;
}

bool RunReport::fileFailed(std::string_view name, std::string_view problem) {
  ++counts_.failed;
  return failed(name, problem);
}

void RunReport::warnOnce(std::string_view what, std::string_view problem) {
  if (warned_) return;
  warned_ = true;
  progress_.clear();
  putLine(errors_, problemLine(what, problem));
}

void RunReport::tick() {
  ++counts_.listed;
  progress_.tick(counts_);
}

int RunReport::finish(bool dryRun) {
  if (held_ != nullptr) {
    if (const int error = held_->flush()) outputFailed(error, "");
    held_.reset();
  }
  progress_.end(counts_, dryRun);
  return status_;
}

bool RunReport::outputFailed(int error, std::string_view lostReport) {
  status_ = std::max(status_, 1);
  held_.reset();
  if (error == FileError::BrokenPipe) return false;
  std::string message = std::string(kProgram) + ": standard output: " + systemWords(error);
  if (!lostReport.empty()) message += "; lost the report " + std::string(lostReport);
  progress_.clear();
  putLine(errors_, message);
  return false;
}
