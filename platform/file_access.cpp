// The real disk, shared by every caller that passes no other.
#include "platform/file_access.h"

FileAccess& FileAccess::disk() {
  static FileAccess real;
  return real;
}
