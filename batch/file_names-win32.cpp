// Windows: cmd and PowerShell hand "*.dat" to the program as it is, so the
// program expands * and ? itself, with the system's folder search.
#include <windows.h>

#include "batch/file_names.h"

namespace {

class DiskFolder : public FolderSearch {
 public:
  bool find(const std::u16string& pattern, std::vector<std::u16string>& names,
            std::string& /*error*/) override {
    const std::wstring wide(pattern.begin(), pattern.end());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    do {
      // The system also matches the short 8.3 names ("*.dat" finds
      // "x.data"); the caller matches each long name again.
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        const std::wstring_view name(found.cFileName);
        names.emplace_back(name.begin(), name.end());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
  }
};

class PatternNames : public FileNames {
 public:
  bool expand(const std::string& arg, std::vector<std::string>& names,
              std::string& error) override {
    DiskFolder disk;
    return expandWildcards(arg, disk, names, error);
  }
};

}  // namespace

FileNames& FileNames::system() {
  static PatternNames names;
  return names;
}
