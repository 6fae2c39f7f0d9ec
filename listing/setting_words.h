// The words the collection options take for the six settings and their
// values, shared by --set and the listings that --apply reads.
#pragma once

#include <string>
#include <string_view>

#include "image/settings.h"

/// The column of a listing that names the file, and the one that shows the
/// save mark; JSON keys start in lower case where they are no setting's name.
inline constexpr std::string_view kFileName = "File";
inline constexpr std::string_view kSaveMarkName = "SaveMark";
inline constexpr std::string_view kFileKey = "file";
inline constexpr std::string_view kSaveMarkKey = "saveMark";
/// The JSON key of a name's bytes in hex, for a name that is no UTF-8.
inline constexpr std::string_view kFileBytesKey = "fileBytes";
/// The CSV column of a block's seven bytes in hex, as --undo writes them.
inline constexpr std::string_view kBlockName = "Block";
/// The CSV column of the block a run wrote in the file, in hex, beside its
/// Block column.
inline constexpr std::string_view kWrittenName = "Written";

/// The word a switch's value is written as: "on" or "off".
inline constexpr std::string_view switchWord(bool on) {
  return on ? "on" : "off";
}

/// A setting's value as the table, CSV and the reports write it: on/off
/// for a switch, the number for LimitTime.
std::string valueText(const Setting& setting, unsigned value);

/// True when `a` and `b` are the same text, ASCII letters in either case.
bool sameIgnoringCase(std::string_view a, std::string_view b);

/// The setting called `name`, or its menu label without spaces
/// ("2203GraphicECMode"), in any letter case; nullptr when none is.
const Setting* findSetting(std::string_view name);

/// The setting `name` most likely means when no setting is called that: one
/// whose words and number it has in another order ("ECGraphicMode2203"), or
/// with spaces, dots or underscores between them, in any letter case
/// ("graphic_ec_mode_2203", "LimitEnd Flag"), after the setting's menu
/// number and a dot ("5.2203 GraphicECMode"); nullptr when none is.
const Setting* likelySetting(std::string_view name);

/// "no setting is called 'SHOWN'", `shown` being `name` as the message
/// echoes it, with "; did you mean NAME?" when likelySetting finds one.
std::string noSettingCalled(std::string_view name, const std::string& shown);

/// A switch's value for the word: 1 for on, enable, 1 or true; 0 for off,
/// disable, 0 or false (any letter case); -1 for any other word.
int switchValue(std::string_view word);

/// The number for LimitTime: decimal digits only, 0 to 65535; -1 otherwise.
/// The collection options refuse what the dialogue has to wrap.
long limitTimeValue(std::string_view word);

/// The value for `setting` (switchValue or limitTimeValue), -1 when the word
/// is no value of it.
long settingValue(const Setting& setting, std::string_view word);

/// What `setting` takes, for a message: "use on or off" or "use a number
/// from 0 to 65535".
std::string_view settingValueHint(const Setting& setting);
