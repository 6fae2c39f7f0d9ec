// Opening a sound data file by name. Names are UTF-8 text on every system, so
// the editor's logic never sees the platform's own kind of path.
#pragma once

#include <cstdio>

enum class OpenMode {
  Read,      // reading only
  Update,    // reading and writing from the start, keeping the file's length
  CreateNew  // writing a new file; fails when one exists by that name
};

/// Opens the file at `path` (UTF-8) in binary mode, returning nullptr on
/// failure, with errno ENOENT when nothing exists by that name.
std::FILE* openFile(const char* path, OpenMode mode);
