// The listing that goes out and comes back: --show --csv writes one CSV
// line a file, and a listing in that form, or in the JSON Lines form of
// --show --json, edited by hand or by a tool, is read back as the values to
// set in each file it names.
#pragma once

#include <string>
#include <string_view>

#include "image/settings.h"
#include "image/sound_image.h"

/// The CSV header: File, the six settings in table order, then SaveMark.
std::string csvHeader();

/// The image's CSV line under csvHeader(): the file name byte for byte,
/// switches as on/off, LimitTime as a number, SaveMark as yes/no. No line end.
std::string csvRow(const SoundImage& image, std::string_view file);

/// `text` as one CSV field: as it is, or in double quotes (inner quotes
/// doubled) when it holds a comma, a double quote, CR or LF.
std::string csvField(std::string_view text);
