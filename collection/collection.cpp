#include "collection/collection.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <string_view>
#include <utility>

#include "collection/collection_args.h"
#include "platform/standard.h"
#include "image/settings.h"
#include "image/sound_image.h"
#include "listing/listing.h"
#include "listing/rows.h"
#include "listing/setting_words.h"
#include "listing/text.h"

#ifndef YM2608_VERSION
#define YM2608_VERSION "unknown"
#endif

namespace {

constexpr std::string_view kProgram = "ym2608-settings";

constexpr std::string_view kHelp =
    "usage: ym2608-settings FILE\n"
    "       ym2608-settings --show [--json | --csv] [-r] [--] FILE...\n"
    "       ym2608-settings --set NAME=VALUE [--set NAME=VALUE]... [--undo FILE] [--dry-run]\n"
    "                       [-r] [--] FILE...\n"
    "       ym2608-settings --apply LISTING [--undo FILE] [--dry-run]\n"
    "       ym2608-settings --help | --version\n"
    "\n"
    "With one FILE and no option, edit its settings in the menu.\n"
    "\n"
    "  --show            list the settings of each FILE, a line a file\n"
    "  --json            with --show: one JSON object a line\n"
    "  --csv             with --show: CSV, a header and a row a file\n"
    "  --set NAME=VALUE  set a setting in each FILE and stamp the save mark;\n"
    "                    a file that is already so is not written\n"
    "  --apply LISTING   set each file a listing names to the values in its row,\n"
    "                    or to the bytes of its Block, writing only files that\n"
    "                    differ; LISTING is what --show --csv, --show --json or\n"
    "                    --undo wrote (- for standard input), checked whole\n"
    "                    before any file is opened\n"
    "  --undo FILE       with --set or --apply: write FILE, which must be new, a CSV\n"
    "                    listing of the settings block each written file held;\n"
    "                    --apply FILE gives the files back byte for byte\n"
    "  --dry-run         with --set or --apply: report what would change, write nothing\n"
    "  -r, --recursive   with --show or --set: the last part of each FILE is a\n"
    "                    pattern, matched in its folder and every folder below,\n"
    "                    as dir /s does; quote it: -r 'Music/*.dat'\n"
    "  --                the arguments after it are files, whatever their names;\n"
    "                    before it, options may stand anywhere\n"
    "\n"
    "NAME, in any letter case: TimerA, TimerB, FadeoutDriverMode, GraphicECMode2203\n"
    "and LimitEndFlag take on/off, enable/disable or 1/0; LimitTime takes 0 to 65535.\n"
    "Only regular files are read or written. On Windows the program expands\n"
    "* and ? in FILE itself.\n"
    "\n"
    "Exit status: 0 every file done, 1 some file failed, 2 bad command line\n"
    "or listing.\n";

// Each line goes out whole as soon as it is known; returns 0, or why the
// write failed (an errno value).
int putLine(OutputSink& sink, std::string line) {
  line += '\n';
  return sink.write(line.data(), line.size());
}

// The system's reason in words.
std::string why(int error) {
  switch (error) {
    case FileError::NotRegular:
      return "not a regular file";
    case FileError::InUse:
      return "in use by another program; left as it is";
    case FileError::DeviceName:
      return "a name Windows keeps for a device";
    default:
      return std::strerror(error);
  }
}

// Why a file could not be opened, read or written, as its error line says it.
std::string reason(const FileResult& result) {
  switch (result.failed) {
    case FileResult::Step::None:
      break;
    case FileResult::Step::Open:
    case FileResult::Step::InUse:
      return why(result.error);
    case FileResult::Step::Read:
      return result.error != 0 ? "read error: " + why(result.error) : "read error";
    case FileResult::Step::Write:
      return "write failed" + (result.error != 0 ? ": " + why(result.error) : "") +
             "; the settings block may be partly written";
    case FileResult::Step::Replaced:
      return "replaced by another file since it was read; left as it is";
    case FileResult::Step::Shrunk:
      return "cut short since it was read; left as it is";
  }
  return "";
}

// What a run does to each file's block.
struct Change {
  /// The settings to set (--set, a listing's setting columns).
  const std::vector<Assignment>* assignments = nullptr;
  /// --set stamps the save mark even on a file whose settings are already
  /// so: it makes them take effect. A listing stamps it only with a change.
  bool stampAlways = true;
  /// Or the block's seven bytes exactly (a Block listing, an undo).
  const SoundImage::Block* block = nullptr;
};

// Adds "Name old -> new" to `changes` when the setting's value in `image`
// is no longer `old`.
void addChange(std::string& changes, const Setting& setting, unsigned old,
               const SoundImage& image) {
  const unsigned now = valueOf(image, setting);
  if (now == old) return;
  if (!changes.empty()) changes += ", ";
  changes +=
      std::string(setting.name) + " " + valueText(setting, old) + " -> " + valueText(setting, now);
}

// Makes the change in the image; returns what changed, old value first, in
// the order the settings were given ("LimitTime 300 -> 120, save mark
// stamped"), or "" when nothing did.
std::string makeChange(SoundImage& image, const Change& change) {
  const SoundImage::Block before = image.block();
  const bool marked = image.hasSaveMark();
  std::string changes;
  if (change.block != nullptr) {
    unsigned old[kSettingCount];
    for (std::size_t i = 0; i < kSettingCount; ++i) old[i] = valueOf(image, kSettings[i]);
    image.setBlock(*change.block);
    for (std::size_t i = 0; i < kSettingCount; ++i) addChange(changes, kSettings[i], old[i], image);
  } else {
    for (const Assignment& a : *change.assignments) {
      const unsigned old = valueOf(image, *a.setting);
      setValue(image, *a.setting, a.value);
      addChange(changes, *a.setting, old, image);
    }
    if (change.stampAlways || image.block() != before) image.stampSaveMark();
  }
  if (image.block() == before) return "";
  if (marked != image.hasSaveMark()) {
    if (!changes.empty()) changes += ", ";
    changes += marked ? "save mark removed" : "save mark stamped";
  }
  // A block put back may differ only in bytes and bits no setting owns.
  return changes.empty() ? "other bytes of the block changed" : changes;
}

// The --undo listing: a row a file written, with the block as it was, each
// handed to the system before its file is written, so that a run stopped
// at any point leaves a listing of every file it changed.
class UndoListing {
 public:
  explicit UndoListing(FileAccess& files) : files_(files) {}
  UndoListing(const UndoListing&) = delete;
  UndoListing& operator=(const UndoListing&) = delete;
  ~UndoListing() {
    if (file_ != kNoFile) files_.close(file_);
  }

  /// Creates the listing at `path`, which must be new, with its header; 0
  /// or why not (EEXIST when anything has that name).
  int create(const std::string& path) {
    const Opened opened = files_.open(path.c_str(), OpenMode::CreateNew);
    if (opened.file == kNoFile) return opened.error;
    file_ = opened.file;
    identity_ = opened.identity;
    return put(std::string(kFileName) + "," + std::string(kBlockName));
  }
  /// Adds the row of `file`, which is `identity`, with the block it holds
  /// before the write; 0 or why not. A file this run wrote already (under
  /// another name, or through a hard link) gets no second row: its first
  /// row holds the bytes it had before the run.
  int add(std::string_view file, const FileIdentity& identity, const SoundImage::Block& before) {
    if (!written_.insert({identity.volume, identity.index}).second) return 0;
    return put(
        csvField(file) + "," +
        hexBytes(std::string_view(reinterpret_cast<const char*>(before.data()), before.size())));
  }
  /// True when `identity` is the listing itself, which a walk may find.
  bool is(const FileIdentity& identity) const { return identity.sameFile(identity_); }
  /// Hands the listing to the disk and closes it; 0 or why that failed.
  int finish() {
    const int error = files_.sync(file_);
    const int closeError = files_.close(file_);
    file_ = kNoFile;
    return error != 0 ? error : closeError;
  }

 private:
  // Writes a line; a line cut short (a full disk) is taken back, so the
  // listing still applies to the files it names.
  int put(std::string line) {
    line += lineEnd();
    const Moved moved = files_.writeAt(file_, reinterpret_cast<const std::uint8_t*>(line.data()),
                                       line.size(), offset_);
    if (moved.error != 0 && moved.bytes > 0) files_.cut(file_, offset_);
    if (moved.error == 0) offset_ += moved.bytes;
    return moved.error;
  }

  FileAccess& files_;
  FileHandle file_ = kNoFile;
  FileIdentity identity_;
  std::uint64_t offset_ = 0;
  std::set<std::pair<std::uint64_t, std::uint64_t>> written_;  // volume and index
};

// One run over many files: the image, the streams and the exit status
// they share.
class Run {
 public:
  Run(const CollectionArgs& args, SoundImage& image, OutputSink& out, OutputSink& errors,
      FileAccess& files)
      : args_(args), image_(image), out_(out), errors_(errors), files_(files) {
    outputIsFile_ = out.fileIdentity(output_);
  }

  /// Shows or changes one file and puts out its line; false when the run
  /// must stop (its output or its undo listing failed; status() says how).
  bool file(const std::string& name, const Change& change) {
    if (!load(name)) return true;
    if (args_.mode == CollectionArgs::Mode::Show) {
      if (!headed_) {
        headed_ = true;
        if (!put(showHeading(args_.format), "")) return false;
      }
      return put(showRow(args_.format, image_, name), "");
    }
    std::string changes = makeChange(image_, change);
    if (!changes.empty() && !args_.dryRun) {
      int undoError = 0;
      const FileResult written =
          image_.writeBlock(name.c_str(), files_, OpenMode::UpdateRegular, [&](SoundImage& now) {
            const SoundImage::Block before = now.block();
            changes = makeChange(now, change);
            if (changes.empty() || undo_ == nullptr) return !changes.empty();
            undoError = undo_->add(name, now.identity(), before);
            return undoError == 0;
          });
      if (undoError != 0) {
        failed(args_.undo, why(undoError) + "; stopped before writing " + printable(name));
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

  /// Creates the --undo listing when one is asked for and this is no dry
  /// run; false, with the reason said, when it cannot be created.
  bool startUndo() {
    if (args_.undo.empty()) return true;
    if (args_.dryRun) {
      // Nothing is created, but a name taken would stop the real run.
      const Opened taken = files_.open(args_.undo.c_str(), OpenMode::ReadRegular);
      if (taken.file != kNoFile) files_.close(taken.file);
      if (taken.file == kNoFile && taken.error != EISDIR && taken.error != FileError::NotRegular &&
          taken.error != FileError::DeviceName) {
        return true;
      }
      failed(args_.undo, "exists already; --undo writes a new file");
      return false;
    }
    undo_ = std::make_unique<UndoListing>(files_);
    const int error = undo_->create(args_.undo);
    if (error == 0) return true;
    failed(args_.undo, error == EEXIST ? "exists already; --undo writes a new file" : why(error));
    undo_.reset();
    return false;
  }

  /// Ends the run, handing the undo listing to the disk; returns the status.
  int finish() {
    if (undo_ != nullptr) {
      if (const int error = undo_->finish()) failed(args_.undo, why(error));
      undo_.reset();
    }
    return status_;
  }

  /// Reports a problem of `what` (a file, an argument) on standard error;
  /// the run goes on, and ends with status 1.
  bool failed(std::string_view what, std::string_view problem) {
    putLine(errors_, std::string(kProgram) + ": " + printable(what) + ": " + std::string(problem));
    status_ = 1;
    return true;
  }

  /// Puts out one line of results; false when it could not be written,
  /// with one line on standard error saying so (but for a reader that has
  /// gone) and which report was lost.
  bool put(const std::string& line, std::string_view lostReport) {
    const int error = putLine(out_, line);
    if (error == 0) return true;
    status_ = 1;
    if (error == EPIPE) return false;
    std::string message = std::string(kProgram) + ": standard output: " + std::strerror(error);
    if (!lostReport.empty()) message += "; lost the report " + std::string(lostReport);
    putLine(errors_, message);
    return false;
  }

  /// A CSV listing has its header even when no file can be read, so that the
  /// snapshot of nothing can still be applied; the table's heading waits for
  /// its first row, and JSON Lines have none. False when it could not be
  /// written.
  bool start() {
    const bool csv = args_.mode == CollectionArgs::Mode::Show && args_.format == ShowFormat::Csv;
    return !csv || put(showHeading(ShowFormat::Csv), "");
  }

  int status() const { return status_; }

 private:
  // Loads the head of the file that holds the settings block; false, with
  // the error reported, when the file cannot be read, is no regular file or
  // is too short.
  bool load(const std::string& name) {
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

  const CollectionArgs& args_;
  SoundImage& image_;
  OutputSink& out_;
  OutputSink& errors_;
  FileAccess& files_;
  std::unique_ptr<UndoListing> undo_;
  FileIdentity output_;  // the file standard output goes to, if it is one
  bool outputIsFile_ = false;
  bool headed_ = args_.format != ShowFormat::Table;
  int status_ = 0;
};

// Reads the whole of --apply's listing and checks it, before any file is
// opened; false with its one error line written when it cannot be used.
bool readListing(const std::string& listing, InputSource& input, FileAccess& files,
                 ListingReader& reader, OutputSink& errors) {
  const bool standardInput = listing == "-";
  const std::string shown = standardInput ? "standard input" : printable(listing);
  FileHandle file = kNoFile;
  if (!standardInput) {
    // Read as any file is, so a pipe such as <(...) serves as well.
    const Opened opened = files.open(listing.c_str(), OpenMode::Read);
    if (opened.file == kNoFile) {
      putLine(errors, std::string(kProgram) + ": " + shown + ": " + why(opened.error));
      return false;
    }
    file = opened.file;
  }
  reader.endsAtCtrlZ(standardInput && ctrlZEndsText());
  // The listing streams through this buffer; only the rows are kept.
  std::vector<char> buffer(std::size_t{64} * 1024);
  bool ok = true;
  int readError = 0;
  std::uint64_t offset = 0;
  for (;;) {
    std::size_t got = 0;
    if (standardInput) {
      got = input.read(buffer.data(), buffer.size());
      readError = got == 0 ? input.error() : 0;
    } else {
      const Moved moved =
          files.readAt(file, reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size(), offset);
      got = moved.bytes;
      offset += got;
      readError = moved.error;
    }
    if (got > 0) ok = reader.feed(std::string_view(buffer.data(), got));
    // A file reads whole chunks until its end; standard input hands over
    // what has arrived, and nothing only at its end.
    if (!ok || readError != 0 || got == 0 || (!standardInput && got < buffer.size())) break;
  }
  if (file != kNoFile) files.close(file);
  if (readError != 0) {
    putLine(errors, std::string(kProgram) + ": " + shown + ": " + why(readError));
    return false;
  }
  if (ok) ok = reader.finish();
  if (!ok) {
    putLine(errors, std::string(kProgram) + ": " + shown + ":" +
                        std::to_string(reader.errorLine()) + ": " + reader.error());
  }
  return ok;
}

// The settings a listing's row names, as --set's assignments.
std::vector<Assignment> assignmentsOf(const ListingRow& row) {
  std::vector<Assignment> assignments;
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    if (row.values[i] >= 0) {
      assignments.push_back({&kSettings[i], static_cast<std::uint16_t>(row.values[i])});
    }
  }
  return assignments;
}

// Sets each file of the listing to its row's values, in listing order, as
// --set does, or puts back its row's block; a file that already holds them
// is not written, whatever its save mark.
int applyListing(const CollectionArgs& args, InputSource& input, OutputSink& errors,
                 FileAccess& files, Run& run) {
  ListingReader reader;
  try {
    if (!readListing(args.listing, input, files, reader, errors)) return 2;
  } catch (const std::bad_alloc&) {
    // Rows beyond what the memory holds: a listing too long to check whole.
    putLine(errors, std::string(kProgram) + ": " + printable(args.listing) +
                        ": too long to hold in memory");
    return 2;
  }
  if (!run.startUndo()) return 2;
  std::vector<Assignment> assignments;
  for (const ListingRow& row : reader.rows()) {
    assignments = assignmentsOf(row);
    const Change change{&assignments, false, row.block ? &*row.block : nullptr};
    if (!run.file(row.file, change)) break;
  }
  return run.finish();
}

// Shows or sets each FILE of the command line, its patterns expanded, in
// order; with -r, each file its pattern finds in the tree below, as it is
// found.
int eachFile(int argc, const char* const argv[], const CollectionArgs& args, FileNames& names,
             FolderReader& folders, Run& run) {
  if (!run.startUndo()) return 2;
  if (!run.start()) return run.finish();
  std::vector<std::string> expanded;
  std::string arg;
  std::string error;
  const Change change{&args.assignments};
  for (int i = 1; i < argc; ++i) {
    if (!args.isFile[static_cast<std::size_t>(i)]) continue;
    arg = argv[i];
    if (args.recursive) {
      bool stopped = false;
      walkTree(
          arg, folders, WalkRules::system(),
          [&](const std::string& file) { return !(stopped = !run.file(file, change)); },
          [&](const std::string& where, const std::string& problem) {
            run.failed(where, problem);
          });
      if (stopped) return run.finish();
      continue;
    }
    if (!names.expand(arg, expanded, error)) {
      run.failed(arg, error);
      continue;
    }
    for (const std::string& file : expanded) {
      if (!run.file(file, change)) return run.finish();
    }
  }
  return run.finish();
}

}  // namespace

int runCollection(int argc, const char* const argv[], InputSource& input, OutputSink& out,
                  OutputSink& errors, FileAccess& files, FileNames& names, FolderReader& folders) {
  CollectionArgs args;
  std::string error;
  if (!parseCollectionArgs(argc, argv, args, error)) {
    putLine(errors, std::string(kProgram) + ": " + error + " (see ym2608-settings --help)");
    return 2;
  }
  // One image for the whole run, whatever the number of files.
  static SoundImage image;
  Run run(args, image, out, errors, files);
  switch (args.mode) {
    case CollectionArgs::Mode::Help:
      return run.put(std::string(kHelp.substr(0, kHelp.size() - 1)), "") ? 0 : run.status();
    case CollectionArgs::Mode::Version:
      return run.put(std::string(kProgram) + " " + YM2608_VERSION, "") ? 0 : run.status();
    case CollectionArgs::Mode::Apply:
      return applyListing(args, input, errors, files, run);
    case CollectionArgs::Mode::Show:
    case CollectionArgs::Mode::Set:
      break;
  }
  return eachFile(argc, argv, args, names, folders, run);
}
