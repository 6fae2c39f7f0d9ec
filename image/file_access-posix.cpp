// POSIX systems take UTF-8 names as they are.
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
  return {file, 0};
}
