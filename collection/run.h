// One run of the collection options over many files: the image, the
// streams, the undo listing and the exit status they share, and what is
// done to each file.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "collection/change.h"
#include "collection/collection_args.h"
#include "collection/undo_listing.h"
#include "image/sound_image.h"
#include "platform/console.h"
#include "platform/file_access.h"

class Run {
 public:
  Run(const CollectionArgs& args, SoundImage& image, OutputSink& out, OutputSink& errors,
      FileAccess& files);

  /// Shows or changes one file and puts out its line; false when the run
  /// must stop (its output or its undo listing failed; status() says how).
  bool file(const std::string& name, const Change& change);
  /// Creates the --undo listing when one is asked for and this is no dry
  /// run; false, with the reason said, when it cannot be created.
  bool startUndo();
  /// A CSV listing has its header even when no file can be read, so that
  /// the listing of nothing can still be applied; the table's heading waits
  /// for its first line, and JSON Lines have none. False when it could not
  /// be written.
  bool start();
  /// Ends the run, handing what is held of the output to its sink and the
  /// undo listing to the disk; returns the status.
  int finish();

  /// Reports a problem of `what` (a file, an argument) on standard error;
  /// the run goes on, and ends with status 1. Returns true.
  bool failed(std::string_view what, std::string_view problem);
  /// Puts out one line of results; false when it could not be written,
  /// with one line on standard error saying so (but for a reader that has
  /// gone) and which report was lost.
  bool put(const std::string& line, std::string_view lostReport);
  int status() const { return status_; }

 private:
  // Loads the head of the file that holds the settings block; false, with
  // the error reported, when the file cannot be read, is no regular file or
  // is too short.
  bool load(const std::string& name);
  // Writes `change` into the file the image was loaded from, deciding its
  // new block from the block read under the lock; sets `report` to what
  // changed ("" for nothing).
  FileResult update(const std::string& name, const Change& change, std::string& report);
  // Says that standard output failed with `error`; false.
  bool outputFailed(int error, std::string_view lostReport);

  const CollectionArgs& args_;
  SoundImage& image_;
  OutputSink& out_;
  OutputSink& errors_;
  FileAccess& files_;
  std::unique_ptr<UndoListing> undo_;
  int undoError_ = 0;    // why the last row could not be added
  FileIdentity output_;  // the file standard output goes to, if it is one
  bool outputIsFile_ = false;
  // --show's lines into a file or the null device, held and handed over in
  // blocks; null where each line goes out at once.
  std::unique_ptr<Writer> held_;
  bool headed_;
  int status_ = 0;
};
