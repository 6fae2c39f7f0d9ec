// What --help prints: the collection options' usage, a line each.
#pragma once

#include <string_view>

/// The text --help writes to standard output, its last line without a
/// line end.
std::string_view helpText();
