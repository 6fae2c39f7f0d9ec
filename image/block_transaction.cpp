// The steps of a block written in place, each a system call or two.
#include "image/block_transaction.h"

BlockTransaction::~BlockTransaction() {
  close();
}

FileResult BlockTransaction::open(FileHandle folder, const char* name, OpenMode mode) {
  const Opened opened = files_.open(folder, name, mode);
  missing_ = opened.missing();
  if (opened.file == kNoFile) {
    return {opened.error == FileError::InUse ? FileResult::Step::InUse : FileResult::Step::Open,
            opened.error};
  }
  file_ = opened.file;
  identity_ = opened.identity;
  return {};
}

FileResult BlockTransaction::create(const char* path) {
  return open(path, OpenMode::CreateNew);
}

FileResult BlockTransaction::lock() {
  const int error = files_.lock(file_);
  unlocked_ = error == FileError::NoLocks;
  if (error == 0 || unlocked_) return {};
  return {error == FileError::InUse ? FileResult::Step::InUse : FileResult::Step::Open, error};
}

FileResult BlockTransaction::read(SoundImage::Block& block, std::size_t size) {
  const Moved got = files_.readAt(file_, block.data(), size, SettingsBlock::TimerFlags);
  if (got.error != 0) return {FileResult::Step::Read, got.error};
  // Cut short since its length was asked, by a program that ignores locks.
  if (got.bytes != size) return {FileResult::Step::Shrunk, 0};
  return {};
}

FileResult BlockTransaction::write(const SoundImage::Block& block, std::size_t size) {
  return writeAndClose(block.data(), size, SettingsBlock::TimerFlags);
}

FileResult BlockTransaction::writeWhole(const std::uint8_t* bytes, std::size_t length) {
  return writeAndClose(bytes, length, 0);
}

FileResult BlockTransaction::writeAndClose(const std::uint8_t* data, std::size_t size,
                                           std::uint64_t offset) {
  const int error = size > 0 ? files_.writeAt(file_, data, size, offset).error : 0;
  const int closeError = files_.close(file_);
  file_ = kNoFile;
  if (error != 0 || closeError != 0) {
    return {FileResult::Step::Write, error != 0 ? error : closeError};
  }
  return {};
}

void BlockTransaction::close() {
  // Nothing was written: a failed close loses nothing.
  if (file_ != kNoFile) files_.close(file_);
  file_ = kNoFile;
}
