// What one run of the collection options does to each file that it sets,
// and how it reports it; --show's files are in run_show.cpp.
#include "collection/run.h"

#include <algorithm>

#include "collection/history.h"
#include "collection/messages.h"
#include "image/block_transaction.h"
#include "listing/rows.h"
#include "listing/text.h"
#include "platform/places.h"

namespace {

// A file's identity as the system gave it; the default one names no file.
bool known(const FileIdentity& identity) {
  return identity.volume != 0 || identity.index != 0;
}

}  // namespace

Run::Run(const RunOptions& options, SoundImage& image, OutputSink& out, OutputSink& errors,
         FileAccess& files)
    : options_(options),
      image_(image),
      files_(files),
      workers_(options.jobs == 0 ? kJobs : options.jobs),
      inFlight_(options.jobs > 1),
      // Reports of --set and --apply go out a line at a time, whatever the
      // output: a run stopped halfway must have said what it wrote.
      report_(out, errors, options.action == RunOptions::Action::Show && out.takesBlocks()),
      journal_(files, options.dryRun),
      headed_(options.format != ShowFormat::Table) {
  FileIdentity output;
  if (out.fileIdentity(output)) protect(output);
  if (errors.fileIdentity(output)) protect(output);
}

Run::~Run() {
  // Files still in flight, when the run stopped, end before their slots go.
  try {
    workers_.wait();
  } catch (...) {
  }
}

void Run::protect(const FileIdentity& own) {
  if (known(own)) own_.push_back(own);
}

void Run::watch(std::chrono::steady_clock::time_point started) {
  if (options_.jobs != 0 || watched_ >= kWatched) return;
  waited_ += std::chrono::steady_clock::now() - started;
  if (++watched_ == kWatched) inFlight_ = waited_ > kWatched * kWaiting;
}

SoundImage& Run::imageOf(std::size_t worker) {
  if (worker == 0) return image_;
  std::lock_guard<std::mutex> lock(telling_);
  if (images_.size() < worker) images_.resize(worker);
  if (images_[worker - 1] == nullptr) images_[worker - 1] = std::make_unique<SoundImage>();
  return *images_[worker - 1];
}

bool Run::file(FoundFile&& file, const Change& change) {
  {
    std::lock_guard<std::mutex> lock(telling_);
    report_.tick();
  }
  if (options_.action == RunOptions::Action::Show) return show(std::move(file));
  // One file at a time and no journal: each file is written as it comes.
  if (!journal_.active() && !inFlight_) {
    const auto started = std::chrono::steady_clock::now();
    Pending pending(std::move(file), change);
    prepare(pending, image_);
    watch(started);
    take(pending);
    settle(pending);
    return tell(pending);
  }
  // With a journal a file's row reaches the disk before its block: the
  // rows of a batch are written and synced together, then their blocks.
  // Files in flight are read side by side, and written side by side once
  // the batch is decided.
  const OpenFolder* folder = file.folder.get();
  if (folder != nullptr && (batch_.empty() || batch_.back()->file.folder.get() != folder)) {
    ++batchFolders_;
  }
  batch_.push_back(std::make_unique<Pending>(std::move(file), change));
  Pending& pending = *batch_.back();
  if (inFlight_) {
    workers_.run([this, &pending](std::size_t worker) { prepare(pending, imageOf(worker)); });
  } else {
    const auto started = std::chrono::steady_clock::now();
    prepare(pending, image_);
    watch(started);
  }
  return (batch_.size() < kBatch && batchFolders_ < kBatchFolders) || flush();
}

void Run::prepare(Pending& pending, SoundImage& image) const {
  // The run's own journal, found by a pattern, is no sound data; a dry run
  // has none, and knows the --undo listing by its name.
  if (!options_.undo.empty() && options_.dryRun && samePath(pending.file.name, options_.undo)) {
    pending.journal = true;
    return;
  }
  pending.problem = load(pending.file, image, &pending.journal);
  if (!pending.problem.empty() || pending.journal) return;
  pending.identity = image.identity();
  pending.loaded = image.block();
  pending.matches = meetsAll(options_.conditions, pending.loaded);
  // The file --copy-from read is already as asked, mark or none.
  if (!pending.matches || (known(reference_) && pending.identity.sameFile(reference_))) return;
  // Only to pass over a file already so without opening it for writing:
  // the block that is written is decided under the lock (decideAndWrite).
  pending.changes = changedBlock(pending.change, pending.loaded) != pending.loaded ||
                    changedSince(pending.change, pending.loaded);
}

void Run::take(Pending& pending) {
  if (!pending.problem.empty() || pending.journal) return;
  // Another name of a file taken already (given twice, or a hard link):
  // the file was decided once, under its first name.
  const auto [taken, first] = taken_.emplace(
      std::make_pair(pending.identity.volume, pending.identity.index), pending.matches);
  if (first) return;
  pending.again = true;
  pending.changes = false;
  pending.matches = taken->second;
}

void Run::settle(Pending& pending) {
  if (!pending.changes) return;
  if (journalError_ != 0) {
    pending.journalStop = true;
    return;
  }
  pending.written = decideAndWrite(pending, pending.report);
  std::lock_guard<std::mutex> lock(journaling_);
  // On the disk at once: after a power cut the old row would put its bytes
  // into whatever file holds the name now.
  if (pending.rowed && !pending.writeTried && journalError_ == 0) {
    journal_.withdraw(pending.file.name);
    journalError_ = journal_.sync();
  }
  if (journalError_ != 0 && !pending.writeTried) pending.journalStop = true;
}

bool Run::tell(Pending& pending) {
  std::lock_guard<std::mutex> lock(telling_);
  const std::string& name = pending.file.name;
  if (pending.journal) {
    --report_.counts().listed;
    return true;
  }
  if (!pending.problem.empty()) return report_.fileFailed(name, pending.problem);
  if (pending.journalStop) return journalFailed(name);
  if (pending.changes && !pending.written) {
    const bool opening = pending.written.failed == FileResult::Step::Open;
    return report_.fileFailed(
        name, (opening ? "cannot open for writing: " : "") + reason(pending.written));
  }
  // Not meeting the conditions, as loaded or under the lock: no line.
  if (!pending.matches) {
    ++report_.counts().notMatching;
    return true;
  }
  const std::string& changes = pending.report;
  ++(changes.empty() ? report_.counts().unchanged : report_.counts().changed);
  const std::string line = printable(name) + ": " +
                           (pending.again     ? "the same file as an earlier name; taken once"
                            : changes.empty() ? "unchanged"
                                              : changes);
  return saidOne_ = report_.put(line, line);
}

FileResult Run::decideAndWrite(Pending& pending, std::string& report) {
  BlockTransaction file(files_);
  FileResult result = file.open(pending.file.in(), pending.file.opened(), OpenMode::UpdateRegular);
  if (!result) return result;
  // It must be the file the load read, and still hold the whole block.
  if (!file.identity().sameFile(pending.identity)) return {FileResult::Step::Replaced, 0};
  if (file.identity().size < SettingsBlock::End) return {FileResult::Step::Shrunk, 0};
  SoundImage::Block now{};
  if (!(result = file.lock()) || !(result = file.read(now))) return result;
  if (file.unlocked()) {
    std::lock_guard<std::mutex> lock(telling_);
    report_.warnOnce(pending.file.name,
                     "its file system keeps no locks: a change another program makes at the "
                     "same moment may be lost");
  }
  // A file that no longer meets the conditions is left as it is, and so
  // is one changed since the run that is given back.
  if (!(pending.matches = meetsAll(options_.conditions, now))) return {};
  if (changedSince(pending.change, now)) return {FileResult::Step::Changed, 0};
  const SoundImage::Block wanted = changedBlock(pending.change, now);
  report = changeReport(pending.change, now, wanted);
  if (report.empty()) return {};
  // Another program changed the block since its row was written: a new
  // row, synced before the write, holds the block this write replaces.
  if (journal_.active() && now != pending.loaded) {
    std::lock_guard<std::mutex> lock(journaling_);
    journal_.addAgain(pending.file.name, now, wanted);
    if ((journalError_ = journal_.sync()) != 0) return {};
  }
  if (journalError_ != 0 || outputDead_) return {};
  // From here on the block may be on the disk, whatever the write says; a
  // dry run keeps the row it would keep.
  pending.writeTried = true;
  if (options_.dryRun) return {};
  wroteAny_ = true;
  return file.write(wanted);
}

bool Run::flush() {
  std::vector<std::unique_ptr<Pending>> batch = std::move(batch_);
  batch_.clear();
  batchFolders_ = 0;
  workers_.wait();
  for (const auto& p : batch) take(*p);
  std::size_t first = 0;
  while (first < batch.size() && !batch[first]->changes) ++first;
  for (std::size_t i = first; i < batch.size(); ++i) {
    Pending& p = *batch[i];
    if (p.changes && journal_.active()) {
      p.rowed = journal_.add(p.file.name, p.identity, p.loaded, changedBlock(p.change, p.loaded));
    }
  }
  if (first < batch.size() && journal_.active()) journalError_ = journal_.sync();
  if (!inFlight_) {
    // One at a time, each file's line as soon as it is written.
    for (const auto& p : batch) {
      settle(*p);
      if (!tell(*p)) return false;
    }
    return true;
  }
  // Until a line has gone out, one file at a time: an output that is dead
  // from the start stops the run after its first file, as it always did.
  std::size_t next = 0;
  for (; next < batch.size() && !saidOne_; ++next) {
    settle(*batch[next]);
    if (!tell(*batch[next])) return false;
  }
  for (std::size_t i = next; i < batch.size(); ++i) {
    Pending& pending = *batch[i];
    workers_.run([this, &pending](std::size_t /*worker*/) {
      // Settled, or failed on its way (the exception reaches wait()): the
      // lines wait for it either way.
      const auto done = [&](bool threw) {
        const std::lock_guard<std::mutex> lock(telling_);
        pending.settled = true;
        pending.threw = threw;
        told_.notify_all();
      };
      try {
        settle(pending);
      } catch (...) {
        done(true);
        throw;
      }
      done(false);
    });
  }
  // Each line as soon as its file and those before it are done: once the
  // output fails, no file that has not begun its write is written.
  bool going = true;
  for (std::size_t i = next; i < batch.size() && going; ++i) {
    {
      std::unique_lock<std::mutex> lock(telling_);
      told_.wait(lock, [&] { return batch[i]->settled; });
    }
    if (batch[i]->threw) break;
    going = tell(*batch[i]);
  }
  if (!going) outputDead_ = true;
  workers_.wait();
  return going;
}

bool Run::journalFailed(const std::string& name) {
  // Its first row could not be kept: the run wrote nothing, and refuses as
  // it would had the history been seen to be full before it began.
  if (journal_.historyRefused()) {
    report_.refused(journal_.failedPath() + ": " + systemWords(journalError_) +
                    "; --no-history edits without a history");
    return false;
  }
  report_.failed(journal_.failedPath(),
                 systemWords(journalError_) + "; stopped before writing " + printable(name));
  return false;
}

bool Run::journalRefused(const std::string& path, int error) {
  failed(path, error == FileError::Exists ? "exists already; --undo writes a new file"
                                          : systemWords(error));
  return false;
}

bool Run::checkUndo() {
  if (options_.undo.empty()) return true;
  const int error = files_.canCreate(options_.undo.c_str());
  return error == 0 || journalRefused(options_.undo, error);
}

bool Run::startJournal() {
  if (!options_.undo.empty()) {
    if (const int error = journal_.createUndo(options_.undo)) {
      return journalRefused(options_.undo, error);
    }
  }
  const bool writes = options_.action != RunOptions::Action::Show;
  if (!options_.history || !writes) return true;
  // The history must never be silently missing: a run that could not keep
  // it touches nothing. Its journal is made with the first row.
  std::string problem;
  std::uint64_t free = 0;
  if (!History::check(problem, free)) {
    report_.failedLine(problem + "; --no-history edits without a history");
    return false;
  }
  std::string folder;
  if (options_.dryRun && History::folder(folder, problem)) journal_.countHistory(folder, free);
  if (!options_.dryRun) journal_.keepHistory(options_.commandLine);
  return true;
}

bool Run::start() {
  const bool csv =
      options_.action == RunOptions::Action::Show && options_.format == ShowFormat::Csv;
  return !csv || report_.put(showHeading(ShowFormat::Csv), "");
}

int Run::finish() {
  if (options_.action == RunOptions::Action::Show) drainShown();
  if (!batch_.empty()) flush();
  batch_.clear();
  if (const int error = journal_.finish(wroteAny_)) {
    failed(journal_.failedPath(), systemWords(error));
  }
  return report_.finish(options_.dryRun);
}

std::string Run::load(const FoundFile& file, SoundImage& image, bool* journal) const {
  const FileResult loaded =
      image.load(file.in(), file.opened(), files_, SettingsBlock::End, OpenMode::ReadRegular);
  if (!loaded) return reason(loaded);
  if (journal != nullptr && (*journal = journal_.is(image.identity()))) return "";
  // A pattern may find the run's own output or undo listing, growing as
  // the run goes: never take them for sound data, let alone write them.
  const FileIdentity& identity = image.identity();
  const bool own = std::any_of(own_.begin(), own_.end(),
                               [&](const FileIdentity& o) { return identity.sameFile(o); });
  if (own) return "written by this run; left as it is";
  if (image.length < SettingsBlock::End) {
    return std::to_string(image.length) + (image.length == 1 ? " byte" : " bytes") +
           ", too short to hold the settings block (" + std::to_string(SettingsBlock::End) +
           " bytes)";
  }
  return "";
}
