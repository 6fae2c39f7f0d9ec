// --show's files: read at once, or with files in flight side by side, each
// line put out as soon as it and every line before it are known.
#include "collection/condition.h"
#include "collection/run.h"
#include "listing/rows.h"

bool Run::show(FoundFile&& file) {
  if (!inFlight_) {
    const auto started = std::chrono::steady_clock::now();
    Shown shown(std::move(file));
    look(shown, image_);
    watch(started);
    std::lock_guard<std::mutex> lock(telling_);
    return tellShown(shown);
  }
  std::unique_lock<std::mutex> lock(telling_);
  if (stopped_) return false;
  shown_.push_back(std::make_unique<Shown>(std::move(file)));
  Shown& shown = *shown_.back();
  lock.unlock();
  workers_.run([this, &shown](std::size_t worker) {
    look(shown, imageOf(worker));
    // Whoever finishes the first file in flight puts out its line, and the
    // lines of those after it that are done.
    std::lock_guard<std::mutex> told(telling_);
    shown.done = true;
    tellShown();
    told_.notify_all();
  });
  // Twice as many in flight as workers: memory stays a few files' worth.
  lock.lock();
  told_.wait(lock, [this] { return shown_.size() < 2 * workers_.count() || stopped_; });
  return !stopped_;
}

void Run::look(Shown& shown, SoundImage& image) const {
  shown.problem = load(shown.file, image);
  // A condition is tested on the bytes read already: no system call.
  if (!shown.problem.empty() || !meetsAll(options_.conditions, image.block())) return;
  shown.row = showRow(options_.format, image, shown.file.name);
}

bool Run::tellShown() {
  while (!shown_.empty() && shown_.front()->done) {
    // After the output failed the rest is dropped.
    if (!stopped_ && !tellShown(*shown_.front())) stopped_ = true;
    shown_.pop_front();
  }
  return !stopped_;
}

bool Run::tellShown(const Shown& shown) {
  if (!shown.problem.empty()) {
    return shown.ofFile ? report_.fileFailed(shown.file.name, shown.problem)
                        : report_.failed(shown.file.name, shown.problem);
  }
  if (shown.row.empty()) {
    ++report_.counts().notMatching;
    return true;
  }
  if (!headed_) {
    headed_ = true;
    if (!report_.put(showHeading(options_.format), "")) return false;
  }
  if (!report_.put(shown.row, "")) return false;
  ++report_.counts().shown;
  return true;
}

bool Run::drainShown() {
  std::unique_lock<std::mutex> lock(telling_);
  told_.wait(lock, [this] { return shown_.empty(); });
  return !stopped_;
}

bool Run::failed(std::string_view what, std::string_view problem) {
  std::lock_guard<std::mutex> lock(telling_);
  // With files in flight, a problem waits for the lines of the files
  // before it, as it would wait one file at a time.
  if (!shown_.empty()) {
    auto said = std::make_unique<Shown>(FoundFile{std::string(what), nullptr, ""});
    said->problem = problem;
    said->done = true;
    said->ofFile = false;
    shown_.push_back(std::move(said));
    tellShown();
    return true;
  }
  return report_.failed(what, problem);
}
