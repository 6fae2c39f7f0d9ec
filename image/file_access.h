// How loads and saves reach the disk. Names are UTF-8 text on every system,
// so the editor's logic never sees the platform's own kind of path.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>

enum class OpenMode {
  Read,       // reading only
  Update,     // reading and writing from the start, keeping the file's length
  CreateNew,  // writing a new file; fails when one exists by that name
  // The collection options' opens, for reading or for writing in place. They
  // never wait and take only a regular file: a FIFO would block the run, and
  // a device is no sound data file (and takes any write without complaint).
  ReadRegular,
  UpdateRegular
};

/// What an open gives: the file, or the reason there is none.
struct OpenResult {
  /// `error` when the name is no regular file (a FIFO, a device, a socket).
  static constexpr int NotRegular = -1;

  std::FILE* file = nullptr;
  /// The system's reason (an errno value, or NotRegular) when `file` is
  /// nullptr; 0 when it opened.
  int error = 0;
  /// True when the open failed because nothing exists by that name.
  bool missing() const { return file == nullptr && error == ENOENT; }
};

/// Which file an open reached, and its length. Two opens reached the same
/// file when volume and index agree: the device and inode on POSIX, the
/// volume serial number and file index on Windows.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  std::uint64_t size = 0;
  bool sameFile(const FileIdentity& other) const {
    return volume == other.volume && index == other.index;
  }
};

/// The file operations a load and a save make, in the order they make them.
/// This class is the real disk; a test derives from it to make one step fail
/// where a real file cannot (a read error partway, a failing flush or close).
class FileAccess {
 public:
  virtual ~FileAccess() = default;
  /// The real disk, shared by every caller that passes no other.
  static FileAccess& disk();

  /// Opens the file at `path` (UTF-8) in binary mode; on failure the result
  /// holds no file and says why. A folder never opens for reading (EISDIR).
  /// One definition a platform: file_access-posix.cpp, file_access-win32.cpp.
  virtual OpenResult open(const char* path, OpenMode mode);
  /// Sets `identity` to what the system says of the open file; returns false
  /// when it cannot say. One definition a platform.
  virtual bool identify(std::FILE* file, FileIdentity& identity);
  /// Reads up to `size` bytes into `buffer`, setting `got` to how many came;
  /// returns false on a read error (a short count alone is the file's end).
  virtual bool read(std::FILE* file, std::uint8_t* buffer, std::size_t size, std::size_t& got);
  /// Moves to `offset` from the start of the file, returning false on failure.
  virtual bool seek(std::FILE* file, std::size_t offset);
  /// Writes all `size` bytes, returning false when not all were taken.
  virtual bool write(std::FILE* file, const std::uint8_t* data, std::size_t size);
  /// Hands buffered bytes to the system, returning false on failure.
  virtual bool flush(std::FILE* file);
  /// Closes the file (always), returning false when that failed.
  virtual bool close(std::FILE* file);
};
