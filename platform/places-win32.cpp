// Where things are kept, on Windows: %LOCALAPPDATA%, GetFullPathNameW,
// CreateDirectoryW, DeleteFileW and GetDiskFreeSpaceExW, over wide names
// that arrive and leave as WTF-8.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/places.h"
#include "platform/win32_common.h"
#include "platform/wtf8.h"

namespace {

std::string narrow(const std::wstring& text) {
  return toWtf8(std::u16string(text.begin(), text.end()));
}

}  // namespace

bool userStateFolder(std::string& folder) {
  // The wide environment: a user name in any language reaches the path.
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || *local == L'\0') return false;
  folder = narrow(local);
  return true;
}

std::string wholePath(const std::string& name) {
  std::wstring path;
  if (!widePath(name, path)) return name;
  std::wstring whole(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(whole.size()), whole.data(), nullptr);
    if (n == 0) return name;
    if (n < whole.size()) {
      whole.resize(n);
      return narrow(whole);
    }
    whole.resize(n);
  }
}

int makeFolder(const std::string& path) {
  std::wstring name;
  if (!widePath(path, name)) return ENOENT;
  if (CreateDirectoryW(name.c_str(), nullptr)) return 0;
  const DWORD code = GetLastError();
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (code == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return 0;
  }
  return errnoOf(code);
}

int removeFile(const std::string& path) {
  std::wstring name;
  if (!widePath(path, name)) return ENOENT;
  return DeleteFileW(name.c_str()) ? 0 : errnoOf(GetLastError());
}

int syncFolderOf(const std::string& /*path*/) {
  return 0;
}

int freeSpace(const std::string& path, std::uint64_t& bytes) {
  std::wstring folder;
  if (!widePath(folderOf(path), folder)) return ENOENT;
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
    return errnoOf(GetLastError());
  }
  bytes = available.QuadPart;
  return 0;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/:");
  if (slash == std::string::npos) return ".";
  return path.substr(0, slash + 1);
}
