// What one run of the collection options does to each file, and how it
// reports it.
#include "collection/run.h"

#include "collection/messages.h"
#include "image/block_transaction.h"
#include "listing/rows.h"
#include "listing/text.h"

Run::Run(const CollectionArgs& args, SoundImage& image, OutputSink& out, OutputSink& errors,
         FileAccess& files)
    : args_(args),
      image_(image),
      out_(out),
      errors_(errors),
      files_(files),
      headed_(args.format != ShowFormat::Table) {
  outputIsFile_ = out.fileIdentity(output_);
  // Reports of --set and --apply go out a line at a time, whatever the
  // output: a run stopped halfway must have said what it wrote.
  if (args.mode == CollectionArgs::Mode::Show && out.takesBlocks()) {
    held_ = std::make_unique<Writer>(out);
  }
}

bool Run::file(const std::string& name, const Change& change) {
  if (!load(name)) return true;
  if (args_.mode == CollectionArgs::Mode::Show) {
    if (!headed_) {
      headed_ = true;
      if (!put(showHeading(args_.format), "")) return false;
    }
    return put(showRow(args_.format, image_, name), "");
  }
  const SoundImage::Block loaded = image_.block();
  const SoundImage::Block wanted = changedBlock(image_, change, loaded);
  std::string changes = changeReport(image_, change, loaded, wanted);
  // A file already so is never opened for writing.
  if (!changes.empty() && !args_.dryRun) {
    const FileResult written = update(name, change, changes);
    if (undoError_ != 0) {
      failed(args_.undo, systemWords(undoError_) + "; stopped before writing " + printable(name));
      return false;
    }
    if (!written) {
      const bool opening = written.failed == FileResult::Step::Open;
      return failed(name, (opening ? "cannot open for writing: " : "") + reason(written));
    }
  }
  const std::string report = printable(name) + ": " + (changes.empty() ? "unchanged" : changes);
  return put(report, report);
}

FileResult Run::update(const std::string& name, const Change& change, std::string& report) {
  BlockTransaction file(files_);
  FileResult result = file.open(name.c_str(), OpenMode::UpdateRegular);
  if (!result) return result;
  // It must be the file the load read, and still hold the whole block.
  if (!file.identity().sameFile(image_.identity())) return {FileResult::Step::Replaced, 0};
  if (file.identity().size < SettingsBlock::End) return {FileResult::Step::Shrunk, 0};
  SoundImage::Block now{};
  if (!(result = file.lock()) || !(result = file.read(now))) return result;
  const SoundImage::Block wanted = changedBlock(image_, change, now);
  report = changeReport(image_, change, now, wanted);
  if (report.empty()) return {};
  if (undo_ != nullptr && (undoError_ = undo_->add(name, file.identity(), now)) != 0) return {};
  return file.write(wanted);
}

bool Run::startUndo() {
  if (args_.undo.empty()) return true;
  if (args_.dryRun) {
    // Nothing is created, but a name taken would stop the real run.
    const Opened taken = files_.open(args_.undo.c_str(), OpenMode::ReadRegular);
    if (taken.file != kNoFile) files_.close(taken.file);
    if (taken.file == kNoFile && taken.error != FileError::IsFolder &&
        taken.error != FileError::NotRegular && taken.error != FileError::DeviceName) {
      return true;
    }
    failed(args_.undo, "exists already; --undo writes a new file");
    return false;
  }
  undo_ = std::make_unique<UndoListing>(files_);
  const int error = undo_->create(args_.undo);
  if (error == 0) return true;
  failed(args_.undo, error == FileError::Exists ? "exists already; --undo writes a new file"
                                                : systemWords(error));
  undo_.reset();
  return false;
}

bool Run::start() {
  const bool csv = args_.mode == CollectionArgs::Mode::Show && args_.format == ShowFormat::Csv;
  return !csv || put(showHeading(ShowFormat::Csv), "");
}

int Run::finish() {
  if (held_ != nullptr) {
    if (const int error = held_->flush()) outputFailed(error, "");
    held_.reset();
  }
  if (undo_ != nullptr) {
    if (const int error = undo_->finish()) failed(args_.undo, systemWords(error));
    undo_.reset();
  }
  return status_;
}

bool Run::failed(std::string_view what, std::string_view problem) {
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
  putLine(errors_, message);
  return false;
}

bool Run::load(const std::string& name) {
  const FileResult loaded =
      image_.load(name.c_str(), files_, SettingsBlock::End, OpenMode::ReadRegular);
  if (!loaded) {
    failed(name, reason(loaded));
    return false;
  }
  // A pattern may find the run's own output or undo listing, growing as
  // the run goes: never take them for sound data, let alone write them.
  if ((outputIsFile_ && image_.identity().sameFile(output_)) ||
      (undo_ != nullptr && undo_->is(image_.identity()))) {
    failed(name, "written by this run; left as it is");
    return false;
  }
  if (image_.length < SettingsBlock::End) {
    failed(name, std::to_string(image_.length) + (image_.length == 1 ? " byte" : " bytes") +
                     ", too short to hold the settings block (" +
                     std::to_string(SettingsBlock::End) + " bytes)");
    return false;
  }
  return true;
}
