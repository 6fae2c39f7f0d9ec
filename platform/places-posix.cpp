// Where things are kept, on POSIX systems: the XDG state folder, getcwd,
// mkdir, unlink, fsync of a folder and statvfs.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/places.h"

bool userStateFolder(std::string& folder) {
  // A relative XDG_STATE_HOME counts for none, as freedesktop.org's base
  // folders rule: the state would land wherever the run was started.
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') {
    folder = state;
    return true;
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return false;
  folder = std::string(home) + "/.local/state";
  return true;
}

namespace {

// The current folder with a / at its end, asked once: the program never
// changes it. Empty when it cannot be had.
std::string currentFolder() {
  std::string folder(4096, '\0');
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) return "";
    folder.resize(folder.size() * 2);
  }
  folder.resize(folder.find('\0'));
  return folder.back() == '/' ? folder : folder + "/";
}

}  // namespace

std::string wholePath(const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  static const std::string current = currentFolder();
  return current.empty() ? name : current + name;
}

int makeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return 0;
  const int error = errno;
  struct stat info {};
  if (error == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return 0;
  return error;
}

int removeFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int syncFolderOf(const std::string& path) {
  const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return errno;
  // Some file systems cannot sync a folder (EINVAL): their names need none.
  const int error = ::fsync(folder) == 0 || errno == EINVAL ? 0 : errno;
  ::close(folder);
  return error;
}

int freeSpace(const std::string& path, std::uint64_t& bytes) {
  struct statvfs info {};
  if (::statvfs(folderOf(path).c_str(), &info) != 0) return errno;
  bytes = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
  return 0;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}
