// The --undo listing: a CSV listing with a File and a Block column, a row a
// file written, holding the block as it was before the run wrote it, so
// that --apply of the listing gives every file back byte for byte.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "image/sound_image.h"
#include "platform/file_access.h"

/// Each row is handed to the system before its file is written, so that a
/// run stopped at any point leaves a listing of every file it changed.
class UndoListing {
 public:
  explicit UndoListing(FileAccess& files) : files_(files) {}
  UndoListing(const UndoListing&) = delete;
  UndoListing& operator=(const UndoListing&) = delete;
  ~UndoListing();

  /// Creates the listing at `path`, which must be new, with its header; 0
  /// or why not (FileError::Exists when anything has that name).
  int create(const std::string& path);
  /// Adds the row of `file`, which is `identity`, with the block it holds
  /// before the write; 0 or why not. A file this run wrote already (under
  /// another name, or through a hard link) gets no second row: its first
  /// row holds the bytes it had before the run.
  int add(std::string_view file, const FileIdentity& identity, const SoundImage::Block& before);
  /// Adds a row of `file` once more, with the block it holds now, before a
  /// write: another program changed it since its first row was written.
  /// The later row is the one --apply takes. 0 or why not.
  int addAgain(std::string_view file, const SoundImage::Block& before);
  /// Hands the rows written so far to the disk; 0 or why that failed.
  int sync() { return files_.sync(file_); }
  /// True when `identity` is the listing itself, which a walk may find.
  bool is(const FileIdentity& identity) const { return identity.sameFile(identity_); }
  /// Hands the listing to the disk and closes it; 0 or why that failed.
  int finish();

 private:
  // Writes a line; a line cut short (a full disk) is taken back, so the
  // listing still applies to the files it names.
  int put(std::string line);

  FileAccess& files_;
  FileHandle file_ = kNoFile;
  FileIdentity identity_;
  std::uint64_t offset_ = 0;
  std::set<std::pair<std::uint64_t, std::uint64_t>> written_;  // volume and index
};
