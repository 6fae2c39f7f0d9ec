// The process's own standard input, output and error, one set a platform
// (console-posix.cpp, console-win32.cpp). The two programs wire these to the
// dialogue or the collection options; tests use the in-memory ones instead.
#pragma once

#include "platform/console.h"

/// Fills a standard descriptor (0, 1 or 2) that the program was started
/// without, before anything is opened: a file opened next would take its
/// number, and the menu, the reports or the errors would be written into
/// it. The stand-in is /dev/null opened for reading only, so writes to it
/// still fail as writes to a closed descriptor do. Nothing to do on Windows.
void keepStandardDescriptors();
/// When the program's console window is its own, as when Explorer started
/// it, writes `note` and a line asking for Enter, and waits for it, so the
/// window does not close before the user has read it; does nothing in a
/// console shared with a shell, or without one (on POSIX, always nothing).
void holdOwnConsole(const char* note);
/// Standard input as the dialogue reads it: typed words, a pipe or a file.
InputSource& standardInput();
/// Standard output as the dialogue writes it: the menu and its messages.
OutputSink& standardOutput();
/// Standard input as the collection options read it (`--apply -`): data
/// whatever its bytes, where the dialogue takes Ctrl+Z as the end on Windows.
InputSource& collectionInput();
/// Standard output (results) and error (problems) of the collection options,
/// whose lines carry file names in any language.
OutputSink& collectionOutput();
/// True when one Ctrl+Z (0x1A) as the very last byte of a listing on
/// standard input is its end, as DOS-era editors save text: on Windows.
bool ctrlZEndsText();
/// How a line of text the program writes to a file ends, as its output's
/// lines end: CR LF on Windows, LF elsewhere.
const char* lineEnd();
OutputSink& collectionErrors();
