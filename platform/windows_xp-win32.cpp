// Windows XP: the program starts on every Windows from XP SP3 on, so it
// imports no KERNEL32 function that came later (cmake/check_imports.cmake
// checks). Such a function is looked up when it is needed, and where the
// system lacks it a stand-in made of XP's own calls does its job.
#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "platform/win32_common.h"

namespace {

// KERNEL32's function `name`, or nullptr where this Windows lacks it (XP
// lacks every function of Vista and later). A build configured with
// YM2608_AS_ON_XP finds none, so the tests take XP's way under wine too.
template <typename Function>
Function kernel32(const char* name) {
#ifdef YM2608_AS_ON_XP
  (void)name;
  return nullptr;
#else
  const FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
#endif
}

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

FinalPathFunction finalPathFunction() {
  return kernel32<FinalPathFunction>("GetFinalPathNameByHandleW");
}

// The milliseconds since Windows started, as GetTickCount64 counts them.
ULONGLONG WINAPI tickCount64() {
  using TickCount64 = ULONGLONG(WINAPI*)();
  if (const auto since = kernel32<TickCount64>("GetTickCount64")) return since();
  // XP's GetTickCount has 32 bits and starts again at 0 every 49.7 days:
  // each count below the last one seen is taken as one more round.
  static std::atomic<ULONGLONG> last{0};
  ULONGLONG seen = last.load();
  for (;;) {
    ULONGLONG now = (seen & ~ULONGLONG{0xFFFFFFFF}) | GetTickCount();
    if (now < seen) now += ULONGLONG{1} << 32;
    if (last.compare_exchange_weak(seen, now)) return now;
  }
}

// XP's stand-in for the final path: the path each open folder was opened
// by, full and in the \\?\ form, as long as that path still leads to it.
std::mutex rememberedLock;
std::map<HANDLE, std::wstring> remembered;

bool sameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first;
  BY_HANDLE_FILE_INFORMATION second;
  return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

// The path `handle` was remembered by, when it still leads to the same
// folder; empty with the last error set when it leads elsewhere or nowhere.
std::wstring rememberedPathOf(HANDLE handle) {
  std::wstring path;
  {
    const std::lock_guard<std::mutex> lock(rememberedLock);
    const auto found = remembered.find(handle);
    if (found != remembered.end()) path = found->second;
  }
  if (path.empty()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return {};
  }
  // Through links as they are now: a folder moved, or a folder on the way
  // that has become a link, leads to another folder or to none.
  const HANDLE now =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (now == INVALID_HANDLE_VALUE) return {};
  const bool same = sameFile(handle, now);
  CloseHandle(now);
  if (!same) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return {};
  }
  return path;
}

}  // namespace

// winpthreads, linked into the program, times its waits with GetTickCount64,
// which came with Vista. Its calls go through the pointer the import table
// would fill, __imp_GetTickCount64 (__imp__GetTickCount64@0 on 32-bit x86);
// defined here, it leads them to tickCount64 and keeps the import out. This
// file is always linked: finalPathOf is in it.
extern "C" {
#ifdef __i386__
ULONGLONG(WINAPI* importedTickCount64)() asm("__imp__GetTickCount64@0") = tickCount64;
#else
ULONGLONG(WINAPI* importedTickCount64)() asm("__imp_GetTickCount64") = tickCount64;
#endif
}

bool finalPathsKnown() {
  return finalPathFunction() != nullptr;
}

std::wstring finalPathOf(void* handle) {
  const FinalPathFunction finalPath = finalPathFunction();
  if (finalPath == nullptr) return rememberedPathOf(handle);
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = finalPath(handle, path.data(), static_cast<DWORD>(path.size()),
                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(n);  // the size it needs, its closing zero included
  }
}

void rememberFolder(void* handle, const std::wstring& path) {
  if (finalPathsKnown()) return;
  std::wstring full(MAX_PATH, L'\0');
  DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n >= full.size()) {
    full.resize(n);  // the size it needs, its closing zero included
    n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (n == 0 || n >= full.size()) return;  // then finalPathOf cannot say where it is
  full.resize(n);
  // No separator at the end but a drive's own ("A/" is ...\A): a name is
  // put after one, and \\?\ takes two in a row as they stand.
  if (full.size() > 3 && full.back() == L'\\') full.pop_back();
  // The \\?\ form, as GetFinalPathNameByHandleW gives it: past 260
  // characters only that form opens on XP. A share is \\?\UNC\server\share.
  if (full.rfind(L"\\\\?\\", 0) != 0 && full.rfind(L"\\\\.\\", 0) != 0) {
    full = full.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
  }
  const std::lock_guard<std::mutex> lock(rememberedLock);
  remembered[handle] = full;
}

void forgetFolder(void* handle) {
  const std::lock_guard<std::mutex> lock(rememberedLock);
  remembered.erase(handle);
}
