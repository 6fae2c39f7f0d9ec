// The run's listings: each row to both, synced together before the blocks;
// in a dry run, the bytes they would take against the free space.
#include "collection/journal.h"

#include "collection/history.h"
#include "listing/block_listing.h"
#include "platform/places.h"
#include "platform/standard.h"
#include "platform/system_error.h"

namespace {

// What a file system hands out at the least: a new file of a few bytes
// takes one block of it.
constexpr std::uint64_t kBlockBytes = 4096;

std::uint64_t roundedUp(std::uint64_t bytes) {
  return (bytes + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
}

}  // namespace

int Journal::createUndo(const std::string& path) {
  return create(undo_, path, false);
}

bool Journal::startHistory() {
  if (!wantsHistory_ || history_.open || historyError_ != 0) return historyError_ == 0;
  historyError_ = History::begin(files_, historyCommandLine_, history_.path, historyFolder_);
  if (historyError_ == 0) historyError_ = create(history_, history_.path, true);
  if (historyError_ == 0) return true;
  // A note without its journal is no run: nothing of it is left.
  if (!history_.path.empty()) History::forget(history_.path);
  failedPath_ = historyFolder_;
  return false;
}

void Journal::countHistory(const std::string& folder, std::uint64_t free) {
  historyFolder_ = history_.path = folder;
  history_.free = free;
  history_.open = true;
  count(history_, blockListingHeading(true));
}

int Journal::create(Listing& listing, const std::string& path, bool withWritten) {
  listing.path = path;
  if (dryRun_) {
    int error = files_.canCreate(path.c_str());
    if (error == 0) error = freeSpace(path, listing.free);
    if (error != 0) return error;
    listing.open = true;
    count(listing, blockListingHeading(withWritten));
    return syncOne(listing);
  }
  listing.file = std::make_unique<UndoListing>(files_, withWritten);
  int error =
      listing.file->create(path, withWritten ? OpenMode::CreatePrivate : OpenMode::CreateNew);
  // Its name must outlast a power cut as the blocks it gives back do; its
  // header reaches the disk with the first rows.
  if (error == 0) error = syncFolderOf(path);
  if (error == 0) {
    listing.open = true;
    return 0;
  }
  // A listing that holds not even its header is no use to a retry.
  if (listing.file->created()) {
    listing.file.reset();
    removeFile(path);
  }
  listing.file.reset();
  return error;
}

bool Journal::is(const FileIdentity& identity) const {
  return (undo_.file != nullptr && undo_.file->is(identity)) ||
         (history_.file != nullptr && history_.file->is(identity));
}

bool Journal::add(const std::string& name, const FileIdentity& identity,
                  const SoundImage::Block& before, const SoundImage::Block& written) {
  if (dryRun_) {
    if (undo_.open) count(undo_, blockListingRow(name, before));
    if (history_.open) count(history_, blockListingRow(wholePath(name), before, true, written));
    return true;
  }
  bool added = false;
  if (undo_.open) added = undo_.file->add(name, identity, before);
  if (!startHistory()) return added;
  if (history_.open) added = history_.file->add(wholePath(name), identity, before, written);
  return added;
}

void Journal::addAgain(const std::string& name, const SoundImage::Block& before,
                       const SoundImage::Block& written) {
  if (dryRun_) {
    if (undo_.open) count(undo_, blockListingRow(name, before));
    if (history_.open) count(history_, blockListingRow(wholePath(name), before, true, written));
    return;
  }
  if (undo_.open) undo_.file->addAgain(name, before);
  if (history_.open) history_.file->addAgain(wholePath(name), before, written);
}

void Journal::withdraw(const std::string& name) {
  if (dryRun_) {
    if (undo_.open) count(undo_, withdrawnBlockListingRow(name));
    if (history_.open) count(history_, withdrawnBlockListingRow(wholePath(name), true));
    return;
  }
  if (undo_.open) undo_.file->withdraw(name);
  if (history_.open) history_.file->withdraw(wholePath(name));
}

int Journal::sync() {
  if (historyError_ != 0) return historyError_;
  for (Listing* listing : {&undo_, &history_}) {
    if (!listing->open) continue;
    if (const int error = syncOne(*listing)) return error;
  }
  return 0;
}

int Journal::syncOne(Listing& listing) {
  int error = 0;
  if (!dryRun_) {
    error = listing.file->sync();
  } else if (listing.unsynced > 0) {
    // The real run would write these rows now: they must fit.
    listing.bytes += listing.unsynced;
    listing.unsynced = 0;
    if (roundedUp(listing.bytes) > listing.free) error = FileError::NoSpace;
  }
  // Its first sync is its first batch's.
  if (error == 0 && &listing == &history_) historyTook_ = true;
  if (error != 0) {
    listing.failed = true;
    // The history's journal is named by its folder, as a dry run knows it.
    failedPath_ = &listing == &history_ ? historyFolder_ : listing.path;
  }
  return error;
}

void Journal::count(Listing& listing, const std::string& row) {
  listing.unsynced += row.size() + std::string_view(lineEnd()).size();
}

int Journal::finish(bool wroteAny) {
  int error = 0;
  for (Listing* listing : {&undo_, &history_}) {
    if (listing->file == nullptr) continue;
    const int finished = listing->file->finish();
    if (finished != 0 && error == 0) {
      error = finished;
      failedPath_ = listing->path;
    }
    listing->file.reset();
    if (wroteAny) continue;
    // Nothing was written: the history keeps no run that changed nothing,
    // and a listing that failed is no use to anyone, its name to a retry.
    if (listing == &history_) {
      History::forget(listing->path);
    } else if (listing->failed || finished != 0) {
      removeFile(listing->path);
    }
  }
  undo_.open = history_.open = false;
  return error;
}
