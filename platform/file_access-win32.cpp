// Windows: names go to the wide (UTF-16) API, so a name outside the current
// code page (Japanese, say, on a Western locale) opens all the same. Names
// arrive as WTF-8 (platform/wtf8.h), so even a name with an unpaired surrogate
// opens. Files are handles, read and written with ReadFile and WriteFile at
// an offset: no C runtime buffer on the block's way.
#include <windows.h>

#include <cerrno>
#include <string>
#include <thread>

#include "platform/device_names.h"
#include "platform/file_access.h"
#include "platform/win32_common.h"
#include "platform/wtf8.h"

int errnoOf(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FileError::InUse;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    default:
      return EIO;
  }
}

namespace {

int lastError() {
  return errnoOf(GetLastError());
}

bool isFolder(const std::wstring& name) {
  const DWORD attributes = GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A named pipe's name: opening one connects to the program serving it.
bool isPipeName(const std::string& path) {
  if (path.size() < 9) return false;
  std::string head = path.substr(0, 9);
  for (char& c : head) {
    if (c == '/') c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return head == "\\\\.\\pipe\\" || head == "\\\\?\\pipe\\";
}

HANDLE handleOf(FileHandle file) {
  return reinterpret_cast<HANDLE>(file);
}

// Moves `size` bytes at `offset` in pieces a DWORD can count, each through
// `piece(done, ask, at, moved)`, which moves up to `ask` bytes from `done` on
// at the offset in `at` and returns 0 or the reason it failed. A piece that
// moves nothing is the end of the file.
template <typename Piece>
Moved inPieces(std::size_t size, std::uint64_t offset, Piece piece) {
  Moved moved;
  while (moved.bytes < size) {
    OVERLAPPED at{};
    const std::uint64_t position = offset + moved.bytes;
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    const std::size_t left = size - moved.bytes;
    const DWORD ask = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD done = 0;
    moved.error = piece(moved.bytes, ask, at, done);
    if (moved.error != 0 || done == 0) break;
    moved.bytes += done;
  }
  return moved;
}

// Opens `name` in `mode`, waiting up to `patience` while another program
// holds it open for writing; INVALID_HANDLE_VALUE with the last error set
// when it cannot.
// A file of the walk is opened as itself when it is a link, to be refused.
HANDLE createWaiting(const std::wstring& name, OpenMode mode, std::chrono::milliseconds patience,
                     bool noFollow) {
  const bool reading = mode == OpenMode::Read || mode == OpenMode::ReadRegular;
  // A file opened to be written is shared for reading only: no other
  // program can write it, cut it short or put another file in its place
  // until the block is written. That share mode is the lock, and a second
  // writer waits for it here.
  const DWORD access = reading ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  const DWORD share =
      reading ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ;
  const bool create = mode == OpenMode::CreateNew || mode == OpenMode::CreatePrivate;
  const DWORD disposition = create ? CREATE_NEW : OPEN_EXISTING;
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  for (;;) {
    const HANDLE handle =
        CreateFileW(name.c_str(), access, share, nullptr, disposition,
                    FILE_ATTRIBUTE_NORMAL | (noFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
        std::chrono::steady_clock::now() >= giveUp) {
      return handle;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

bool identityOf(FileHandle file, FileIdentity& identity) {
  const HANDLE handle = handleOf(file);
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info)) {
    return false;
  }
  identity.volume = info.dwVolumeSerialNumber;
  identity.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  identity.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  identity.regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  return true;
}

namespace {

// Refuses by name what must never be opened: a device, a named pipe, and
// a name no disk can hold; 0 for any other name.
int refusedName(const char* path) {
  // A name such as CON, AUX or COM1.dat is a device in every folder, and
  // opening one can wait for ever (AUX, COM1) or reach the console (CON):
  // refuse it by name, before any open, in the dialogue too.
  if (isReservedDeviceName(path)) return FileError::DeviceName;
  if (isPipeName(path)) return FileError::NotRegular;
  return 0;
}

// Checks a file the walk found, opened by the path `folder` of the open
// folder `in` it was found in: it must be no link, and still be in there.
int checkInFolder(HANDLE file, HANDLE in, const std::wstring& folder) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return lastError();
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return FileError::Link;
  // XP cannot say where an open file is: there the folder's path must still
  // lead to the folder, now that the file is open by way of it.
  if (!finalPathsKnown()) return finalPathOf(in) == folder ? 0 : FileError::Moved;
  const std::wstring path = finalPathOf(file);
  const bool inside = path.size() > folder.size() + 1 &&
                      path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == L'\\' &&
                      path.find(L'\\', folder.size() + 1) == std::wstring::npos;
  return inside ? 0 : FileError::Moved;
}

}  // namespace

Opened FileAccess::open(FileHandle folder, const char* path, OpenMode mode) {
  if (const int refused = refusedName(path)) return {kNoFile, {}, refused};
  std::u16string utf16;
  if (!fromWtf8(path, utf16)) return {kNoFile, {}, ENOENT};  // no such name can be on a disk
  std::wstring name(utf16.begin(), utf16.end());
  // Inside a folder of the walk, the file is opened in that folder as it is
  // now, whatever its path has become since, and checked once open.
  std::wstring inFolder;
  if (folder != kNoFile) {
    inFolder = finalPathOf(handleOf(folder));
    if (inFolder.empty()) return {kNoFile, {}, lastError()};
    name = inFolder + L'\\' + name;
  }
  const bool regular = mode == OpenMode::ReadRegular || mode == OpenMode::UpdateRegular;
  if (mode == OpenMode::ReadRegular) {
    // Look before opening: a device or a folder is refused by its name.
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {kNoFile, {}, lastError()};
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {kNoFile, {}, EISDIR};
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return {kNoFile, {}, FileError::NotRegular};
  }
  const HANDLE handle = createWaiting(name, mode, lockPatience_, folder != kNoFile);
  if (handle == INVALID_HANDLE_VALUE) {
    const int error = lastError();
    // Windows says only "access denied" for a folder.
    if (error == EACCES && isFolder(name)) return {kNoFile, {}, EISDIR};
    return {kNoFile, {}, error};
  }
  Opened opened{reinterpret_cast<FileHandle>(handle), {}, 0};
  int error = folder != kNoFile ? checkInFolder(handle, handleOf(folder), inFolder) : 0;
  // A pipe, a console or a port: never a sound data file.
  if (error == 0 && !identityOf(opened.file, opened.identity) && regular) {
    error = FileError::NotRegular;
  }
  if (error != 0) {
    CloseHandle(handle);
    return {kNoFile, {}, error};
  }
  return opened;
}

int FileAccess::canCreate(const char* path) {
  if (const int refused = refusedName(path)) return refused;
  std::u16string utf16;
  if (!fromWtf8(path, utf16)) return ENOENT;
  const std::wstring name(utf16.begin(), utf16.end());
  if (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) return FileError::Exists;
  const DWORD code = GetLastError();
  // The name is free; a missing folder says ERROR_PATH_NOT_FOUND instead.
  return code == ERROR_FILE_NOT_FOUND ? 0 : errnoOf(code);
}

Moved FileAccess::readAt(FileHandle file, std::uint8_t* buffer, std::size_t size,
                         std::uint64_t offset) {
  // A pipe takes no offset: it reads from where it stands.
  return inPieces(size, offset, [&](std::size_t done, DWORD ask, OVERLAPPED& at, DWORD& got) {
    if (ReadFile(handleOf(file), buffer + done, ask, &got, &at)) return 0;
    got = 0;
    // The end of a file, or of a pipe whose writer closed it.
    const DWORD error = GetLastError();
    return error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE ? 0 : errnoOf(error);
  });
}

Moved FileAccess::writeAt(FileHandle file, const std::uint8_t* data, std::size_t size,
                          std::uint64_t offset) {
  return inPieces(size, offset, [&](std::size_t done, DWORD ask, OVERLAPPED& at, DWORD& put) {
    if (!WriteFile(handleOf(file), data + done, ask, &put, &at)) return lastError();
    return put == 0 ? EIO : 0;
  });
}

int FileAccess::lock(FileHandle /*file*/) {
  return 0;  // the update open's share mode already keeps other writers out
}

int FileAccess::cut(FileHandle file, std::uint64_t size) {
  // The file pointer to the new end, then the end there: XP's way, as it has
  // no SetFileInformationByHandle. Reads and writes name their own offset,
  // so where the pointer stays matters to none.
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  return SetFilePointerEx(handleOf(file), end, nullptr, FILE_BEGIN) && SetEndOfFile(handleOf(file))
             ? 0
             : lastError();
}

int FileAccess::sync(FileHandle file) {
  return FlushFileBuffers(handleOf(file)) ? 0 : lastError();
}

int FileAccess::close(FileHandle file) {
  return CloseHandle(handleOf(file)) ? 0 : lastError();
}
