// The lines --show writes, in its three forms: a fixed-width table for
// people, JSON Lines for tools such as jq, and CSV for spreadsheets and for
// --apply to read back.
#pragma once

#include <string>
#include <string_view>

#include "image/sound_image.h"

enum class ShowFormat { Table, Json, Csv };

/// The line above the files' lines: the table's column names or the CSV
/// header; "" for JSON Lines, which has none. No line end.
std::string showHeading(ShowFormat format);

/// The image's settings and save mark for `file` as one line in `format`
/// (no line end). The table and the reports show a name's control
/// characters as '?'; CSV keeps the name byte for byte, and JSON writes each
/// byte that is not UTF-8 as U+FFFD, adding the name's bytes in hex as
/// "fileBytes" when there is any such byte.
std::string showRow(ShowFormat format, const SoundImage& image, std::string_view file);

/// `bytes` as lowercase hex digits, two a byte.
std::string hexBytes(std::string_view bytes);

/// `text` as one CSV field: as it is, or in double quotes (inner quotes
/// doubled) when it holds a comma, a double quote, CR or LF.
std::string csvField(std::string_view text);
