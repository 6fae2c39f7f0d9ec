#include "collection/collection.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>

#include "collection/collection_args.h"
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
    "       ym2608-settings --show [--json | --csv] [--] FILE...\n"
    "       ym2608-settings --set NAME=VALUE [--set NAME=VALUE]... [--dry-run] [--] FILE...\n"
    "       ym2608-settings --apply LISTING [--dry-run]\n"
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
    "                    as --set does; LISTING is what --show --csv or\n"
    "                    --show --json wrote (- for standard input), checked\n"
    "                    whole before any file is opened\n"
    "  --dry-run         with --set or --apply: report what would change, write nothing\n"
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

std::string valueText(const Setting& setting, unsigned value) {
  return setting.kind == SettingKind::Switch ? std::string(switchWord(value != 0))
                                             : std::to_string(value);
}

// Applies the assignments and the mark to the image; returns what changed,
// old value first ("LimitTime 300 -> 120, save mark stamped"), or "" when
// nothing did.
std::string applyTo(SoundImage& image, const std::vector<Assignment>& assignments) {
  std::string changes;
  for (const Assignment& a : assignments) {
    const unsigned old = valueOf(image, *a.setting);
    if (old == a.value) continue;
    setValue(image, *a.setting, a.value);
    if (!changes.empty()) changes += ", ";
    changes += std::string(a.setting->name) + " " + valueText(*a.setting, old) + " -> " +
               valueText(*a.setting, a.value);
  }
  if (!image.hasSaveMark()) {
    image.stampSaveMark();
    if (!changes.empty()) changes += ", ";
    changes += "save mark stamped";
  }
  return changes;
}

// One run over many files: the image, the streams and the exit status
// they share.
class Run {
 public:
  Run(const CollectionArgs& args, SoundImage& image, OutputSink& out, OutputSink& errors,
      FileAccess& files)
      : args_(args), image_(image), out_(out), errors_(errors), files_(files) {}

  /// Shows or sets one file and puts out its line; false when that line
  /// could not be written and the run must stop (status() says how).
  bool file(const std::string& name, const std::vector<Assignment>& assignments) {
    if (!load(name)) return true;
    if (args_.mode == CollectionArgs::Mode::Show) {
      if (!headed_) {
        headed_ = true;
        if (!put(showHeading(args_.format), "")) return false;
      }
      return put(showRow(args_.format, image_, name), "");
    }
    std::string changes = applyTo(image_, assignments);
    if (!changes.empty() && !args_.dryRun) {
      const FileResult written =
          image_.writeBlock(name.c_str(), files_, OpenMode::UpdateRegular, [&](SoundImage& now) {
            changes = applyTo(now, assignments);
            return !changes.empty();
          });
      if (!written) {
        const bool opening = written.failed == FileResult::Step::Open;
        return failed(name, (opening ? "cannot open for writing: " : "") + reason(written));
      }
    }
    const std::string report = printable(name) + ": " + (changes.empty() ? "unchanged" : changes);
    return put(report, report);
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
// --set does.
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
  for (const ListingRow& row : reader.rows()) {
    if (!run.file(row.file, assignmentsOf(row))) break;
  }
  return run.status();
}

// Shows or sets each FILE of the command line, its patterns expanded, in
// order.
int eachFile(int argc, const char* const argv[], const CollectionArgs& args, FileNames& names,
             Run& run) {
  if (!run.start()) return run.status();
  std::vector<std::string> expanded;
  std::string arg;
  std::string error;
  for (int i = 1; i < argc; ++i) {
    if (!args.isFile[static_cast<std::size_t>(i)]) continue;
    arg = argv[i];
    if (!names.expand(arg, expanded, error)) {
      run.failed(arg, error);
      continue;
    }
    for (const std::string& file : expanded) {
      if (!run.file(file, args.assignments)) return run.status();
    }
  }
  return run.status();
}

}  // namespace

int runCollection(int argc, const char* const argv[], InputSource& input, OutputSink& out,
                  OutputSink& errors, FileAccess& files, FileNames& names) {
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
  return eachFile(argc, argv, args, names, run);
}
