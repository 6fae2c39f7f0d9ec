// The journal of a run that writes: the --undo listing, with the names as
// given, and the history's copy, with whole paths and the blocks written.
// Each row reaches the disk before its file's block does. In a dry run the
// journal writes nothing but counts what it would need, so that a full disk
// ends the dry run where it would end the real one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "collection/undo_listing.h"
#include "image/sound_image.h"
#include "platform/file_access.h"

class Journal {
 public:
  /// `dryRun`: nothing is created or written; rows are counted against the
  /// free space their listing's file system has.
  Journal(FileAccess& files, bool dryRun) : files_(files), dryRun_(dryRun) {}

  /// Creates the --undo listing at `path`, which must be new, and hands its
  /// folder to the disk; 0 or why not (FileError::Exists when anything has
  /// that name). A listing that could not take its header is removed.
  int createUndo(const std::string& path);
  /// Keeps the run's journal in the history too, made with the first row,
  /// so that a run that changes nothing leaves nothing there.
  void keepHistory(const std::string& commandLine) {
    historyCommandLine_ = commandLine;
    wantsHistory_ = true;
  }
  /// In a dry run, counts the history's journal against `free`, what the
  /// disk of the history's `folder` can take.
  void countHistory(const std::string& folder, std::uint64_t free);
  /// True when the history's journal could not be made, or take its first
  /// rows: the run wrote nothing, and its history cannot be kept.
  bool historyRefused() const { return historyError_ != 0 || (history_.failed && !historyTook_); }
  /// True when the run keeps a journal, or in a dry run would.
  bool active() const { return undo_.open || history_.open || wantsHistory_; }
  /// True when `identity` is one of the journal's own files.
  bool is(const FileIdentity& identity) const;

  /// Adds the row of `name`, which is `identity`, holding the block it has
  /// before the run writes `written` there; false when a row of that file
  /// is there already.
  bool add(const std::string& name, const FileIdentity& identity, const SoundImage::Block& before,
           const SoundImage::Block& written);
  /// Adds a later row of `name`: another program changed its block since
  /// its first row, and `before` is what the run's write replaces.
  void addAgain(const std::string& name, const SoundImage::Block& before,
                const SoundImage::Block& written);
  /// Withdraws `name`'s rows: its block was certainly not written.
  void withdraw(const std::string& name);
  /// Writes the rows added since the last sync and hands them to the disk;
  /// 0 or why not (failedPath() says which listing failed).
  int sync();
  /// The listing whose write or sync failed last.
  const std::string& failedPath() const { return failedPath_; }
  /// Hands the listings to the disk and closes them; 0 or why that failed.
  /// `wroteAny`: some block went to the system. Without one the history's
  /// journal is removed: the history keeps only runs that changed something;
  /// and so is a listing that failed, so that a retry can take its name.
  int finish(bool wroteAny);

 private:
  // One listing: a file, or in a dry run the bytes it would take.
  struct Listing {
    std::string path;
    std::unique_ptr<UndoListing> file;
    bool open = false;
    bool failed = false;
    std::uint64_t bytes = 0;     // held or written, in a dry run
    std::uint64_t free = 0;      // what its file system can take, in a dry run
    std::uint64_t unsynced = 0;  // added since the last sync, in a dry run
  };

  int create(Listing& listing, const std::string& path, bool withWritten);
  // Makes the history's journal before its first row; false when it cannot
  // be made (sync() then says why).
  bool startHistory();
  // Counts `row` into a dry run's listing.
  static void count(Listing& listing, const std::string& row);
  int syncOne(Listing& listing);

  FileAccess& files_;
  bool dryRun_;
  Listing undo_;
  Listing history_;
  bool wantsHistory_ = false;
  std::string historyFolder_;  // named when the history's journal fails
  bool historyTook_ = false;   // the history's journal has rows on the disk
  std::string historyCommandLine_;
  int historyError_ = 0;  // why the history's journal could not be made
  std::string failedPath_;
};
