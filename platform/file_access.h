// How files on the disk are opened, read and written at an offset, locked,
// cut and synced. Names are UTF-8 text on every system (WTF-8 on Windows),
// so no caller sees the platform's own kind of path. Every operation says
// why it failed, as a reason of platform/system_error.h.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "platform/system_error.h"

/// An open file as the system knows it: a descriptor on POSIX, a HANDLE on
/// Windows.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

enum class OpenMode {
  Read,       // reading only: a file, a pipe, a device
  Update,     // reading and writing in place, never creating or cutting the file
  CreateNew,  // writing a new file; fails when one exists by that name
  // As CreateNew, for a file only this user may read and write (0600 on
  // POSIX; on Windows the folder it is made in keeps it to its user).
  CreatePrivate,
  // Opens for nothing but a regular file. A name is looked at (stat) before it is
  // opened for reading, so a FIFO or a device is never opened at all: a
  // program blocked writing to a FIFO stays blocked and loses nothing.
  // After the open the file itself is checked again, in case another was
  // put in its place between the two. The update open is for a file
  // already read that way; the block writer checks that it is that file.
  ReadRegular,
  UpdateRegular
};

/// Which file an open reached, and its length. Two opens reached the same
/// file when volume and index agree: the device and inode on POSIX, the
/// volume serial number and file index on Windows.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  std::uint64_t size = 0;
  /// A regular file: no pipe, device or socket.
  bool regular = false;
  bool sameFile(const FileIdentity& other) const {
    return volume == other.volume && index == other.index;
  }
};

/// Sets `identity` to the open file's, length included, and returns true
/// when `file` is a file on a disk; false for a pipe, a console or a device.
bool identityOf(FileHandle file, FileIdentity& identity);

/// What an open gives: the file and what the system says of it, or the
/// reason there is none.
struct Opened {
  FileHandle file = kNoFile;
  /// The file that opened, from the one look the open takes at it; zero for
  /// something that is no file on a disk (a pipe the dialogue reads).
  FileIdentity identity;
  /// Why there is no file (see FileError); 0 when it opened.
  int error = 0;
  /// True when the open failed because nothing exists by that name.
  bool missing() const { return error == FileError::Missing; }
};

/// How many bytes a read or a write moved, and why it stopped short.
struct Moved {
  std::size_t bytes = 0;
  /// Why fewer bytes than asked moved (see FileError); 0 when all did, or
  /// when a read met the file's end.
  int error = 0;
};

/// The file operations a load and a save make. This class is the real disk;
/// a test derives from it to make one step fail where a real file cannot (a
/// read error partway, a failing write or close).
class FileAccess {
 public:
  /// `lockPatience` is how long lock() waits for another program's lock.
  explicit FileAccess(std::chrono::milliseconds lockPatience = std::chrono::seconds(5))
      : lockPatience_(lockPatience) {}
  virtual ~FileAccess() = default;
  FileAccess(const FileAccess&) = delete;
  FileAccess& operator=(const FileAccess&) = delete;
  /// The real disk, shared by every caller that passes no other.
  static FileAccess& disk();

  /// Opens the file at `path` (UTF-8); on failure the result holds no file
  /// and says why. A folder never opens (FileError::IsFolder).
  Opened open(const char* path, OpenMode mode) { return open(kNoFile, path, mode); }
  /// Opens the file `name` in the open `folder` (one a FolderReader opened),
  /// never through a symbolic link (FileError::Link) and never outside that
  /// folder, however its path changes meanwhile; with kNoFile, the file at
  /// the path `name`, as open(path, mode).
  virtual Opened open(FileHandle folder, const char* name, OpenMode mode);
  /// Looks, without opening anything, whether a CreateNew open of `path`
  /// would succeed: 0, FileError::Exists when anything has that name (a
  /// link that leads nowhere included), or why its folder cannot take a
  /// new file (missing, or not to be written in).
  virtual int canCreate(const char* path);
  /// Reads up to `size` bytes from `offset`: fewer only at the file's end or
  /// with the reason set. A pipe is read from where it stands.
  virtual Moved readAt(FileHandle file, std::uint8_t* buffer, std::size_t size,
                       std::uint64_t offset);
  /// Writes all `size` bytes at `offset` in one go; fewer only with the
  /// reason set.
  virtual Moved writeAt(FileHandle file, const std::uint8_t* data, std::size_t size,
                        std::uint64_t offset);
  /// Takes the exclusive lock on the open file that cooperating programs
  /// (our own runs among them) honour, waiting for it up to the patience;
  /// 0, FileError::InUse, FileError::NoLocks on a file system that keeps
  /// none, or the system's reason. Closing lets it go. On
  /// Windows the update open's share mode is the lock, so this returns 0.
  virtual int lock(FileHandle file);
  /// Cuts the file to its first `size` bytes; 0, or the reason it failed.
  virtual int cut(FileHandle file, std::uint64_t size);
  /// Hands what was written to the disk itself (fsync, FlushFileBuffers),
  /// so that it outlasts a power cut; 0, or the reason it failed.
  virtual int sync(FileHandle file);
  /// Closes the file (always); 0, or the reason the close failed.
  virtual int close(FileHandle file);

 protected:
  std::chrono::milliseconds lockPatience_;
};
