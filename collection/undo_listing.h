// The --undo listing: a CSV listing with a File and a Block column, a row a
// file written, holding the block as it was before the run wrote it, so
// that --apply of the listing gives every file back byte for byte; and, in
// a listing made with it, a Written column holding what the run wrote.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "image/sound_image.h"
#include "platform/file_access.h"

/// Rows are held until sync(), which writes them in one write and hands the
/// listing to the disk: a run syncs the rows of its files before it writes
/// their blocks, so that a run stopped at any point leaves a listing of
/// every file it changed.
class UndoListing {
 public:
  /// `withWritten` gives the listing its Written column; without it, the
  /// listing has the File and Block columns alone.
  explicit UndoListing(FileAccess& files, bool withWritten = false)
      : files_(files), withWritten_(withWritten) {}
  UndoListing(const UndoListing&) = delete;
  UndoListing& operator=(const UndoListing&) = delete;
  ~UndoListing();

  /// Creates the listing at `path`, which must be new, opened in `mode`
  /// (CreateNew or CreatePrivate), with its header; 0 or why not
  /// (FileError::Exists when anything has that name).
  int create(const std::string& path, OpenMode mode = OpenMode::CreateNew);
  /// True when create() made the file, whether or not it took the header.
  bool created() const { return file_ != kNoFile; }
  /// Adds the row of `file`, which is `identity`, with the block it holds
  /// before the write, and in the Written column `written`, the block the
  /// write puts in its place (an empty cell when absent). A file listed
  /// already (under another name, or through a hard link) gets no second
  /// row: its first row holds the bytes it had before the run.
  /// Returns true when it added a row.
  bool add(std::string_view file, const FileIdentity& identity, const SoundImage::Block& before,
           const std::optional<SoundImage::Block>& written = std::nullopt);
  /// Adds a row of `file` once more, with the block it holds now, before a
  /// write: another program changed it since its first row was written.
  /// The later row is the one --apply takes.
  void addAgain(std::string_view file, const SoundImage::Block& before,
                const std::optional<SoundImage::Block>& written = std::nullopt);
  /// Adds a row of `file` with an empty Block cell, when the run did not
  /// write it after all (replaced, refused, no longer to change): the
  /// file's earlier row is then not put back, whatever holds the name.
  void withdraw(std::string_view file);
  /// Writes the rows added since the last sync and hands the listing to the
  /// disk; 0 or why either failed (a row cut short is taken back, so the
  /// listing still applies to the files it names).
  int sync();
  /// True when `identity` is the listing itself, which a walk may find.
  bool is(const FileIdentity& identity) const { return identity.sameFile(identity_); }
  /// Hands the listing to the disk and closes it; 0 or why that failed.
  int finish();

 private:
  // Writes whole lines; lines cut short (a full disk) are taken back.
  int put(const std::string& lines);

  FileAccess& files_;
  bool withWritten_;
  FileHandle file_ = kNoFile;
  FileIdentity identity_;
  std::uint64_t offset_ = 0;
  std::string rows_;                                           // added, not yet written
  bool unsynced_ = false;                                      // written since the last sync
  std::set<std::pair<std::uint64_t, std::uint64_t>> written_;  // volume and index
};
