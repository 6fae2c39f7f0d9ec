// POSIX systems take UTF-8 names as they are.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "image/file_access.h"

namespace {

const char* fopenMode(OpenMode mode) {
  switch (mode) {
    case OpenMode::Read:
    case OpenMode::ReadRegular:
      return "rb";
    case OpenMode::Update:
    case OpenMode::UpdateRegular:
      return "r+b";
    case OpenMode::CreateNew:
      break;
  }
  return "wbx";
}

// The collection options' open: O_NONBLOCK, so a FIFO with no writer cannot
// hold the run in open(), then fstat, so nothing but a regular file is ever
// read or written. A socket does not open at all (ENXIO); stat tells it too.
OpenResult openRegular(const char* path, OpenMode mode) {
  const int access = mode == OpenMode::ReadRegular ? O_RDONLY : O_RDWR;
  const int fd = ::open(path, access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0) {
    const int error = errno;
    if (error == ENXIO && ::stat(path, &info) == 0 && !S_ISREG(info.st_mode)) {
      return {nullptr, OpenResult::NotRegular};
    }
    return {nullptr, error};
  }
  int error = 0;
  if (::fstat(fd, &info) != 0) {
    error = errno;
  } else if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
  } else if (!S_ISREG(info.st_mode)) {
    error = OpenResult::NotRegular;
  }
  std::FILE* file = error == 0 ? ::fdopen(fd, fopenMode(mode)) : nullptr;
  if (file == nullptr) {
    if (error == 0) error = errno;
    ::close(fd);
    return {nullptr, error};
  }
  return {file, 0};
}

}  // namespace

OpenResult FileAccess::open(const char* path, OpenMode mode) {
  std::FILE* file = nullptr;
  if (mode == OpenMode::ReadRegular || mode == OpenMode::UpdateRegular) {
    const OpenResult opened = openRegular(path, mode);
    if (opened.file == nullptr) return opened;
    file = opened.file;
  } else {
    file = std::fopen(path, fopenMode(mode));
    if (file == nullptr) return {nullptr, errno};
  }
  // A folder opens for reading here, and only its read fails; say at once
  // what it is, as Windows does.
  struct stat info {};
  if (mode == OpenMode::Read && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    return {nullptr, EISDIR};
  }
  // A load is one read into the image: let it go straight there, asking the
  // system for just the bytes wanted (912 for a listing), not a 4 KiB block.
  if (mode == OpenMode::Read || mode == OpenMode::ReadRegular) {
    std::setvbuf(file, nullptr, _IONBF, 0);
  }
  return {file, 0};
}

bool FileAccess::identify(std::FILE* file, FileIdentity& identity) {
  struct stat info {};
  if (::fstat(fileno(file), &info) != 0) return false;
  identity.volume = static_cast<std::uint64_t>(info.st_dev);
  identity.index = static_cast<std::uint64_t>(info.st_ino);
  identity.size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
  return true;
}
