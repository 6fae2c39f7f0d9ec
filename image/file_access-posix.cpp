// POSIX systems take UTF-8 names as they are.
#include "image/file_access.h"

std::FILE* openFile(const char* path, OpenMode mode) {
  switch (mode) {
    case OpenMode::Read:
      return std::fopen(path, "rb");
    case OpenMode::Update:
      return std::fopen(path, "r+b");
    case OpenMode::CreateNew:
      break;
  }
  return std::fopen(path, "wbx");
}
