// What one run of the collection options does to each file, and how it
// reports it.
#include "collection/run.h"

#include "collection/messages.h"
#include "image/block_transaction.h"
#include "listing/rows.h"
#include "listing/text.h"

Run::Run(const RunOptions& args, SoundImage& image, OutputSink& out, OutputSink& errors,
         FileAccess& files)
    : args_(args),
      image_(image),
      out_(out),
      errors_(errors),
      files_(files),
      progress_(errors, out),
      headed_(args.format != ShowFormat::Table) {
  outputIsFile_ = out.fileIdentity(output_);
  // Reports of --set and --apply go out a line at a time, whatever the
  // output: a run stopped halfway must have said what it wrote.
  if (args.action == RunOptions::Action::Show && out.takesBlocks()) {
    held_ = std::make_unique<Writer>(out);
  }
}

bool Run::file(FoundFile&& file, const Change& change) {
  ++counts_.listed;
  progress_.tick(counts_);
  if (args_.action == RunOptions::Action::Show) {
    const std::string problem = load(file);
    if (!problem.empty()) return fileFailed(file.name, problem);
    // A condition is tested on the bytes read already: no system call.
    if (!meetsAll(args_.conditions, image_)) {
      ++counts_.notMatching;
      return true;
    }

    if (!headed_) {
      headed_ = true;
      if (!put(showHeading(args_.format), "")) return false;
    }
    if (!put(showRow(args_.format, image_, file.name), "")) return false;
    ++counts_.shown;
    return true;
  }
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

Run::Pending Run::prepare(FoundFile&& file, const Change& change) {
  Pending pending{std::move(file), change, "", {}, {}, false};
  pending.problem = load(pending.file);
  if (!pending.problem.empty()) return pending;
  pending.identity = image_.identity();
  pending.loaded = image_.block();
  pending.matches = meetsAll(args_.conditions, image_);
  // The file --copy-from read is already as asked, mark or none.
  if (!pending.matches || (hasReference_ && pending.identity.sameFile(reference_))) return pending;
  // A file already so is never opened for writing.
  pending.changes = changedBlock(image_, change, pending.loaded) != pending.loaded;
  return pending;
}

bool Run::complete(Pending& pending) {
  const std::string& name = pending.file.name;
  if (!pending.problem.empty()) return fileFailed(name, pending.problem);
  std::string changes;
  if (pending.changes) {
    const FileResult written =
        args_.dryRun ? tryUpdate(pending) : updateOrWithdraw(pending, changes);
    if (undoError_ != 0) {
      failed(args_.undo, systemWords(undoError_) + "; stopped before writing " + printable(name));
      return false;
    }
    if (!written) {
      const bool opening = written.failed == FileResult::Step::Open;
      return fileFailed(name, (opening ? "cannot open for writing: " : "") + reason(written));
    }
    if (args_.dryRun) {
      const SoundImage::Block wanted = changedBlock(image_, pending.change, pending.loaded);
      changes = changeReport(image_, pending.change, pending.loaded, wanted);
    }
  }
  // Not meeting the conditions, as loaded or under the lock: no line.
  if (!pending.matches) {
    ++counts_.notMatching;
    return true;
  }
  ++(changes.empty() ? counts_.unchanged : counts_.changed);
  const std::string report = printable(name) + ": " + (changes.empty() ? "unchanged" : changes);
  return put(report, report);
}

FileResult Run::update(Pending& pending, std::string& report) {
  BlockTransaction file(files_);
  FileResult result = file.open(pending.file.in(), pending.file.opened(), OpenMode::UpdateRegular);
  if (!result) return result;
  // It must be the file the load read, and still hold the whole block.
  if (!file.identity().sameFile(pending.identity)) return {FileResult::Step::Replaced, 0};
  if (file.identity().size < SettingsBlock::End) return {FileResult::Step::Shrunk, 0};
  SoundImage::Block now{};
  if (!(result = file.lock()) || !(result = file.read(now))) return result;
  if (file.unlocked()) sayUnlocked(pending.file.name);
  // Another program changed the block since its row was written: a new
  // row, synced before the write, holds the block this write replaces. A
  // file not written after all has its row withdrawn (updateOrWithdraw).
  const auto key = std::make_pair(pending.identity.volume, pending.identity.index);
  const bool reRow = undo_ != nullptr && now != pending.loaded && written_.count(key) == 0;
  // A file that no longer meets the conditions is left as it is.
  image_.setBlock(now);
  if (!(pending.matches = meetsAll(args_.conditions, image_))) return {};
  const SoundImage::Block wanted = changedBlock(image_, pending.change, now);
  report = changeReport(image_, pending.change, now, wanted);
  if (report.empty()) return {};
  if (reRow) {
    undo_->addAgain(pending.file.name, now);
    if ((undoError_ = undo_->sync()) != 0) return {};
  }
  result = file.write(wanted);
  if (result) written_.insert(key);
  return result;
}

FileResult Run::updateOrWithdraw(Pending& pending, std::string& report) {
  const FileResult result = update(pending, report);
  const bool wrote = result && pending.matches && !report.empty();
  // On the disk at once: after a power cut the old row would put its bytes
  // into whatever file holds the name now.
  if (pending.rowed && !wrote && undoError_ == 0) {
    undo_->withdraw(pending.file.name);
    undoError_ = undo_->sync();
  }
  return result;
}

FileResult Run::tryUpdate(const Pending& pending) {
  // As the real run opens it and checks it, but nothing is locked or
  // written, so the file keeps its time stamp.
  BlockTransaction file(files_);
  const FileResult result =
      file.open(pending.file.in(), pending.file.opened(), OpenMode::UpdateRegular);
  if (!result) return result;
  if (!file.identity().sameFile(pending.identity)) return {FileResult::Step::Replaced, 0};
  if (file.identity().size < SettingsBlock::End) return {FileResult::Step::Shrunk, 0};
  return {};
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
    if (i == first && undoError_ != 0) {
      failed(args_.undo,
             systemWords(undoError_) + "; stopped before writing " + printable(batch[i].file.name));
      return false;
    }
    if (!complete(batch[i])) return false;
  }
  return true;
}

bool Run::fileFailed(const std::string& name, std::string_view problem) {
  ++counts_.failed;
  return failed(name, problem);
}

void Run::sayUnlocked(const std::string& name) {
  if (saidUnlocked_) return;
  saidUnlocked_ = true;
  progress_.clear();
  putLine(errors_, problemLine(name,
                               "its file system keeps no locks: a change another program makes "
                               "at the same moment may be lost"));
}

bool Run::checkUndo() {
  if (args_.undo.empty()) return true;
  const int error = files_.canCreate(args_.undo.c_str());
  if (error == 0) return true;
  failed(args_.undo, error == FileError::Exists ? "exists already; --undo writes a new file"
                                                : systemWords(error));
  return false;
}

bool Run::startUndo() {
  if (args_.undo.empty()) return true;
  // Nothing is created in a dry run, but whatever would stop the real run
  // stops this.
  if (args_.dryRun) return checkUndo();
  undo_ = std::make_unique<UndoListing>(files_);
  const int error = undo_->create(args_.undo);
  if (error == 0) return true;
  failed(args_.undo, error == FileError::Exists ? "exists already; --undo writes a new file"
                                                : systemWords(error));
  undo_.reset();
  return false;
}

bool Run::start() {
  const bool csv = args_.action == RunOptions::Action::Show && args_.format == ShowFormat::Csv;
  return !csv || put(showHeading(ShowFormat::Csv), "");
}

int Run::finish() {
  if (!batch_.empty()) flush();
  batch_.clear();
  if (held_ != nullptr) {
    if (const int error = held_->flush()) outputFailed(error, "");
    held_.reset();
  }
  if (undo_ != nullptr) {
    if (const int error = undo_->finish()) failed(args_.undo, systemWords(error));
    undo_.reset();
  }
  progress_.end(counts_, args_.dryRun);
  return status_;
}

bool Run::failed(std::string_view what, std::string_view problem) {
  progress_.clear();
  putLine(errors_, problemLine(what, problem));
  status_ = 1;
  return true;
}

bool Run::put(const std::string& line, std::string_view lostReport) {
  if (held_ != nullptr) {
    held_->put(line);
    held_->put("\n");
    const int error = held_->error();
    return error == 0 || outputFailed(error, lostReport);
  }
  const int error = putLine(out_, line);
  return error == 0 || outputFailed(error, lostReport);
}

bool Run::outputFailed(int error, std::string_view lostReport) {
  status_ = 1;
  held_.reset();
  if (error == FileError::BrokenPipe) return false;
  std::string message = std::string(kProgram) + ": standard output: " + systemWords(error);
  if (!lostReport.empty()) message += "; lost the report " + std::string(lostReport);
  progress_.clear();
  putLine(errors_, message);
  return false;
}

std::string Run::load(const FoundFile& file) {
  const FileResult loaded =
      image_.load(file.in(), file.opened(), files_, SettingsBlock::End, OpenMode::ReadRegular);
  if (!loaded) return reason(loaded);
  // A pattern may find the run's own output or undo listing, growing as
  // the run goes: never take them for sound data, let alone write them.
  if ((outputIsFile_ && image_.identity().sameFile(output_)) ||
      (undo_ != nullptr && undo_->is(image_.identity())) ||
      ((own_.volume != 0 || own_.index != 0) && image_.identity().sameFile(own_))) {
    return "written by this run; left as it is";
  }
  if (image_.length < SettingsBlock::End) {
    return std::to_string(image_.length) + (image_.length == 1 ? " byte" : " bytes") +
           ", too short to hold the settings block (" + std::to_string(SettingsBlock::End) +
           " bytes)";
  }
  return "";
}
