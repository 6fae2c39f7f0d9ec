// Windows only: the system's own error codes as the reasons of
// platform/system_error.h, shared by the files of this folder that call
// the Windows API.
#pragma once

/// The reason for the Windows error `code` (what GetLastError returns): the
/// errno value that words it, or FileError::InUse for a sharing violation.
int errnoOf(unsigned long code);
