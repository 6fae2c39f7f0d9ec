#include "collection/collection.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>

#include "collection/collection_args.h"
#include "image/settings.h"
#include "image/sound_image.h"
#include "listing/listing.h"
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

void fileError(OutputSink& errors, std::string_view file, std::string_view what) {
  putLine(errors, std::string(kProgram) + ": " + printable(file) + ": " + std::string(what));
}

// Why a file could not be opened, read or written, as its error line says it.
std::string reason(const FileResult& result) {
  switch (result.failed) {
    case FileResult::Step::None:
      break;
    case FileResult::Step::Open:
      if (result.error == OpenResult::NotRegular) return "not a regular file";
      return std::strerror(result.error);
    case FileResult::Step::Read:
      return result.error != 0 ? "read error: " + std::string(std::strerror(result.error))
                               : "read error";
    case FileResult::Step::Write:
      return "write failed" +
             (result.error != 0 ? ": " + std::string(std::strerror(result.error)) : "") +
             "; the settings block may be partly written";
    case FileResult::Step::Disturbed:
      return "cut short or replaced by another program while it was written; check it";
    case FileResult::Step::Replaced:
      return "replaced by another file since it was read; left as it is";
    case FileResult::Step::Shrunk:
      return "cut short since it was read; left as it is";
  }
  return "";
}

std::string switchWord(unsigned value) {
  return value != 0 ? "on" : "off";
}

std::string valueText(const Setting& setting, unsigned value) {
  return setting.kind == SettingKind::Switch ? switchWord(value) : std::to_string(value);
}

// The table's columns: each setting under its own name, then the mark and
// the file. Fixed widths, so every line can go out as soon as it is known.
constexpr std::string_view kMarkHeading = "SaveMark";

void appendCell(std::string& line, std::string_view text, std::size_t width) {
  line += text;
  line.append(width - text.size() + 2, ' ');
}

std::string tableHeading() {
  std::string line;
  for (const Setting& setting : kSettings) appendCell(line, setting.name, setting.name.size());
  appendCell(line, kMarkHeading, kMarkHeading.size());
  return line + "File";
}

std::string tableRow(const SoundImage& image, std::string_view file) {
  std::string line;
  for (const Setting& setting : kSettings) {
    appendCell(line, valueText(setting, valueOf(image, setting)), setting.name.size());
  }
  appendCell(line, image.hasSaveMark() ? "yes" : "no", kMarkHeading.size());
  return line + printable(file);
}

std::string jsonRow(const SoundImage& image, std::string_view file) {
  std::string line = "{\"file\":" + jsonString(file);
  for (const Setting& setting : kSettings) {
    const unsigned value = valueOf(image, setting);
    line += ",\"" + std::string(setting.name) + "\":";
    if (setting.kind == SettingKind::Switch) {
      line += value != 0 ? "true" : "false";
    } else {
      line += std::to_string(value);
    }
  }
  line += ",\"saveMark\":";
  line += image.hasSaveMark() ? "true" : "false";
  return line + "}";
}

// Loads the head of the file that holds the settings block, noting which
// file it was; false, with the error reported, when the file cannot be read,
// is no regular file or is too short.
bool loadBlock(SoundImage& image, const std::string& file, FileAccess& files, OutputSink& errors,
               FileIdentity* identity) {
  const FileResult loaded = image.loadRegular(file.c_str(), files, SettingsBlock::End, identity);
  if (!loaded) {
    fileError(errors, file, reason(loaded));
    return false;
  }
  if (image.length < SettingsBlock::End) {
    fileError(errors, file,
              std::to_string(image.length) + (image.length == 1 ? " byte" : " bytes") +
                  ", too short to hold the settings block (" + std::to_string(SettingsBlock::End) +
                  " bytes)");
    return false;
  }
  return true;
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

// Sets one file: reads it, and when something must change (and this is no
// dry run) writes the block in place, deciding anew from the block as the
// file holds it when opened for writing. Returns the report line, or false
// with the error reported.
bool setFile(SoundImage& image, const std::string& file, const std::vector<Assignment>& assignments,
             bool dryRun, FileAccess& files, OutputSink& errors, std::string& report) {
  FileIdentity identity;
  if (!loadBlock(image, file, files, errors, &identity)) return false;
  std::string changes = applyTo(image, assignments);
  if (!changes.empty() && !dryRun) {
    const FileResult written =
        image.updateBlock(file.c_str(), files, identity, [&](SoundImage& now) {
          changes = applyTo(now, assignments);
          return !changes.empty();
        });
    if (!written) {
      fileError(errors, file,
                written.failed == FileResult::Step::Open
                    ? "cannot open for writing: " + reason(written)
                    : reason(written));
      return false;
    }
  }
  report = printable(file) + ": " + (changes.empty() ? "unchanged" : changes);
  return true;
}

// A result line that could not be written ends the run: a reader that has
// gone (EPIPE) silently, as other tools end; any other failure with one
// line that says so and, after --set, which file's report was lost.
int outputFailed(OutputSink& errors, int error, std::string_view lostReport) {
  if (error == EPIPE) return 1;
  std::string line = std::string(kProgram) + ": standard output: " + std::strerror(error);
  if (!lostReport.empty()) line += "; lost the report " + std::string(lostReport);
  putLine(errors, line);
  return 1;
}

// Reads the whole of --apply's listing and checks it, before any file is
// opened; false with its one error line written when it cannot be used.
bool readListing(const std::string& listing, InputSource& input, FileAccess& files,
                 ListingReader& reader, OutputSink& errors) {
  const bool standardInput = listing == "-";
  const std::string shown = standardInput ? "standard input" : printable(listing);
  std::FILE* file = nullptr;
  if (!standardInput) {
    // Read as any file is, so a pipe such as <(...) serves as well.
    const OpenResult opened = files.open(listing.c_str(), OpenMode::Read);
    if (opened.file == nullptr) {
      putLine(errors, std::string(kProgram) + ": " + shown + ": " + std::strerror(opened.error));
      return false;
    }
    file = opened.file;
  }
  // The listing streams through this buffer; only the rows are kept.
  std::vector<char> buffer(std::size_t{64} * 1024);
  bool ok = true;
  int readError = 0;
  for (;;) {
    std::size_t got = 0;
    if (standardInput) {
      got = input.read(buffer.data(), buffer.size());
      readError = got == 0 ? input.error() : 0;
    } else if (!files.read(file, reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size(),
                           got)) {
      readError = errno != 0 ? errno : EIO;
    }
    if (got == 0 || readError != 0) break;
    ok = reader.feed(std::string_view(buffer.data(), got));
    if (!ok) break;
  }
  if (file != nullptr) files.close(file);
  if (readError != 0) {
    putLine(errors, std::string(kProgram) + ": " + shown + ": " + std::strerror(readError));
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
int applyListing(const CollectionArgs& args, InputSource& input, OutputSink& out, OutputSink& errors,
                 FileAccess& files, SoundImage& image) {
  ListingReader reader;
  try {
    if (!readListing(args.listing, input, files, reader, errors)) return 2;
  } catch (const std::bad_alloc&) {
    // Rows beyond what the memory holds: a listing too long to check whole.
    putLine(errors, std::string(kProgram) + ": " + printable(args.listing) +
                        ": too long to hold in memory");
    return 2;
  }
  int status = 0;
  std::string line;
  for (const ListingRow& row : reader.rows()) {
    if (!setFile(image, row.file, assignmentsOf(row), args.dryRun, files, errors, line)) {
      status = 1;
      continue;
    }
    const int failed = putLine(out, line);
    if (failed != 0) return outputFailed(errors, failed, line);
  }
  return status;
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
  if (args.mode == CollectionArgs::Mode::Help || args.mode == CollectionArgs::Mode::Version) {
    const std::string text = args.mode == CollectionArgs::Mode::Help
                                 ? std::string(kHelp)
                                 : std::string(kProgram) + " " + YM2608_VERSION + "\n";
    const int failed = out.write(text.data(), text.size());
    return failed != 0 ? outputFailed(errors, failed, "") : 0;
  }

  // One image for the whole run, whatever the number of files.
  static SoundImage image;
  if (args.mode == CollectionArgs::Mode::Apply) {
    return applyListing(args, input, out, errors, files, image);
  }
  // A CSV listing has its header even when no file can be read, so that the
  // snapshot of nothing can still be applied.
  bool headed = false;
  if (args.csv) {
    const int failed = putLine(out, csvHeader());
    if (failed != 0) return outputFailed(errors, failed, "");
    headed = true;
  }
  int status = 0;
  std::vector<std::string> expanded;
  std::string arg;
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (!args.isFile[static_cast<std::size_t>(i)]) continue;
    arg = argv[i];
    if (!names.expand(arg, expanded, error)) {
      fileError(errors, arg, error);
      status = 1;
      continue;
    }
    for (const std::string& file : expanded) {
      int failed = 0;
      if (args.mode == CollectionArgs::Mode::Set) {
        if (!setFile(image, file, args.assignments, args.dryRun, files, errors, line)) {
          status = 1;
          continue;
        }
        failed = putLine(out, line);
        if (failed != 0) return outputFailed(errors, failed, line);
        continue;
      }
      if (!loadBlock(image, file, files, errors, nullptr)) {
        status = 1;
        continue;
      }
      if (args.json) {
        failed = putLine(out, jsonRow(image, file));
      } else if (args.csv) {
        failed = putLine(out, csvRow(image, file));
      } else {
        if (!headed) failed = putLine(out, tableHeading());
        headed = true;
        if (failed == 0) failed = putLine(out, tableRow(image, file));
      }
      if (failed != 0) return outputFailed(errors, failed, "");
    }
  }
  return status;
}
