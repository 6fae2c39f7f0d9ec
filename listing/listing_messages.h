// How a message about a listing that cannot be used words what it found:
// the text it echoes, kept to one short, printable line, and the value a
// setting cannot be. Both forms, CSV and JSON Lines, word them the same.
#pragma once

#include <string>
#include <string_view>

#include "image/settings.h"

/// The UTF-8 BOM, U+FEFF, as a listing may start with it.
inline constexpr std::string_view kBom = "\xEF\xBB\xBF";

/// `text` with each BOM (U+FEFF) written out: it shows as nothing, yet a
/// header cell or a name that holds one is not the text it seems.
std::string bomsShown(std::string text);

/// `text` cut to the most a message echoes, before a whole UTF-8 character.
std::string_view cutShort(std::string_view text);

/// `text` as a message echoes it: printable, cut short when long, its BOMs
/// shown.
std::string shown(std::string_view text);

/// "NAME cannot be SHOWN: HINT", for a cell or a value the column `name`
/// cannot take; `shown` is the value as the message echoes it.
std::string badValue(std::string_view name, const std::string& shown, std::string_view hint);

/// badValue for a setting, with the hint of what it takes.
std::string badValue(const Setting& setting, const std::string& shown);
