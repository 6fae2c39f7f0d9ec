// Where things are kept, and the steps that make and remove them: the
// user's state folder, a name's whole path, a folder made for the user
// alone, a file removed, a folder handed to the disk, and the free space
// of a file system.
#pragma once

#include <cstdint>
#include <string>

/// Sets `folder` to the user's state folder: $XDG_STATE_HOME, or
/// ~/.local/state when that is unset or not a whole path, on POSIX;
/// %LOCALAPPDATA% on Windows. False when the environment names none.
bool userStateFolder(std::string& folder);

/// `name` as a whole path, joined to the current folder when it is not one
/// already; `name` itself when the current folder cannot be had.
std::string wholePath(const std::string& name);

/// True when `a` and `b` are one path once whole, with "." and ".." taken
/// out as written (links are not followed).
bool samePath(const std::string& a, const std::string& b);

/// Makes the folder `path` for this user alone (0700 on POSIX); 0 when it
/// was made or is a folder already, or the system's reason (see FileError).
int makeFolder(const std::string& path);

/// Removes the file `path`; 0, or the system's reason.
int removeFile(const std::string& path);

/// Hands the folder that holds `path` to the disk, so that a name just made
/// in it outlasts a power cut; 0, or the system's reason. Windows' file
/// systems keep a new name with the file: nothing to do there.
int syncFolderOf(const std::string& path);

/// Sets `bytes` to how much the file system that holds the folder of
/// `path` can still take from this user; 0, or the system's reason.
int freeSpace(const std::string& path, std::uint64_t& bytes);

/// The path's folder part, with its last separator ("." for none).
std::string folderOf(const std::string& path);
