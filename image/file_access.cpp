#include "image/file_access.h"

#include <climits>

FileAccess& FileAccess::disk() {
  static FileAccess real;
  return real;
}

bool FileAccess::read(std::FILE* file, std::uint8_t* buffer, std::size_t size, std::size_t& got) {
  got = std::fread(buffer, 1, size, file);
  return std::ferror(file) == 0;
}

bool FileAccess::seek(std::FILE* file, std::size_t offset) {
  return offset <= LONG_MAX && std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

bool FileAccess::write(std::FILE* file, const std::uint8_t* data, std::size_t size) {
  return std::fwrite(data, 1, size, file) == size;
}

bool FileAccess::flush(std::FILE* file) {
  return std::fflush(file) == 0;
}

bool FileAccess::close(std::FILE* file) {
  return std::fclose(file) == 0;
}
