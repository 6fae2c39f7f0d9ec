// What one run of the collection options does to each file, and how it
// reports it.
#include "collection/run.h"

#include <algorithm>

#include "collection/messages.h"
#include "image/block_transaction.h"
#include "listing/rows.h"
#include "listing/text.h"

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
      headed_(options.format != ShowFormat::Table) {
  FileIdentity output;
  if (out.fileIdentity(output)) protect(output);
}

void Run::protect(const FileIdentity& own) {
  if (known(own)) own_.push_back(own);
}

bool Run::file(FoundFile&& file, const Change& change) {
  report_.tick();
  if (options_.action == RunOptions::Action::Show) return show(file);
  // With --undo a file's row reaches the disk before its block: the rows
  // of a batch are written and synced together, then their blocks.
  if (undo_ != nullptr) {
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
  pending.problem = load(pending.file);
  if (!pending.problem.empty()) return pending;
  pending.identity = image_.identity();
  pending.loaded = image_.block();
  pending.matches = meetsAll(options_.conditions, pending.loaded);
  // The file --copy-from read is already as asked, mark or none.
  if (!pending.matches || (known(reference_) && pending.identity.sameFile(reference_))) {
    return pending;
  }
  // Only to pass over a file already so without opening it for writing:
  // the block that is written is decided under the lock (update).
  pending.changes = changedBlock(change, pending.loaded) != pending.loaded;
  return pending;
}

bool Run::complete(Pending& pending) {
  const std::string& name = pending.file.name;
  if (!pending.problem.empty()) return report_.fileFailed(name, pending.problem);
  std::string changes;
  if (pending.changes) {
    const FileResult written = update(pending, changes);
    if (undoError_ != 0) return undoFailed(name);
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
  if (pending.rowed && !pending.writeTried && undoError_ == 0) {
    undo_->withdraw(pending.file.name);
    undoError_ = undo_->sync();
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
  // A file that no longer meets the conditions is left as it is.
  if (!(pending.matches = meetsAll(options_.conditions, now))) return {};
  const SoundImage::Block wanted = changedBlock(pending.change, now);
  report = changeReport(pending.change, now, wanted);
  if (report.empty() || options_.dryRun) return {};
  // Another program changed the block since its row was written: a new
  // row, synced before the write, holds the block this write replaces.
  const auto key = std::make_pair(pending.identity.volume, pending.identity.index);
  if (undo_ != nullptr && now != pending.loaded && written_.count(key) == 0) {
    undo_->addAgain(pending.file.name, now);
    if ((undoError_ = undo_->sync()) != 0) return {};
  }
  pending.writeTried = true;
  result = file.write(wanted);
  written_.insert(key);
  return result;
}

bool Run::flush() {
  std::vector<Pending> batch = std::move(batch_);
  batch_.clear();
  batchFolders_ = 0;
  std::size_t first = 0;
  while (first < batch.size() && !batch[first].changes) ++first;
  for (std::size_t i = first; i < batch.size(); ++i) {
    if (batch[i].changes) {
      batch[i].rowed = undo_->add(batch[i].file.name, batch[i].identity, batch[i].loaded);
    }
  }
  if (first < batch.size()) undoError_ = undo_->sync();
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (i == first && undoError_ != 0) return undoFailed(batch[i].file.name);
    if (!complete(batch[i])) return false;
  }
  return true;
}

bool Run::undoFailed(const std::string& name) {
  report_.failed(options_.undo,
                 systemWords(undoError_) + "; stopped before writing " + printable(name));
  return false;
}

bool Run::checkUndo() {
  if (options_.undo.empty()) return true;
  const int error = files_.canCreate(options_.undo.c_str());
  if (error == 0) return true;
  failed(options_.undo, error == FileError::Exists ? "exists already; --undo writes a new file"
                                                   : systemWords(error));
  return false;
}

bool Run::startUndo() {
  if (options_.undo.empty()) return true;
  // Nothing is created in a dry run, but whatever would stop the real run
  // stops this.
  if (options_.dryRun) return checkUndo();
  undo_ = std::make_unique<UndoListing>(files_);
  const int error = undo_->create(options_.undo);
  if (error == 0) return true;
  failed(options_.undo, error == FileError::Exists ? "exists already; --undo writes a new file"
                                                   : systemWords(error));
  undo_.reset();
  return false;
}

bool Run::start() {
  const bool csv =
      options_.action == RunOptions::Action::Show && options_.format == ShowFormat::Csv;
  return !csv || report_.put(showHeading(ShowFormat::Csv), "");
}

int Run::finish() {
  if (!batch_.empty()) flush();
  batch_.clear();
  if (undo_ != nullptr) {
    if (const int error = undo_->finish()) failed(options_.undo, systemWords(error));
    undo_.reset();
  }
  return report_.finish(options_.dryRun);
}

std::string Run::load(const FoundFile& file) {
  const FileResult loaded =
      image_.load(file.in(), file.opened(), files_, SettingsBlock::End, OpenMode::ReadRegular);
  if (!loaded) return reason(loaded);
  // A pattern may find the run's own output or undo listing, growing as
  // the run goes: never take them for sound data, let alone write them.
  const FileIdentity& identity = image_.identity();
  const bool own = std::any_of(own_.begin(), own_.end(),
                               [&](const FileIdentity& o) { return identity.sameFile(o); });
  if (own || (undo_ != nullptr && undo_->is(identity))) return "written by this run; left as it is";
  if (image_.length < SettingsBlock::End) {
    return std::to_string(image_.length) + (image_.length == 1 ? " byte" : " bytes") +
           ", too short to hold the settings block (" + std::to_string(SettingsBlock::End) +
           " bytes)";
  }
  return "";
}
