// The usage of the collection options, as --help prints it, made from the
// table of options.
#pragma once

#include <string>

/// The whole help text, its last line without a line end.
std::string helpText();
