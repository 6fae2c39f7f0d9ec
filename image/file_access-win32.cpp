// Windows: names go to the wide (UTF-16) API, so a name outside the current
// code page (Japanese, say, on a Western locale) opens all the same. Names
// arrive as WTF-8 (image/wtf8.h), so even a name with an unpaired surrogate
// opens.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <string>

#include "image/file_access.h"
#include "image/wtf8.h"

namespace {

// False when `name` is not WTF-8: such a name cannot be on the disk.
bool widen(const char* name, std::wstring& wide) {
  std::u16string utf16;
  if (!fromWtf8(name, utf16)) return false;
  wide.assign(utf16.begin(), utf16.end());
  return true;
}

}  // namespace

OpenResult FileAccess::open(const char* path, OpenMode mode) {
  std::wstring name;
  if (!widen(path, name)) return {nullptr, EINVAL};
  std::FILE* file = nullptr;
  switch (mode) {
    case OpenMode::Read:
      file = _wfopen(name.c_str(), L"rb");
      break;
    case OpenMode::Update:
      file = _wfopen(name.c_str(), L"r+b");
      break;
    case OpenMode::CreateNew: {
      // The system C runtime's fopen has no "x" mode; _O_EXCL does the same.
      const int fd =
          _wopen(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
      if (fd < 0) return {nullptr, errno};
      file = _fdopen(fd, "wb");
      if (file == nullptr) {
        const int error = errno;
        _close(fd);
        return {nullptr, error};
      }
      break;
    }
  }
  if (file == nullptr) {
    const int error = errno;
    // The C runtime says only "permission denied" for a folder.
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return {nullptr, EISDIR};
    }
    return {nullptr, error};
  }
  // A load is one read into the image: let it go straight there.
  if (mode == OpenMode::Read) std::setvbuf(file, nullptr, _IONBF, 0);
  return {file, 0};
}
