// One run of the collection options over many files: what is done to each
// file, in order, and the undo listing whose rows reach the disk before the
// blocks they give back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collection/change.h"
#include "collection/journal.h"
#include "collection/run_options.h"
#include "collection/run_report.h"
#include "files/file_names.h"
#include "image/sound_image.h"
#include "platform/console.h"
#include "platform/file_access.h"

class Run {
 public:
  /// How many files a run with --undo reads and decides before it writes
  /// their rows, syncs the listing once, and writes their blocks.
  static constexpr std::size_t kBatch = 256;
  /// A batch is written once its files hold this many folders open, so that
  /// a tree of many small folders needs no more descriptors than this.
  static constexpr std::size_t kBatchFolders = 64;

  Run(const RunOptions& options, SoundImage& image, OutputSink& out, OutputSink& errors,
      FileAccess& files);

  /// Shows or changes one file and puts out its line (with --undo, once its
  /// batch is written); false when the run must stop (its output or its
  /// undo listing failed; status() says how).
  bool file(FoundFile&& file, const Change& change);
  /// Looks, without creating it, whether the --undo listing could be
  /// created; false, with the reason said, when not.
  bool checkUndo();
  /// Creates the run's journal: the --undo listing when one is asked for,
  /// and the history's, or in a dry run looks whether they could be made;
  /// false, with the reason said, when not.
  bool startJournal();
  /// A file of this run's own (the list of --files-from), never to be taken
  /// for sound data.
  void protect(const FileIdentity& own);
  /// The file --copy-from read, which the run leaves as it is when it is
  /// among the files.
  void setReference(const FileIdentity& reference) { reference_ = reference; }
  /// A CSV listing has its header even when no file can be read, so that
  /// the listing of nothing can still be applied; the table's heading waits
  /// for its first line, and JSON Lines have none. False when it could not
  /// be written.
  bool start();
  /// Ends the run: writes what is left of the batch, hands what is held of
  /// the output to its sink and the undo listing to the disk; returns the
  /// status.
  int finish();
  /// Reports a problem of `what` (a file, an argument); the run goes on,
  /// and ends with status 1. Returns true.
  bool failed(std::string_view what, std::string_view problem) {
    return report_.failed(what, problem);
  }

 private:
  // A file read and decided, waiting for its turn to be written.
  struct Pending {
    FoundFile file;
    Change change;
    std::string problem;  // why it cannot be done, said in its turn
    FileIdentity identity;
    SoundImage::Block loaded{};
    bool changes = false;     // the block as loaded is not yet as asked
    bool matches = true;      // it meets --if's conditions
    bool rowed = false;       // the journal holds its row
    bool writeTried = false;  // its block went to the system, whole or in part
    bool again = false;       // a name of a file the run took before
    bool journal = false;     // the run's own journal, found by a pattern
  };

  // Shows one file.
  bool show(const FoundFile& file);
  // Loads the head of the file that holds the settings block; "" or why
  // the file cannot be read, is no regular file or is too short. With
  // `journal`, sets it when the file is the run's own journal, for which
  // nothing more is looked at.
  std::string load(const FoundFile& file, bool* journal = nullptr);
  // Reads `file` and decides whether `change` changes it.
  Pending prepare(FoundFile&& file, const Change& change);
  // Writes a pending file, or in a dry run goes as far as the write, and
  // puts out its line; false when the run must stop.
  bool complete(Pending& pending);
  // Opens, checks and locks the pending file, reads its block, decides the
  // new block and sets `report` to what that changes ("" for nothing), then
  // writes it; a dry run stops before the write. Withdraws the row of a
  // file whose block was certainly not written.
  FileResult update(Pending& pending, std::string& report);
  FileResult decideAndWrite(Pending& pending, std::string& report);
  // Writes the rows of the batch's files about to change and syncs the
  // listing, then completes each file in order; false when the run must
  // stop.
  bool flush();
  // Says that the journal failed before `name` was written; false.
  bool journalFailed(const std::string& name);
  // Says why a journal could not be started; false.
  bool journalRefused(const std::string& path, int error);

  const RunOptions& options_;
  SoundImage& image_;
  FileAccess& files_;
  RunReport report_;
  Journal journal_;
  int journalError_ = 0;  // why the journal could not take a row or a sync
  std::vector<Pending> batch_;
  std::size_t batchFolders_ = 0;  // the folders the batch holds open
  // The files this run took, by volume and index, and whether each met
  // the conditions: a file is decided and written once, whatever its names.
  std::map<std::pair<std::uint64_t, std::uint64_t>, bool> taken_;
  bool wroteAny_ = false;
  // Files never to take for sound data: standard output's, the list's.
  std::vector<FileIdentity> own_;
  FileIdentity reference_;
  bool headed_;
};
