// The columns of a listing row in either form: the settings in kSettings
// order, then those past them (the file's name, the save mark, a name's
// bytes, the block and the block written), each with its CSV heading and
// its JSON key; the hex that a name's bytes and a block are written in; and
// the most a row may hold.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "image/settings.h"
#include "listing/setting_words.h"

/// A column past the settings, with its CSV heading and its JSON key; a
/// column one form lacks has no name in it.
struct ColumnHeading {
  std::string_view csv;
  std::string_view json;
};
/// The columns past the settings; their indexes follow the settings' own.
inline constexpr ColumnHeading kHeadings[] = {
    {kFileName, kFileKey},
    {kSaveMarkName, kSaveMarkKey},
    // A name that is no UTF-8, which a JSON string cannot carry, as its
    // bytes in hex.
    {"", kFileBytesKey},
    // The settings block's seven bytes in hex, written as they are.
    {kBlockName, ""},
    // The block a run wrote in their place, in hex.
    {kWrittenName, ""},
};
/// SaveMark's column, kSettingCount + 1, is taken and ignored.
inline constexpr std::size_t kFileColumn = kSettingCount;
inline constexpr std::size_t kFileBytesColumn = kSettingCount + 2;
inline constexpr std::size_t kBlockColumn = kSettingCount + 3;
inline constexpr std::size_t kWrittenColumn = kSettingCount + 4;
/// One past the last column: no column at all.
inline constexpr std::size_t kNoColumn = kSettingCount + sizeof kHeadings / sizeof kHeadings[0];

/// The most one row may hold, its line end not counted (a name is at most a
/// few KiB), and what a row past it is told.
inline constexpr std::size_t kMaxRowBytes = std::size_t{1} << 20;
inline constexpr std::string_view kRowTooLong = "a row is longer than 1 MiB";

/// The column's name as the listing's form spells it; empty for a column
/// the form lacks.
std::string_view columnName(std::size_t column, bool json);

/// The column `name` heads in the listing's form, in any letter case;
/// kNoColumn when none.
std::size_t columnNamed(std::string_view name, bool json);

/// The bytes `hex` spells, two hex digits (either case) a byte, into
/// `bytes`; false when it spells none.
bool fromHex(std::string_view hex, std::string& bytes);
