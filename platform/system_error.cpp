// The words of a reason, the same on every system: the C runtime's for its
// codes, ours for the reasons the program gives itself.
#include "platform/system_error.h"

#include <cstring>

std::string systemWords(int error) {
  switch (error) {
    case FileError::NotRegular:
      return "not a regular file";
    case FileError::InUse:
      return "in use by another program; left as it is";
    case FileError::DeviceName:
      return "a name Windows keeps for a device";
    case FileError::NoLocks:
      return "its file system keeps no locks";
    case FileError::Link:
      return "a symbolic link; -r does not follow links";
    case FileError::Moved:
      return "moved out of its folder while the folders were walked; left as it is";
    default:
      return std::strerror(error);
  }
}
