// The progress line and the count at the end of a run.
#include "collection/progress.h"

#include "collection/messages.h"

namespace {

std::string files(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " file" : " files");
}

void addCount(std::string& line, std::size_t n, const char* what) {
  if (n == 0) return;
  line += line.back() == ':' ? " " : ", ";
  line += std::to_string(n) + " " + what;
}

}  // namespace

Progress::Progress(OutputSink& errors, const OutputSink& out, std::chrono::milliseconds every)
    : errors_(errors),
      summary_(errors.isTerminal()),
      line_(errors.isTerminal() && out.takesBlocks()),
      every_(every) {}

void Progress::tick(const FileCounts& counts) {
  if (!line_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - last_ < every_) return;
  last_ = now;
  drawn_ = true;
  // Short, so that it never wraps in a narrow window and \r can take it away.
  const std::string line = files(counts.listed) + " so far";
  width_ = line.size();
  const std::string text = "\r" + line;
  errors_.write(text.data(), text.size());
}

void Progress::clear() {
  if (width_ == 0) return;
  const std::string blank = "\r" + std::string(width_, ' ') + "\r";
  width_ = 0;
  errors_.write(blank.data(), blank.size());
}

void Progress::end(const FileCounts& counts, bool dryRun) {
  clear();
  if (!summary_) return;
  std::string line = std::string(kProgram) + ": " + files(counts.listed);
  if (counts.listed > 0) line += ":";
  addCount(line, counts.shown, "shown");
  addCount(line, counts.changed, dryRun ? "to change" : "changed");
  addCount(line, counts.unchanged, "unchanged");
  addCount(line, counts.notMatching, "not matching");
  addCount(line, counts.failed, "failed");
  putLine(errors_, line);
}
