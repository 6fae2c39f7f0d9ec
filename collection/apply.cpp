// --apply: the whole listing read and checked before any file is opened,
// then each file it names set to its row.
#include "collection/apply.h"

#include <new>

#include "collection/messages.h"
#include "image/settings.h"
#include "listing/listing.h"
#include "listing/text.h"
#include "platform/standard.h"

namespace {

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
      putLine(errors, problemLine(shown, systemWords(opened.error)));
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
    putLine(errors, problemLine(shown, systemWords(readError)));
    return false;
  }
  if (ok) ok = reader.finish();
  if (!ok) {
    putLine(errors, problemLine(shown + ":" + std::to_string(reader.errorLine()), reader.error()));
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
}  // namespace

int applyListing(const CollectionArgs& args, InputSource& input, OutputSink& errors,
                 FileAccess& files, Run& run) {
  ListingReader reader;
  try {
    if (!readListing(args.listing, input, files, reader, errors)) return 2;
  } catch (const std::bad_alloc&) {
    // Rows beyond what the memory holds: a listing too long to check whole.
    putLine(errors, problemLine(args.listing, "too long to hold in memory"));
    return 2;
  }
  if (!run.startUndo()) return 2;
  for (const ListingRow& row : reader.rows()) {
    const Change change = row.block ? Change(*row.block) : Change(SetSettings{assignmentsOf(row), false});
    if (!run.file(row.file, change)) break;
  }
  return run.finish();
}

