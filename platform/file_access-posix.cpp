// POSIX systems take UTF-8 names as they are. Each operation is one system
// call where it can be (pread, pwrite), with no stdio buffer in between: a
// block is 7 bytes, and a listing streams through the caller's buffer.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

#include "platform/file_access.h"

namespace {

FileIdentity identityOf(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
          info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0, S_ISREG(info.st_mode)};
}

// Why `info` is no file to read or write in place: 0 for a regular file.
int notAFile(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return EISDIR;
  return S_ISREG(info.st_mode) ? 0 : FileError::NotRegular;
}

int accessOf(OpenMode mode) {
  switch (mode) {
    case OpenMode::Read:
      return O_RDONLY;
    case OpenMode::ReadRegular:
      // O_NONBLOCK: should a FIFO take the file's place after the look, the
      // open still cannot wait for a writer.
      return O_RDONLY | O_NONBLOCK | O_NOCTTY;
    case OpenMode::Update:
      return O_RDWR;
    case OpenMode::UpdateRegular:
      return O_RDWR | O_NONBLOCK | O_NOCTTY;
    case OpenMode::CreateNew:
    case OpenMode::CreatePrivate:
      break;
  }
  return O_RDWR | O_CREAT | O_EXCL;
}

}  // namespace

bool identityOf(FileHandle file, FileIdentity& identity) {
  struct stat info {};
  if (::fstat(static_cast<int>(file), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  identity = identityOf(info);
  return true;
}

Opened FileAccess::open(FileHandle folder, const char* name, OpenMode mode) {
  // Inside a folder of the walk the name is its last part, and a link is
  // never followed: whatever the path to the folder has become since, the
  // file is the one in the folder that was opened.
  const int at = folder == kNoFile ? AT_FDCWD : static_cast<int>(folder);
  const int noFollow = folder == kNoFile ? 0 : O_NOFOLLOW;
  struct stat info {};
  if (mode == OpenMode::ReadRegular) {
    if (::fstatat(at, name, &info, noFollow != 0 ? AT_SYMLINK_NOFOLLOW : 0) != 0) {
      return {kNoFile, {}, errno};
    }
    if (S_ISLNK(info.st_mode)) return {kNoFile, {}, FileError::Link};
    if (const int error = notAFile(info)) return {kNoFile, {}, error};
  }
  const int fd = ::openat(at, name, accessOf(mode) | noFollow | O_CLOEXEC,
                          mode == OpenMode::CreatePrivate ? 0600 : 0666);
  if (fd < 0) return {kNoFile, {}, noFollow != 0 && errno == ELOOP ? FileError::Link : errno};
  int error = ::fstat(fd, &info) != 0 ? errno : 0;
  if (error == 0) {
    if (mode == OpenMode::ReadRegular || mode == OpenMode::UpdateRegular) {
      error = notAFile(info);
    } else if (S_ISDIR(info.st_mode)) {
      // The dialogue takes a pipe or a device too; only a folder says at
      // once what it is, where a read alone would fail later.
      error = EISDIR;
    }
  }
  if (error != 0) {
    ::close(fd);
    return {kNoFile, {}, error};
  }
  return {fd, identityOf(info), 0};
}

int FileAccess::canCreate(const char* path) {
  // A name ending in / can only be a folder's, which open will not create.
  if (*path != '\0' && path[std::char_traits<char>::length(path) - 1] == '/') return EISDIR;
  struct stat info {};
  if (::lstat(path, &info) == 0) return FileError::Exists;
  if (errno != ENOENT) return errno;
  // The folder the new file would go in, which must be there and take it.
  std::string folder(path);
  const std::size_t slash = folder.find_last_of('/');
  folder = slash == std::string::npos ? "." : folder.substr(0, slash + 1);
  return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

Moved FileAccess::readAt(FileHandle file, std::uint8_t* buffer, std::size_t size,
                         std::uint64_t offset) {
  const int fd = static_cast<int>(file);
  Moved moved;
  bool pipe = false;
  while (moved.bytes < size) {
    const ssize_t n = pipe ? ::read(fd, buffer + moved.bytes, size - moved.bytes)
                           : ::pread(fd, buffer + moved.bytes, size - moved.bytes,
                                     static_cast<off_t>(offset + moved.bytes));
    if (n > 0) {
      moved.bytes += static_cast<std::size_t>(n);
    } else if (n == 0) {
      break;
    } else if (errno == ESPIPE && !pipe) {
      pipe = true;  // a pipe has no offsets: it reads from where it stands
    } else if (errno != EINTR) {
      moved.error = errno;
      break;
    }
  }
  return moved;
}

Moved FileAccess::writeAt(FileHandle file, const std::uint8_t* data, std::size_t size,
                          std::uint64_t offset) {
  Moved moved;
  while (moved.bytes < size) {
    const ssize_t n = ::pwrite(static_cast<int>(file), data + moved.bytes, size - moved.bytes,
                               static_cast<off_t>(offset + moved.bytes));
    if (n > 0) {
      moved.bytes += static_cast<std::size_t>(n);
    } else if (n == 0 || errno != EINTR) {
      moved.error = n == 0 ? EIO : errno;
      break;
    }
  }
  return moved;
}

int FileAccess::lock(FileHandle file) {
  // flock's lock belongs to the open file, so closing it lets the lock go,
  // even when the run is killed. It does not wait by itself for a bounded
  // time: ask again until the patience runs out.
  const auto giveUp = std::chrono::steady_clock::now() + lockPatience_;
  for (;;) {
    if (::flock(static_cast<int>(file), LOCK_EX | LOCK_NB) == 0) return 0;
    const int error = errno;
    if (error == EINTR) continue;
    // A file system that keeps no locks (some network and FUSE ones) cannot
    // be locked by anyone: the caller decides whether to write all the same.
    if (error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL) {
      return FileError::NoLocks;
    }
    if (error != EWOULDBLOCK) return error;
    if (std::chrono::steady_clock::now() >= giveUp) return FileError::InUse;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int FileAccess::cut(FileHandle file, std::uint64_t size) {
  return ::ftruncate(static_cast<int>(file), static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int FileAccess::sync(FileHandle file) {
  // The data and what it takes to read it back (the length), not the
  // time stamps: enough for a listing to outlast a power cut.
  return ::fdatasync(static_cast<int>(file)) == 0 ? 0 : errno;
}

int FileAccess::close(FileHandle file) {
  // Linux closes the descriptor even when close() fails, so it is never
  // tried again, not even after EINTR.
  return ::close(static_cast<int>(file)) == 0 ? 0 : errno;
}
