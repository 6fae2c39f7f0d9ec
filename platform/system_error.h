// Why a step that reached the system failed: the one error type of the
// program, and the words a message gives for it. Every operation in this
// folder returns the system's code (an errno value; on Windows the system's
// own code turned into one) or one of the program's own reasons below, and
// only this folder reads errno or GetLastError.
#pragma once

#include <cerrno>
#include <string>

/// The codes a reason can hold that callers ask about, by name, so that no
/// caller outside this folder needs errno's names.
struct FileError {
  /// No regular file: a FIFO, a device, a socket, or a name Windows keeps
  /// for a device.
  static constexpr int NotRegular = -1;
  /// Another program held the file locked for longer than the run waits.
  static constexpr int InUse = -2;
  /// A name Windows keeps for a device in every folder (CON, AUX, COM1.dat...).
  static constexpr int DeviceName = -3;
  /// The file system keeps no locks (some network and FUSE ones): nobody
  /// can lock the file, so it is written unlocked.
  static constexpr int NoLocks = -4;
  /// A symbolic link (or on Windows a reparse point) where a folder walk
  /// opens only what it found in the folder itself.
  static constexpr int Link = -5;
  /// Found by a folder walk, the file is now outside the folder it was
  /// found in.
  static constexpr int Moved = -6;
  /// Nothing exists by that name.
  static constexpr int Missing = ENOENT;
  /// Something exists by that name already.
  static constexpr int Exists = EEXIST;
  /// The name is a folder.
  static constexpr int IsFolder = EISDIR;
  /// The reader of a pipe has gone.
  static constexpr int BrokenPipe = EPIPE;
  /// The disk is full.
  static constexpr int NoSpace = ENOSPC;
};

/// How a load, a folder read or a block write ended; true when it succeeded.
struct FileResult {
  enum class Step {
    None,
    Open,
    Read,
    Write,
    InUse,     // another program held the file locked past the wait; nothing written
    Replaced,  // opened for writing, it is another file than the one read
    Shrunk,    // opened for writing, it no longer holds the whole block
    Changed    // its block is neither what a run wrote nor what it replaced
  };
  /// The step that failed, None when none did.
  Step failed = Step::None;
  /// The system's reason (see FileError) when an open, a read, a write or a
  /// close failed; 0 otherwise.
  int error = 0;
  explicit operator bool() const { return failed == Step::None; }
};

/// The words for a reason, as a message gives them after "name: ": the
/// runtime's own for a system code ("No such file or directory"), and the
/// program's for FileError's own reasons.
std::string systemWords(int error);
