// Names Windows keeps for devices. A file called "con.dat" or "aux" cannot
// be made or opened there as a file: the name reaches the console or a
// port instead, and a read from it may wait for ever. Plain code with no
// system calls, so it is tested on every system.
#pragma once

#include <string_view>

/// True when the last part of `path` (WTF-8; after the last \ or /, past a
/// drive's "C:") is a name Windows keeps for a device: CON, PRN, AUX, NUL,
/// COM0 to COM9, LPT0 to LPT9 (the digit also ¹, ² or ³), CONIN$ or
/// CONOUT$, in any letter case, with or without an extension, with spaces or
/// dots before it, or with a colon after it ("nul:"); false for every other
/// name, the empty one included.
bool isReservedDeviceName(std::string_view path);
