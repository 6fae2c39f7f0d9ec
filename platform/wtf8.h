// File names between Windows and the program. Windows hands out names as
// UTF-16 that may hold unpaired surrogates (NTFS allows them); the program
// carries names as 8-bit text. WTF-8 is UTF-8 that also writes a lone
// surrogate as its own three bytes, so every name Windows gives comes back
// to it unchanged. Plain code with no system calls, so it is tested on every
// system.
#pragma once

#include <string>
#include <string_view>

/// `utf16` as WTF-8: UTF-8, with each unpaired surrogate as three bytes.
std::string toWtf8(std::u16string_view utf16);

/// Decodes WTF-8 into `utf16`, returning false (and leaving `utf16` unspecified)
/// when `wtf8` is not WTF-8: a stray or missing continuation byte, an overlong
/// form, a value past U+10FFFF, or a surrogate pair written as two
/// three-byte surrogates (WTF-8 writes a pair as one four-byte character).
bool fromWtf8(std::string_view wtf8, std::u16string& utf16);
