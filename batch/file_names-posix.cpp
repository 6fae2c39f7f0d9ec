// POSIX shells expand patterns before the program starts.
#include "batch/file_names.h"

FileNames& FileNames::system() {
  return asGiven();
}
