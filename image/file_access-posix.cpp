// POSIX systems take UTF-8 names as they are.
#include <sys/stat.h>

#include <cerrno>

#include "image/file_access.h"

namespace {

const char* fopenMode(OpenMode mode) {
  switch (mode) {
    case OpenMode::Read:
      return "rb";
    case OpenMode::Update:
      return "r+b";
    case OpenMode::CreateNew:
      break;
  }
  return "wbx";
}

}  // namespace

OpenResult FileAccess::open(const char* path, OpenMode mode) {
  std::FILE* file = std::fopen(path, fopenMode(mode));
  if (file == nullptr) return {nullptr, errno};
  // A folder opens for reading here, and only its read fails; say at once
  // what it is, as Windows does.
  struct stat info {};
  if (mode == OpenMode::Read && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    return {nullptr, EISDIR};
  }
  // A load is one read into the image: let it go straight there, asking the
  // system for just the bytes wanted (912 for a listing), not a 4 KiB block.
  if (mode == OpenMode::Read) std::setvbuf(file, nullptr, _IONBF, 0);
  return {file, 0};
}
