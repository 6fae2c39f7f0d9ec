// Folders on Windows: FindFirstFileExW over the wide (UTF-16) names, which
// arrive and leave as WTF-8; names ordered as Windows' file systems order
// them when letter case is ignored.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/folders.h"
#include "platform/system_error.h"
#include "platform/wildcards.h"
#include "platform/win32_common.h"
#include "platform/wtf8.h"

// The wide form of a WTF-8 path; false when it is not WTF-8, which no name
// that Windows gave can be.
bool widePath(const std::string& path, std::wstring& wide) {
  std::u16string utf16;
  if (!fromWtf8(path, utf16)) return false;
  wide.assign(utf16.begin(), utf16.end());
  return true;
}

namespace {

// What a found entry is. A junction, a folder's symbolic link and a mount
// point are all reparse points on a folder: none is entered.
FolderEntry::Kind kindOf(const WIN32_FIND_DATAW& found) {
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return FolderEntry::Kind::File;
  return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? FolderEntry::Kind::Skipped
                                                                      : FolderEntry::Kind::Folder;
}

// Opens the folder `wide` with `flags` besides those a folder needs; kNoFile
// with `error` when it cannot.
FileHandle openHandle(const std::wstring& wide, DWORD flags, std::string& error) {
  const HANDLE handle = CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    rememberFolder(handle, wide);
    return reinterpret_cast<FileHandle>(handle);
  }
  error = systemWords(errnoOf(GetLastError()));
  return kNoFile;
}

// The first entry of the folder search `all`. The basic information and
// the large fetch came with Windows 7: XP and Vista refuse them as an
// invalid parameter, and list with the standard ones.
HANDLE findFirst(const std::wstring& all, WIN32_FIND_DATAW& found) {
  const HANDLE search = FindFirstFileExW(all.c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search != INVALID_HANDLE_VALUE || GetLastError() != ERROR_INVALID_PARAMETER) return search;
  return FindFirstFileExW(all.c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr,
                          0);
}

class DiskReader : public FolderReader {
 public:
  bool list(const std::string& folder, std::vector<FolderEntry>& entries,
            std::string& error) override {
    entries.clear();
    // The whole folder, matched by the caller: the system's own matching
    // also tries the short 8.3 names, so "*.dat" would find "x.data". The
    // basic information leaves those names out, and the large fetch takes
    // many entries a call, which counts in a big folder.
    std::wstring all;
    if (!widePath(folder, all)) {
      error = systemWords(FileError::Missing);
      return false;
    }
    all += L'*';
    WIN32_FIND_DATAW found;
    HANDLE search = findFirst(all, found);
    if (search == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if (code == ERROR_FILE_NOT_FOUND) return true;
      error = systemWords(errnoOf(code));
      return false;
    }
    do {
      const std::wstring_view name(found.cFileName);
      if (name == L"." || name == L"..") continue;
      entries.push_back({toWtf8(std::u16string(name.begin(), name.end())), kindOf(found)});
    } while (FindNextFileW(search, &found));
    const DWORD code = GetLastError();
    FindClose(search);
    if (code != ERROR_NO_MORE_FILES) {
      error = systemWords(errnoOf(code));
      return false;
    }
    return true;
  }

  FileHandle openFolder(const std::string& folder, std::string& error) override {
    std::wstring wide;
    if (!widePath(folder.empty() ? "." : folder, wide)) {
      error = systemWords(FileError::Missing);
      return kNoFile;
    }
    return openHandle(wide, 0, error);
  }

  FileHandle openSubfolder(FileHandle parent, const std::string& name, const std::string& /*path*/,
                           std::string& error) override {
    // In the parent as it is now, whatever its path has become; the folder
    // itself is opened as a link, should it have become one, to refuse it.
    std::wstring wide;
    const std::wstring in = finalPathOf(reinterpret_cast<HANDLE>(parent));
    if (in.empty() || !widePath(name, wide)) {
      error = systemWords(in.empty() ? errnoOf(GetLastError()) : FileError::Missing);
      return kNoFile;
    }
    const FileHandle folder = openHandle(in + L'\\' + wide, FILE_FLAG_OPEN_REPARSE_POINT, error);
    BY_HANDLE_FILE_INFORMATION info;
    if (folder == kNoFile || (GetFileInformationByHandle(reinterpret_cast<HANDLE>(folder), &info) &&
                              (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)) {
      return folder;
    }
    closeFolder(folder);
    error = systemWords(FileError::Link);
    return kNoFile;
  }

  bool listOpen(FileHandle folder, std::vector<FolderEntry>& entries, std::string& error) override {
    const std::wstring path = finalPathOf(reinterpret_cast<HANDLE>(folder));
    if (path.empty()) {
      error = systemWords(errnoOf(GetLastError()));
      return false;
    }
    return list(toWtf8(std::u16string(path.begin(), path.end())) + "\\", entries, error);
  }

  void closeFolder(FileHandle folder) override {
    forgetFolder(reinterpret_cast<HANDLE>(folder));
    CloseHandle(reinterpret_cast<HANDLE>(folder));
  }

  bool isFolder(const std::string& path) override {
    std::wstring wide;
    if (!widePath(path, wide)) return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
};

}  // namespace

FolderReader& FolderReader::system() {
  static DiskReader reader;
  return reader;
}

int windowsCaselessOrder(std::u16string_view a, std::u16string_view b) {
  // What CompareStringOrdinal does when it ignores case, which XP lacks:
  // each unit through the upper-case table of the file systems (LCMapStringW
  // uses it unless asked for a language's rules), then the units compared
  // by value. Names are far shorter than an int's range; on Windows wchar_t
  // is the UTF-16 unit.
  const auto upper = [](std::u16string_view text) {
    std::u16string upper(text);  // as it is, should the mapping fail
    if (!text.empty()) {
      LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, reinterpret_cast<const wchar_t*>(text.data()),
                   static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(upper.data()),
                   static_cast<int>(upper.size()));
    }
    return upper;
  };
  return upper(a).compare(upper(b));
}

const SystemNames& systemNames() {
  // Letter case never counts on Windows, -i or not.
  static const SystemNames names{
      [](const std::string& name, const std::string& pattern, bool /*ignoreCase*/) {
        return wtf8WildcardMatches(name, pattern, windowsCaselessOrder);
      },
      [](std::vector<std::string>& list) { sortCaseless(list, windowsCaselessOrder); }, '\\',
      "\\/:", windowsCaselessOrder};
  return names;
}
