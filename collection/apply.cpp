// --apply: the whole listing read and checked before any file is opened,
// then each file it names set to its row.
#include "collection/apply.h"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "collection/history.h"
#include "collection/messages.h"
#include "image/settings.h"
#include "listing/listing.h"
#include "listing/text.h"
#include "platform/standard.h"

namespace {

// Feeds the listing to `reader` through one buffer, from the open `file`
// or, without one, from `input`; only the rows are kept. Returns why a
// read failed, or 0 (also when the reader found the listing unusable).
int feedListing(FileHandle file, InputSource& input, FileAccess& files, ListingReader& reader) {
  std::vector<char> buffer(std::size_t{64} * 1024);
  std::uint64_t offset = 0;
  for (;;) {
    std::size_t got = 0;
    int readError = 0;
    if (file == kNoFile) {
      got = input.read(buffer.data(), buffer.size());
      readError = got == 0 ? input.error() : 0;
    } else {
      const Moved moved =
          files.readAt(file, reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size(), offset);
      got = moved.bytes;
      offset += got;
      readError = moved.error;
    }
    const bool ok = got == 0 || reader.feed(std::string_view(buffer.data(), got));
    // A file reads whole chunks until its end; standard input hands over
    // what has arrived, and nothing only at its end.
    if (!ok || readError != 0 || got == 0 || (file != kNoFile && got < buffer.size())) {
      return readError;
    }
  }
}

// Reads the whole of --apply's listing and checks it, before any file is
// opened; false with its one error line written when it cannot be used.
bool readListing(const std::string& listing, InputSource& input, FileAccess& files,
                 ListingReader& reader, OutputSink& errors) {
  const bool standardInput = listing == "-";
  const std::string shown = standardInput ? "standard input" : listing;
  FileHandle file = kNoFile;
  if (!standardInput) {
    // Read as any file is, so a pipe such as <(...) serves as well.
    const Opened opened = files.open(listing.c_str(), OpenMode::Read);
    if (opened.file == kNoFile) {
      putLine(errors, problemLine(shown, systemWords(opened.error)));
      return false;
    }
    file = opened.file;
  }
  reader.endsAtCtrlZ(standardInput && ctrlZEndsText());
  const int readError = feedListing(file, input, files, reader);
  if (file != kNoFile) files.close(file);
  if (readError != 0) {
    putLine(errors, problemLine(shown, systemWords(readError)));
    return false;
  }
  if (reader.finish()) {
    // A row torn by a power loss: its batch never reached its files.
    if (reader.passedOver() != 0) {
      putLine(errors, problemLine(shown + ":" + std::to_string(reader.passedOver()),
                                  "passed over the unfinished last row"));
    }
    return true;
  }
  putLine(errors, problemLine(shown + ":" + std::to_string(reader.errorLine()), reader.error()));
  return false;
}

// The settings a listing's row names, as --set's assignments.
std::vector<Assignment> assignmentsOf(const ListingRow& row) {
  std::vector<Assignment> assignments;
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    if (row.values[i]) {
      assignments.push_back({&kSettings[i], *row.values[i]});
    }
  }
  return assignments;
}

}  // namespace

int readWholeListing(const std::string& listing, InputSource& input, FileAccess& files,
                     ListingReader& reader, OutputSink& errors) {
  try {
    return readListing(listing, input, files, reader, errors) ? 0 : 2;
  } catch (const std::bad_alloc&) {
    // Rows beyond what the memory holds: a listing too long to check whole.
    putLine(errors, problemLine(listing, "too long to hold in memory"));
    return 2;
  }
}

int applyListing(const RunOptions& args, InputSource& input, OutputSink& errors, FileAccess& files,
                 Run& run) {
  ListingReader reader;
  if (readWholeListing(args.listing, input, files, reader, errors) != 0) return 2;
  if (!run.startJournal()) return 2;
  for (const ListingRow& row : reader.rows()) {
    const Change change =
        row.block ? Change(*row.block) : Change(SetSettings{assignmentsOf(row), false});
    if (!run.file({row.file, nullptr, ""}, change)) break;
  }
  return run.finish();
}

int revertRun(const RunOptions& args, InputSource& input, OutputSink& errors, FileAccess& files,
              Run& run) {
  std::vector<HistoryRun> runs;
  std::string problem;
  if (!History::runs(runs, problem)) {
    putLine(errors, std::string(kProgram) + ": " + problem);
    return 2;
  }
  if (args.revert > runs.size()) {
    putLine(errors, std::string(kProgram) + ": --revert " + std::to_string(args.revert) +
                        ": the history keeps " + std::to_string(runs.size()) +
                        (runs.size() == 1 ? " run" : " runs") + " (see --history)");
    return 2;
  }
  ListingReader reader;
  if (readWholeListing(runs[args.revert - 1].journal, input, files, reader, errors) != 0) return 2;
  if (!run.startJournal()) return 2;
  for (const ListingRow& row : reader.rows()) {
    if (!row.block) continue;  // withdrawn: the run did not write it
    const Change change =
        row.written ? Change(RevertBlock{*row.block, *row.written}) : Change(*row.block);
    if (!run.file({row.file, nullptr, ""}, change)) break;
  }
  return run.finish();
}
