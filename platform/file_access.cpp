#include "platform/file_access.h"

FileAccess& FileAccess::disk() {
  static FileAccess real;
  return real;
}
