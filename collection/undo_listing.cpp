// Writing the --undo listing, a row before each file's write.
#include "collection/undo_listing.h"

#include "listing/block_listing.h"
#include "platform/standard.h"

UndoListing::~UndoListing() {
  if (file_ != kNoFile) files_.close(file_);
}

int UndoListing::create(const std::string& path, OpenMode mode) {
  const Opened opened = files_.open(path.c_str(), mode);
  if (opened.file == kNoFile) return opened.error;
  file_ = opened.file;
  identity_ = opened.identity;
  return put(blockListingHeading(withWritten_) + lineEnd());
}

bool UndoListing::add(std::string_view file, const FileIdentity& identity,
                      const SoundImage::Block& before,
                      const std::optional<SoundImage::Block>& written) {
  if (!written_.insert({identity.volume, identity.index}).second) return false;
  addAgain(file, before, written);
  return true;
}

void UndoListing::withdraw(std::string_view file) {
  rows_ += withdrawnBlockListingRow(file, withWritten_);
  rows_ += lineEnd();
}

void UndoListing::addAgain(std::string_view file, const SoundImage::Block& before,
                           const std::optional<SoundImage::Block>& written) {
  rows_ += blockListingRow(file, before, withWritten_, written);
  rows_ += lineEnd();
}

int UndoListing::sync() {
  // The rows of a batch go out in one write.
  if (!rows_.empty()) {
    const int error = put(rows_);
    rows_.clear();
    if (error != 0) return error;
  }
  if (!unsynced_) return 0;
  unsynced_ = false;
  return files_.sync(file_);
}

int UndoListing::finish() {
  const int error = sync();
  const int closeError = files_.close(file_);
  file_ = kNoFile;
  return error != 0 ? error : closeError;
}

int UndoListing::put(const std::string& lines) {
  const Moved moved = files_.writeAt(file_, reinterpret_cast<const std::uint8_t*>(lines.data()),
                                     lines.size(), offset_);
  if (moved.error != 0 && moved.bytes > 0) files_.cut(file_, offset_);
  if (moved.error == 0) offset_ += moved.bytes;
  unsynced_ = unsynced_ || moved.bytes > 0;
  return moved.error;
}
