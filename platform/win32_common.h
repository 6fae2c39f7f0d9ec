// Windows only: what the files of this folder that call the Windows API
// share: the system's error codes as the reasons of platform/system_error.h,
// and where an open handle's file or folder is now.
#pragma once

#include <string>

/// The reason for the Windows error `code` (what GetLastError returns): the
/// errno value that words it, or FileError::InUse for a sharing violation.
int errnoOf(unsigned long code);

/// The path the open `handle` (a HANDLE) reaches now, in the \\?\ form
/// that takes any length, whatever name it was opened by; empty when the
/// system cannot say.
std::wstring finalPathOf(void* handle);
