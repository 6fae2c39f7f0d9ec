// Windows only: what the files of this folder that call the Windows API
// share: the system's error codes as the reasons of platform/system_error.h,
// and where an open handle's file or folder is now (platform/windows_xp-win32.cpp).
#pragma once

#include <string>

/// The reason for the Windows error `code` (what GetLastError returns): the
/// errno value that words it, or FileError::InUse for a sharing violation.
int errnoOf(unsigned long code);

/// Sets `wide` to the UTF-16 form of the WTF-8 `path`; false when it is no
/// WTF-8, which no name Windows gave can be.
bool widePath(const std::string& path, std::wstring& wide);

/// The path the open `handle` (a HANDLE) reaches now, in the \\?\ form
/// that takes any length, whatever name it was opened by; empty, with the
/// last error set, when the system cannot say. On XP (finalPathsKnown()
/// false) it knows only a folder given to rememberFolder, and only while
/// the path it was opened by still leads to it.
std::wstring finalPathOf(void* handle);

/// True where the system says where an open file is (Vista and later).
bool finalPathsKnown();

/// Keeps `path`, by which the folder `handle` was just opened, for
/// finalPathOf on XP; does nothing on a later Windows.
void rememberFolder(void* handle, const std::wstring& path);

/// Lets go of what rememberFolder kept for `handle`, before it is closed.
void forgetFolder(void* handle);
