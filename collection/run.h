// One run of the collection options over many files: what is done to each
// file, the journal whose rows reach the disk before the blocks they give
// back, and files in flight side by side (-j), whose lines still come out
// in the order of the files.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collection/change.h"
#include "collection/journal.h"
#include "collection/run_options.h"
#include "collection/run_report.h"
#include "collection/workers.h"
#include "files/file_names.h"
#include "image/sound_image.h"
#include "platform/console.h"
#include "platform/file_access.h"

class Run {
 public:
  /// How many files a run reads and decides before it writes their rows,
  /// syncs the journal once, and writes their blocks.
  static constexpr std::size_t kBatch = 256;
  /// A batch is written once its files hold this many folders open, so that
  /// a tree of many small folders needs no more descriptors than this.
  static constexpr std::size_t kBatchFolders = 64;
  /// Without -j: files in flight once the first kWatched files took over
  /// kWaiting each on average, as on a network share. On a local disk one
  /// at a time is faster: a file's few calls take less than handing it over.
  static constexpr std::size_t kJobs = 32;
  static constexpr std::size_t kWatched = 8;
  static constexpr std::chrono::microseconds kWaiting{200};

  Run(const RunOptions& options, SoundImage& image, OutputSink& out, OutputSink& errors,
      FileAccess& files);
  ~Run();

  /// Shows or changes one file and puts out its line (once its batch is
  /// written, or with files in flight once every line before it is out);
  /// false when the run must stop (its output or its journal failed).
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
  /// the output to its sink and the journal to the disk; returns the status.
  int finish();
  /// Reports a problem of `what` (a file, an argument), in its turn among
  /// the files' lines; the run goes on, and ends with status 1. True.
  bool failed(std::string_view what, std::string_view problem);

 private:
  // A file read and decided, waiting for its turn to be written.
  struct Pending {
    Pending(FoundFile&& file, Change change) : file(std::move(file)), change(std::move(change)) {}
    FoundFile file;
    Change change;
    std::string problem;  // why it cannot be done, said in its turn
    FileIdentity identity;
    SoundImage::Block loaded{};
    bool changes = false;      // the block as loaded is not yet as asked
    bool matches = true;       // it meets --if's conditions
    bool rowed = false;        // the journal holds its row
    bool writeTried = false;   // its block went to the system, whole or in part
    bool again = false;        // a name of a file the run took before
    bool journal = false;      // the run's own journal, found by a pattern
    bool journalStop = false;  // the journal failed before its write
    FileResult written;        // how its update ended
    std::string report;        // what its update changed
    bool settled = false;      // its update ended (with files in flight)
    bool threw = false;        // ... by an exception
  };
  // A line of --show in flight: a file's, or a problem said in its turn.
  struct Shown {
    explicit Shown(FoundFile&& file) : file(std::move(file)) {}
    FoundFile file;
    std::string problem;
    std::string row;  // empty: it does not meet the conditions
    bool done = false;
    bool ofFile = true;  // the problem is the file's, counted as failed
  };

  // Shows one file: at once, or with files in flight as its turn comes.
  bool show(FoundFile&& file);
  // Reads a --show file into `shown` with `image`.
  void look(Shown& shown, SoundImage& image) const;
  // Puts out the lines of --show whose turn has come; false when the
  // output failed. The caller holds telling_.
  bool tellShown();
  bool tellShown(const Shown& shown);
  // Waits for every --show line in flight; false when the output failed.
  bool drainShown();
  // Loads the head of the file that holds the settings block into `image`;
  // "" or why the file cannot be read, is no regular file or is too short.
  // With `journal`, sets it when the file is the run's own journal, for
  // which nothing more is looked at.
  std::string load(const FoundFile& file, SoundImage& image, bool* journal = nullptr) const;
  // Reads the pending file with `image` and decides whether its change
  // changes it.
  void prepare(Pending& pending, SoundImage& image) const;
  // Takes the pending file for the run, in the order of the files: another
  // name of a file taken before is decided as that one was.
  void take(Pending& pending);
  // Writes a pending file, or in a dry run goes as far as the write.
  void settle(Pending& pending);
  // Puts out a settled file's line; false when the run must stop.
  bool tell(Pending& pending);
  // Opens, checks and locks the pending file, reads its block, decides the
  // new block and sets `report` to what that changes ("" for nothing), then
  // writes it; a dry run stops before the write.
  FileResult decideAndWrite(Pending& pending, std::string& report);
  // Writes the rows of the batch's files about to change and syncs the
  // journal, then settles and tells each file in order; false when the run
  // must stop.
  bool flush();
  // Says that the journal failed before `name` was written; false.
  bool journalFailed(const std::string& name);
  // Says why a journal could not be started; false.
  bool journalRefused(const std::string& path, int error);
  // The image worker `worker` loads files into.
  SoundImage& imageOf(std::size_t worker);
  // Notes how long a file one at a time took, and puts files in flight
  // when the first ones waited (no -j given).
  void watch(std::chrono::steady_clock::time_point started);

  const RunOptions& options_;
  SoundImage& image_;
  FileAccess& files_;
  Workers workers_;
  bool inFlight_;  // files go to the workers, not one at a time
  std::size_t watched_ = 0;
  std::chrono::steady_clock::duration waited_{};
  std::vector<std::unique_ptr<SoundImage>> images_;  // a worker's, but for the first
  RunReport report_;
  Journal journal_;
  std::atomic<int> journalError_{0};  // why the journal could not take a row or a sync
  std::mutex journaling_;             // the journal, between workers
  std::vector<std::unique_ptr<Pending>> batch_;
  std::size_t batchFolders_ = 0;  // the folders the batch holds open
  // The files this run took, by volume and index, and whether each met
  // the conditions: a file is decided and written once, whatever its names.
  std::map<std::pair<std::uint64_t, std::uint64_t>, bool> taken_;
  std::atomic<bool> wroteAny_{false};
  // Files never to take for sound data: standard output's, the list's.
  std::vector<FileIdentity> own_;
  FileIdentity reference_;
  // --show's lines in flight, in the order of the files, and the lock of
  // the report, which whoever finishes the first of them takes.
  std::deque<std::unique_ptr<Shown>> shown_;
  std::mutex telling_;
  std::condition_variable told_;
  bool stopped_ = false;  // the output failed
  // The output failed: files in flight that have not begun their write
  // are not written.
  std::atomic<bool> outputDead_{false};
  bool saidOne_ = false;  // a line of the run went out
  bool headed_;
};
