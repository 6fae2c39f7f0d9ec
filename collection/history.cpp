// The history's folder, its runs and their notes, and --history's list.
#include "collection/history.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "collection/apply.h"
#include "collection/messages.h"
#include "listing/listing.h"
#include "listing/text.h"
#include "platform/folders.h"
#include "platform/places.h"
#include "platform/system_error.h"

namespace {

constexpr std::string_view kJournalEnd = ".csv";
constexpr std::string_view kNoteEnd = ".run";
// A run's name: its start in microseconds since 1970, in as many digits as
// sort the same as numbers.
constexpr int kNameDigits = 20;

std::string join(const std::string& folder, std::string_view name) {
  return folder + systemNames().separator + std::string(name);
}

std::string nameOf(std::uint64_t started) {
  char digits[kNameDigits + 1];
  std::snprintf(digits, sizeof digits, "%020llu", static_cast<unsigned long long>(started));
  return digits;
}

// The folder that holds `path` (a file or a folder), without its last
// separator; "" at the top.
std::string parentOf(const std::string& path) {
  const std::string parent = folderOf(path);
  return parent.size() <= 1 || parent.size() >= path.size() ? ""
                                                            : parent.substr(0, parent.size() - 1);
}

// Makes `folder` and each folder above it that is missing, as mkdir -p.
int makeFolders(const std::string& folder) {
  const int error = makeFolder(folder);
  if (error != FileError::Missing || parentOf(folder).empty()) return error;
  const int above = makeFolders(parentOf(folder));
  return above != 0 ? above : makeFolder(folder);
}

// Writes the run's note beside its journal: the command line and the
// folder it ran in, a line each. 0 or why not.
int writeNote(FileAccess& files, const std::string& path, const std::string& commandLine) {
  const Opened note = files.open(path.c_str(), OpenMode::CreatePrivate);
  if (note.file == kNoFile) return note.error;
  std::string here = wholePath("x");
  here.pop_back();
  const std::string text = commandLine + "\n" + here + "\n";
  const Moved moved =
      files.writeAt(note.file, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 0);
  const int closed = files.close(note.file);
  const int error = moved.error != 0 ? moved.error : closed;
  if (error != 0) removeFile(path);
  return error;
}

// Reads a run's note into `run`; false when it cannot be read.
bool readNote(const std::string& path, HistoryRun& run) {
  FileAccess& files = FileAccess::disk();
  const Opened note = files.open(path.c_str(), OpenMode::ReadRegular);
  if (note.file == kNoFile) return false;
  std::string text(std::size_t{64} * 1024, '\0');
  const Moved got =
      files.readAt(note.file, reinterpret_cast<std::uint8_t*>(text.data()), text.size(), 0);
  files.close(note.file);
  text.resize(got.bytes);
  // The command line is one line; the folder, whatever line ends its name
  // holds, is the rest but for the last line end.
  const std::size_t end = text.find('\n');
  run.commandLine = text.substr(0, end);
  if (end != std::string::npos && text.size() > end + 1) {
    run.folder = text.substr(end + 1, text.size() - end - 2);
  }
  return got.error == 0;
}

}  // namespace

bool History::folder(std::string& folder, std::string& problem) {
  std::string state;
  if (!userStateFolder(state)) {
    problem = "no home folder to keep the history in (HOME, XDG_STATE_HOME or LOCALAPPDATA)";
    return false;
  }
  folder = join(join(state, "ym2608-settings"), "history");
  return true;
}

int History::begin(FileAccess& files, const std::string& commandLine, std::string& journal,
                   std::string& folder) {
  std::string problem;
  if (!History::folder(folder, problem)) return FileError::Missing;
  std::vector<HistoryRun> kept;
  int error = makeFolders(folder);
  if (error == 0 && !runs(kept, problem, false)) error = FileError::Missing;
  // The oldest go, so that with this run the history keeps kKept.
  for (std::size_t i = kKept - 1; error == 0 && i < kept.size(); ++i) forget(kept[i].journal);
  auto started = static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count());
  // Two runs in one microsecond: the later takes the next.
  for (int tries = 0; error == 0 && tries < 100; ++tries, ++started) {
    const std::string name = join(folder, nameOf(started));
    error = writeNote(files, name + std::string(kNoteEnd), commandLine);
    if (error == 0) {
      journal = name + std::string(kJournalEnd);
      return 0;
    }
    if (error == FileError::Exists) error = 0;
  }
  return error != 0 ? error : FileError::Exists;
}

bool History::check(std::string& problem, std::uint64_t& free) {
  std::string folder;
  if (!History::folder(folder, problem)) return false;
  // The nearest part of the path that is there must take a new name.
  std::string there = folder;
  int error = FileAccess::disk().canCreate(join(there, "x").c_str());
  while (error == FileError::Missing && !parentOf(there).empty()) {
    there = parentOf(there);
    error = FileAccess::disk().canCreate(join(there, "x").c_str());
  }
  // The note takes a block, and the journal one at the least. (A folder
  // still to make may take one too, on some file systems.)
  constexpr std::uint64_t kBlock = 4096;
  if (error == 0 && (error = freeSpace(join(there, "x"), free)) == 0) {
    if (free < 2 * kBlock) error = FileError::NoSpace;
    free = free > kBlock ? free - kBlock : 0;
  }
  if (error == 0 || error == FileError::Exists) return true;
  problem = folder + ": " + systemWords(error);
  return false;
}

bool History::runs(std::vector<HistoryRun>& runs, std::string& problem, bool notes) {
  runs.clear();
  std::string folder;
  if (!History::folder(folder, problem)) return false;
  std::vector<FolderEntry> entries;
  std::string error;
  // The folder as list() takes it, up to and including its separator.
  if (!FolderReader::system().list(join(folder, ""), entries, error)) {
    if (FileAccess::disk().canCreate(join(folder, "x").c_str()) == FileError::Missing) return true;
    problem = folder + ": " + error;
    return false;
  }
  // A run is kept once it has its note and its journal: one killed
  // between the two wrote no block.
  std::vector<std::string> journals;
  for (const FolderEntry& entry : entries) {
    if (entry.name.size() > kJournalEnd.size() &&
        entry.name.substr(entry.name.size() - kJournalEnd.size()) == kJournalEnd) {
      journals.push_back(entry.name.substr(0, entry.name.size() - kJournalEnd.size()));
    }
  }
  std::sort(journals.begin(), journals.end());
  for (const FolderEntry& entry : entries) {
    const std::string& name = entry.name;
    if (name.size() != kNameDigits + kNoteEnd.size() || name.substr(kNameDigits) != kNoteEnd ||
        name.find_first_not_of("0123456789") != kNameDigits ||
        !std::binary_search(journals.begin(), journals.end(), name.substr(0, kNameDigits))) {
      continue;
    }
    HistoryRun run;
    run.journal = join(folder, name.substr(0, kNameDigits) + std::string(kJournalEnd));
    run.started = std::stoull(name.substr(0, kNameDigits));
    if (notes) readNote(join(folder, name), run);
    runs.push_back(std::move(run));
  }
  std::sort(runs.begin(), runs.end(),
            [](const HistoryRun& a, const HistoryRun& b) { return a.started > b.started; });
  return true;
}

void History::forget(const std::string& journal) {
  removeFile(journal);
  removeFile(journal.substr(0, journal.size() - kJournalEnd.size()) + std::string(kNoteEnd));
}

namespace {

// Takes what a listing reader says, and nothing else.
class Unheard : public OutputSink {
 public:
  int write(const char* /*data*/, std::size_t /*size*/) override { return 0; }
};

// A journal is read from its file, never from standard input.
class NoInput : public InputSource {
 public:
  std::size_t read(char* /*buffer*/, std::size_t /*capacity*/) override { return 0; }
  bool ready() override { return true; }
};

// How many files the run's journal gives back; false when it cannot be read.
bool changedFiles(const std::string& journal, FileAccess& files, std::size_t& changed) {
  ListingReader reader;
  Unheard unheard;
  NoInput none;
  if (readWholeListing(journal, none, files, reader, unheard) != 0) return false;
  changed = static_cast<std::size_t>(std::count_if(
      reader.rows().begin(), reader.rows().end(), [](const ListingRow& row) { return row.block; }));
  return true;
}

// When the run started, in local time: "2026-12-09 04:12:33", or with
// `iso` as ISO 8601 with the offset, "2026-12-09T04:12:33+01:00".
std::string startedAt(std::uint64_t started, bool iso) {
  const auto seconds = static_cast<std::time_t>(started / 1000000);
  std::tm local{};
  const std::tm* at = std::localtime(&seconds);
  if (at != nullptr) local = *at;
  char text[40];
  std::strftime(text, sizeof text, iso ? "%Y-%m-%dT%H:%M:%S%z" : "%Y-%m-%d %H:%M:%S", &local);
  std::string when = text;
  // ISO 8601 puts a colon in the offset, which strftime leaves out.
  if (iso && when.size() > 2) when.insert(when.size() - 2, ":");
  return when;
}

}  // namespace

int listHistory(bool json, OutputSink& out, OutputSink& errors, FileAccess& files) {
  std::vector<HistoryRun> kept;
  std::string problem;
  if (!History::runs(kept, problem)) {
    putLine(errors, std::string(kProgram) + ": " + problem);
    return 1;
  }
  int status = 0;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const HistoryRun& run = kept[i];
    std::size_t changed = 0;
    if (!changedFiles(run.journal, files, changed)) {
      putLine(errors, problemLine(run.journal, "cannot be read as a journal"));
      status = 1;
      continue;
    }
    const std::string number = std::to_string(i + 1);
    const std::string line =
        json ? "{\"run\":" + number + ",\"when\":" + jsonString(startedAt(run.started, true)) +
                   ",\"changed\":" + std::to_string(changed) +
                   ",\"command\":" + jsonString(run.commandLine) +
                   ",\"folder\":" + jsonString(run.folder) + "}"
             : std::string(number.size() < 3 ? 3 - number.size() : 0, ' ') + number + "  " +
                   startedAt(run.started, false) + "  " + std::to_string(changed) +
                   (changed == 1 ? " file   " : " files  ") + printable(run.commandLine);
    const int error = putLine(out, line);
    if (error != 0) {
      if (error != FileError::BrokenPipe) {
        putLine(errors, std::string(kProgram) + ": standard output: " + systemWords(error));
      }
      return 1;
    }
  }
  return status;
}
