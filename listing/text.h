// File names and other text as they go into the lines the collection
// options print.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// `text` fit for one line of a terminal: every control character (C0, DEL,
/// and C1, U+0080 to U+009F, whether written as UTF-8 or as a lone byte)
/// shows as '?', as ls shows them, so a line end in a name cannot break the
/// one-line-a-file promise nor an escape sequence reach the terminal.
std::string printable(std::string_view text);

/// The number of bytes of the UTF-8 character that starts `text`, or 0 when
/// none does (a stray byte, an overlong form, a surrogate, past U+10FFFF).
std::size_t utf8Length(std::string_view text);

/// `text` as a JSON string: quotes, backslashes and control characters (C1
/// included) escaped, UTF-8 kept, each byte that is not UTF-8 as U+FFFD.
std::string jsonString(std::string_view text);
