// What one run of the collection options does to each file, and how it
// reports it.
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
      // Reports of --set and --apply go out a line at a time, whatever the
      // output: a run stopped halfway must have said what it wrote.
      report_(out, errors, options.action == RunOptions::Action::Show && out.takesBlocks()),
      journal_(files, options.dryRun),
      headed_(options.format != ShowFormat::Table) {
  FileIdentity output;
  if (out.fileIdentity(output)) protect(output);
  if (errors.fileIdentity(output)) protect(output);
}

void Run::protect(const FileIdentity& own) {
  if (known(own)) own_.push_back(own);
}

bool Run::file(FoundFile&& file, const Change& change) {
  report_.tick();
  if (options_.action == RunOptions::Action::Show) return show(file);
  // With a journal a file's row reaches the disk before its block: the
  // rows of a batch are written and synced together, then their blocks.
  if (journal_.active()) {
    const OpenFolder* folder = file.folder.get();
    if (folder != nullptr && (batch_.empty() || batch_.back().file.folder.get() != folder)) {
      ++batchFolders_;
    }
    batch_.push_back(prepare(std::move(file), change));
    return (batch_.size() < kBatch && batchFolders_ < kBatchFolders) || flush();
  }
  Pending pending = prepare(std::move(file), change);
  return complete(pending);
}

bool Run::show(const FoundFile& file) {
  const std::string problem = load(file);
  if (!problem.empty()) return report_.fileFailed(file.name, problem);
  // A condition is tested on the bytes read already: no system call.
  if (!meetsAll(options_.conditions, image_.block())) {
    ++report_.counts().notMatching;
    return true;
  }
  if (!headed_) {
    headed_ = true;
    if (!report_.put(showHeading(options_.format), "")) return false;
  }
  if (!report_.put(showRow(options_.format, image_, file.name), "")) return false;
  ++report_.counts().shown;
  return true;
}

Run::Pending Run::prepare(FoundFile&& file, const Change& change) {
  Pending pending{std::move(file), change, "", {}, {}};
  // The run's own journal, found by a pattern, is no sound data; a dry run
  // has none, and knows the --undo listing by its name.
  if (!options_.undo.empty() && options_.dryRun &&
      wholePath(pending.file.name) == wholePath(options_.undo)) {
    pending.journal = true;
    return pending;
  }
  pending.problem = load(pending.file, &pending.journal);
  if (!pending.problem.empty() || pending.journal) return pending;
  pending.identity = image_.identity();
  pending.loaded = image_.block();
  pending.matches = meetsAll(options_.conditions, pending.loaded);
  // Another name of a file taken already (given twice, or a hard link):
  // the file was decided once, under its first name.
  const auto [taken, first] = taken_.emplace(
      std::make_pair(pending.identity.volume, pending.identity.index), pending.matches);
  if (!first) {
    pending.again = true;
    pending.matches = taken->second;
    return pending;
  }
  // The file --copy-from read is already as asked, mark or none.
  if (!pending.matches || (known(reference_) && pending.identity.sameFile(reference_))) {
    return pending;
  }
  // Only to pass over a file already so without opening it for writing:
  // the block that is written is decided under the lock (update).
  pending.changes = changedBlock(change, pending.loaded) != pending.loaded ||
                    changedSince(change, pending.loaded);
  return pending;
}

bool Run::complete(Pending& pending) {
  const std::string& name = pending.file.name;
  if (pending.journal) {
    --report_.counts().listed;
    return true;
  }
  if (!pending.problem.empty()) return report_.fileFailed(name, pending.problem);
  std::string changes;
  if (pending.changes) {
    const FileResult written = update(pending, changes);
    if (journalError_ != 0) return journalFailed(name);
    if (!written) {
      const bool opening = written.failed == FileResult::Step::Open;
      return report_.fileFailed(name,
                                (opening ? "cannot open for writing: " : "") + reason(written));
    }
  }
  // Not meeting the conditions, as loaded or under the lock: no line.
  if (!pending.matches) {
    ++report_.counts().notMatching;
    return true;
  }
  ++(changes.empty() ? report_.counts().unchanged : report_.counts().changed);
  const std::string line = printable(name) + ": " + (changes.empty() ? "unchanged" : changes);
  return report_.put(line, line);
}

FileResult Run::update(Pending& pending, std::string& report) {
  const FileResult result = decideAndWrite(pending, report);
  // On the disk at once: after a power cut the old row would put its bytes
  // into whatever file holds the name now.
  if (pending.rowed && !pending.writeTried && journalError_ == 0) {
    journal_.withdraw(pending.file.name);
    journalError_ = journal_.sync();
  }
  return result;
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
    journal_.addAgain(pending.file.name, now, wanted);
    if ((journalError_ = journal_.sync()) != 0) return {};
  }
  if (options_.dryRun) return {};
  // From here on the block may be on the disk, whatever the write says.
  pending.writeTried = wroteAny_ = true;
  return file.write(wanted);
}

bool Run::flush() {
  std::vector<Pending> batch = std::move(batch_);
  batch_.clear();
  batchFolders_ = 0;
  std::size_t first = 0;
  while (first < batch.size() && !batch[first].changes) ++first;
  for (std::size_t i = first; i < batch.size(); ++i) {
    Pending& p = batch[i];
    if (p.changes) {
      p.rowed = journal_.add(p.file.name, p.identity, p.loaded, changedBlock(p.change, p.loaded));
    }
  }
  if (first < batch.size()) journalError_ = journal_.sync();
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (i == first && journalError_ != 0) return journalFailed(batch[i].file.name);
    if (!complete(batch[i])) return false;
  }
  return true;
}

bool Run::journalFailed(const std::string& name) {
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
  if (!History::check(problem)) {
    report_.failedLine(problem + "; --no-history edits without a history");
    return false;
  }
  if (!options_.dryRun) journal_.keepHistory(options_.commandLine);
  return true;
}

bool Run::start() {
  const bool csv =
      options_.action == RunOptions::Action::Show && options_.format == ShowFormat::Csv;
  return !csv || report_.put(showHeading(ShowFormat::Csv), "");
}

int Run::finish() {
  if (!batch_.empty()) flush();
  batch_.clear();
  if (const int error = journal_.finish(wroteAny_)) {
    failed(journal_.failedPath(), systemWords(error));
  }
  return report_.finish(options_.dryRun);
}

std::string Run::load(const FoundFile& file, bool* journal) {
  const FileResult loaded =
      image_.load(file.in(), file.opened(), files_, SettingsBlock::End, OpenMode::ReadRegular);
  if (!loaded) return reason(loaded);
  if (journal != nullptr && (*journal = journal_.is(image_.identity()))) return "";
  // A pattern may find the run's own output or undo listing, growing as
  // the run goes: never take them for sound data, let alone write them.
  const FileIdentity& identity = image_.identity();
  const bool own = std::any_of(own_.begin(), own_.end(),
                               [&](const FileIdentity& o) { return identity.sameFile(o); });
  if (own) return "written by this run; left as it is";
  if (image_.length < SettingsBlock::End) {
    return std::to_string(image_.length) + (image_.length == 1 ? " byte" : " bytes") +
           ", too short to hold the settings block (" + std::to_string(SettingsBlock::End) +
           " bytes)";
  }
  return "";
}
