// The settings block written in place, as plain steps that a caller takes
// in order and checks one by one: open the file for update, check it (the
// caller's own rules), lock it, read the block as it is now, write the new
// block, close. Only the block's bytes are read and written; a file that
// vanished or became shorter can be written whole instead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/sound_image.h"
#include "platform/file_access.h"

class BlockTransaction {
 public:
  explicit BlockTransaction(FileAccess& files) : files_(files) {}
  BlockTransaction(const BlockTransaction&) = delete;
  BlockTransaction& operator=(const BlockTransaction&) = delete;
  /// Closes a file still open, unwritten or after a failed step.
  ~BlockTransaction();

  /// Opens the file at `path` in OpenMode::Update or UpdateRegular; fails
  /// at Step::Open (Step::InUse for a file another program holds), and then
  /// missing() tells whether nothing has that name.
  FileResult open(const char* path, OpenMode mode) { return open(kNoFile, path, mode); }
  /// As open(path, mode), for the file `name` in the open `folder` (see
  /// FileAccess::open), or the path `name` when `folder` is kNoFile.
  FileResult open(FileHandle folder, const char* name, OpenMode mode);
  /// Creates a new file at `path`, failing at Step::Open when anything has
  /// that name: a file that vanished is made again, one that appeared in
  /// its place is never emptied.
  FileResult create(const char* path);
  /// True when the last open failed because nothing had that name.
  bool missing() const { return missing_; }
  /// The open file and its length, for the caller's checks.
  const FileIdentity& identity() const { return identity_; }

  /// Takes the file's lock, waiting for another program's; Step::InUse
  /// after the wait, Step::Open for any other failure. On a file system
  /// that keeps no locks it succeeds unlocked, and unlocked() says so.
  FileResult lock();
  /// True when the last lock() found no locks to take.
  bool unlocked() const { return unlocked_; }
  /// Reads the first `size` bytes of the block as the file holds them now
  /// into `block`; Step::Read when the read fails, Step::Shrunk when the
  /// file ends before them.
  FileResult read(SoundImage::Block& block, std::size_t size = kBlockSize);
  /// Writes the first `size` bytes of `block` in place in one write, and
  /// closes the file; Step::Write when either fails.
  FileResult write(const SoundImage::Block& block, std::size_t size = kBlockSize);
  /// Writes `length` bytes of `bytes` from the start of the file, and
  /// closes it; Step::Write when either fails.
  FileResult writeWhole(const std::uint8_t* bytes, std::size_t length);
  /// Closes the file unwritten.
  void close();

  static constexpr std::size_t kBlockSize = SoundImage::Block().size();

 private:
  // Writes at `offset` and closes; Step::Write when either fails.
  FileResult writeAndClose(const std::uint8_t* data, std::size_t size, std::uint64_t offset);

  FileAccess& files_;
  FileHandle file_ = kNoFile;
  FileIdentity identity_;
  bool missing_ = false;
  bool unlocked_ = false;
};
