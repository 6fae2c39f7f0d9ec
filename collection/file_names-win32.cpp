// Windows: cmd and PowerShell hand "*.dat" to the program as it is, so the
// program expands * and ? itself, over the folder as the system lists it.
#include <windows.h>

#include <string>
#include <string_view>

#include "collection/file_names.h"
#include "image/wtf8.h"

namespace {

// The system's words for `code`, as one line of UTF-8 without the closing
// period and line end, to stand after "name: " in a message.
std::string systemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0) return "system error " + std::to_string(code);
  std::u16string line(text, text + length);
  LocalFree(text);
  while (!line.empty() && (line.back() == u'\r' || line.back() == u'\n' || line.back() == u' ' ||
                           line.back() == u'.')) {
    line.pop_back();
  }
  for (char16_t& c : line) {
    if (c == u'\r' || c == u'\n') c = u' ';
  }
  return toWtf8(line);
}

class DiskFolder : public FolderSearch {
 public:
  bool list(const std::u16string& folder, std::vector<std::u16string>& names,
            std::string& error) override {
    // The whole folder, matched by the caller: the system's own matching
    // also tries the short 8.3 names, so "*.dat" would find "x.data".
    std::wstring all(folder.begin(), folder.end());
    all += L'*';
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(all.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if (code == ERROR_FILE_NOT_FOUND) return true;
      error = systemMessage(code);
      return false;
    }
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        const std::wstring_view name(found.cFileName);
        names.emplace_back(name.begin(), name.end());
      }
    } while (FindNextFileW(search, &found));
    const DWORD code = GetLastError();
    FindClose(search);
    if (code != ERROR_NO_MORE_FILES) {
      error = systemMessage(code);
      return false;
    }
    return true;
  }
};

class PatternNames : public FileNames {
 public:
  bool expand(const std::string& arg, std::vector<std::string>& names,
              std::string& error) override {
    DiskFolder disk;
    return expandWildcards(arg, disk, windowsCaselessOrder, names, error);
  }
};

}  // namespace

int windowsCaselessOrder(std::u16string_view a, std::u16string_view b) {
  // Names are far shorter than an int's range. On Windows wchar_t is the
  // UTF-16 unit.
  const int compared = CompareStringOrdinal(
      reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
      reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()), TRUE);
  return compared - CSTR_EQUAL;
}

FileNames& FileNames::system() {
  static PatternNames names;
  return names;
}
