// Writing the --undo listing, a row before each file's write.
#include "collection/undo_listing.h"

#include "listing/block_listing.h"
#include "platform/standard.h"

UndoListing::~UndoListing() {
  if (file_ != kNoFile) files_.close(file_);
}

int UndoListing::create(const std::string& path) {
  const Opened opened = files_.open(path.c_str(), OpenMode::CreateNew);
  if (opened.file == kNoFile) return opened.error;
  file_ = opened.file;
  identity_ = opened.identity;
  return put(blockListingHeading());
}

int UndoListing::add(std::string_view file, const FileIdentity& identity,
                     const SoundImage::Block& before) {
  if (!written_.insert({identity.volume, identity.index}).second) return 0;
  return put(blockListingRow(file, before));
}

int UndoListing::addAgain(std::string_view file, const SoundImage::Block& before) {
  return put(blockListingRow(file, before));
}

int UndoListing::finish() {
  const int error = files_.sync(file_);
  const int closeError = files_.close(file_);
  file_ = kNoFile;
  return error != 0 ? error : closeError;
}

int UndoListing::put(std::string line) {
  line += lineEnd();
  const Moved moved = files_.writeAt(file_, reinterpret_cast<const std::uint8_t*>(line.data()),
                                     line.size(), offset_);
  if (moved.error != 0 && moved.bytes > 0) files_.cut(file_, offset_);
  if (moved.error == 0) offset_ += moved.bytes;
  return moved.error;
}
