// Folders on Linux and other POSIX systems: readdir, with each entry's kind
// from d_type where the file system gives it; names matched with fnmatch,
// as the shell matches them.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>

#include "platform/folders.h"
#include "platform/system_error.h"

namespace {

// What `name` in the open folder `dir` is, from readdir's d_type where the
// file system gives it, else from the entry itself. A link counts as what it
// leads to, except that a folder reached through one is not entered: a
// linked folder may hold the tree itself. An entry whose kind cannot be
// learnt (a dangling link, one gone since) is a File, so that the opener
// gives the reason when the pattern names it.
FolderEntry::Kind kindOf(DIR* dir, const dirent& entry) {
  unsigned char type = entry.d_type;
  struct stat info {};
  if (type == DT_UNKNOWN) {
    if (::fstatat(::dirfd(dir), entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
      return FolderEntry::Kind::File;
    }
    type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISLNK(info.st_mode) ? DT_LNK : DT_REG;
  }
  if (type == DT_DIR) return FolderEntry::Kind::Folder;
  if (type == DT_LNK && ::fstatat(::dirfd(dir), entry.d_name, &info, 0) == 0 &&
      S_ISDIR(info.st_mode)) {
    return FolderEntry::Kind::Skipped;
  }
  return FolderEntry::Kind::File;
}

// Reads the open folder `dir` into `entries` and closes it; false with
// `error` when a read fails.
bool readFolder(DIR* dir, std::vector<FolderEntry>& entries, std::string& error) {
  entries.clear();
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back({std::string(name), kindOf(dir, *entry)});
  }
  const int readError = errno;
  ::closedir(dir);
  if (readError != 0) error = systemWords(readError);
  return readError == 0;
}

class DiskReader : public FolderReader {
 public:
  bool list(const std::string& folder, std::vector<FolderEntry>& entries,
            std::string& error) override {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
      error = systemWords(errno);
      return false;
    }
    return readFolder(dir, entries, error);
  }

  FileHandle openFolder(const std::string& folder, std::string& error) override {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) error = systemWords(errno);
    return fd < 0 ? kNoFile : fd;
  }

  FileHandle openSubfolder(FileHandle parent, const std::string& name, const std::string& /*path*/,
                           std::string& error) override {
    // Relative to the parent as it was opened, so a folder above that has
    // been swapped for a link since leads nowhere else; O_NOFOLLOW refuses
    // the folder itself become a link.
    const int fd = ::openat(static_cast<int>(parent), name.c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) error = systemWords(errno == ELOOP ? FileError::Link : errno);
    return fd < 0 ? kNoFile : fd;
  }

  bool listOpen(FileHandle folder, std::vector<FolderEntry>& entries, std::string& error) override {
    // The folder stays open for the files in it: list a copy of it.
    const int fd = ::fcntl(static_cast<int>(folder), F_DUPFD_CLOEXEC, 0);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
      error = systemWords(errno);
      if (fd >= 0) ::close(fd);
      return false;
    }
    // A copy shares its reading position: read from the start each time.
    ::rewinddir(dir);
    return readFolder(dir, entries, error);
  }

  void closeFolder(FileHandle folder) override { ::close(static_cast<int>(folder)); }

  bool isFolder(const std::string& path) override {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }
};

}  // namespace

FolderReader& FolderReader::system() {
  static DiskReader reader;
  return reader;
}

bool shellMatches(const std::string& name, const std::string& pattern, bool ignoreCase) {
  // Names are matched as the shell does: a character at a time in the
  // user's encoding (UTF-8 in most locales), not a byte at a time. Only the
  // walk needs the locale, so only the walk takes it, and only once.
  static const bool localeTaken = std::setlocale(LC_CTYPE, "") != nullptr;
  static_cast<void>(localeTaken);
  return ::fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD | (ignoreCase ? FNM_CASEFOLD : 0)) ==
         0;
}

const SystemNames& systemNames() {
  // Byte order, as LC_ALL=C ls lists: std::string compares bytes unsigned.
  static const SystemNames names{
      shellMatches, [](std::vector<std::string>& list) { std::sort(list.begin(), list.end()); },
      '/', "/", nullptr};
  return names;
}
