// What the places of both systems share: comparing two paths as written.
#include "platform/places.h"

#include <filesystem>

bool samePath(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  // UTF-8 in, whatever the system's own encoding of paths.
  return fs::u8path(wholePath(a)).lexically_normal() == fs::u8path(wholePath(b)).lexically_normal();
}
