// Windows: names go to the wide (UTF-16) API, so a name outside the current
// code page (Japanese, say, on a Western locale) opens all the same. Names
// arrive as WTF-8 (image/wtf8.h), so even a name with an unpaired surrogate
// opens.
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <string>

#include "image/device_names.h"
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

HANDLE handleOf(std::FILE* file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

// The collection options' open. Anything that is not a file on a disk (a
// named pipe, say) is refused after the open, before a byte moves. A file
// opened to be written is shared for reading only: no other program can cut
// it short or put another file in its place until the block is written.
OpenResult openRegular(const std::wstring& name, OpenMode mode) {
  const bool reading = mode == OpenMode::ReadRegular;
  const int fd = _wsopen(name.c_str(), (reading ? _O_RDONLY : _O_RDWR) | _O_BINARY,
                         reading ? _SH_DENYNO : _SH_DENYWR);
  if (fd < 0) return {nullptr, errno};
  if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) != FILE_TYPE_DISK) {
    _close(fd);
    return {nullptr, OpenResult::NotRegular};
  }
  std::FILE* file = _fdopen(fd, mode == OpenMode::ReadRegular ? "rb" : "r+b");
  if (file == nullptr) {
    const int error = errno;
    _close(fd);
    return {nullptr, error};
  }
  return {file, 0};
}

}  // namespace

OpenResult FileAccess::open(const char* path, OpenMode mode) {
  // A name such as CON, AUX or COM1.dat is a device in every folder, and
  // opening one can wait for ever (AUX, COM1) or reach the console (CON):
  // refuse it by name, before any open, in the dialogue too.
  if (isReservedDeviceName(path)) return {nullptr, OpenResult::NotRegular};
  std::wstring name;
  if (!widen(path, name)) return {nullptr, EINVAL};
  std::FILE* file = nullptr;
  switch (mode) {
    case OpenMode::ReadRegular:
    case OpenMode::UpdateRegular: {
      const OpenResult opened = openRegular(name, mode);
      if (opened.file == nullptr && opened.error != EACCES) return opened;
      // EACCES may be a folder: told apart below.
      file = opened.file;
      errno = opened.error;
      break;
    }
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
  if (mode == OpenMode::Read || mode == OpenMode::ReadRegular) {
    std::setvbuf(file, nullptr, _IONBF, 0);
  }
  return {file, 0};
}

bool FileAccess::identify(std::FILE* file, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handleOf(file), &info)) return false;
  identity.volume = info.dwVolumeSerialNumber;
  identity.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  identity.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  return true;
}
