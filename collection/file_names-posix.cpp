// POSIX shells expand patterns before the program starts.
#include "collection/file_names.h"

FileNames& FileNames::system() {
  return asGiven();
}
