// The lines the collection options write about a problem, one a problem:
// "ym2608-settings: NAME: what went wrong".
#pragma once

#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/system_error.h"

inline constexpr std::string_view kProgram = "ym2608-settings";

/// "ym2608-settings: WHAT: PROBLEM", with WHAT's control characters shown
/// as '?'; no line end.
std::string problemLine(std::string_view what, std::string_view problem);

/// Writes `line` and a line end in one write, so each line goes out whole
/// as soon as it is known; 0, or why the write failed.
int putLine(OutputSink& sink, std::string line);

/// Why a file could not be opened, read or written, as its problem line
/// says it.
std::string reason(const FileResult& result);
