// What the editor must show and leave on disk, written out literally from the
// menu and the file format rather than taken from the code under test.
// Shared by the tests and the fuzzer, so it needs no test framework.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "test_support/files.h"

/// The settings as the menu shows them, in menu order.
struct Shown {
  bool timerA, timerB;
  unsigned limitTime;
  bool fadeout, graphic2203, limitEnd;
};

/// The eight menu lines and the prompt, exactly as users see them.
std::string menuText(const Shown& shown);

/// `bytes` as a save leaves them with these settings: TimerFlags, LimitTime
/// (little-endian), ModeFlags and the SaveMark 0x55 0xAA, each only where
/// the bytes reach.
Bytes saved(Bytes bytes, std::uint8_t timerFlags, std::uint16_t limitTime, std::uint8_t modeFlags);
/// `bytes` with only the SaveMark stamped, where the bytes reach.
Bytes withSaveMark(Bytes bytes);

/// True when `text` ends with `tail`.
bool endsWith(std::string_view text, std::string_view tail);
