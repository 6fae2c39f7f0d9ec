// The lines --show writes for a file, in each of its forms, and the CSV
// field and hex that carry a name in them.
#include "listing/rows.h"

#include "image/settings.h"
#include "listing/setting_words.h"
#include "listing/text.h"

namespace {

// The table's cells are as wide as their column's name, so every line can
// go out as soon as it is known.
void appendCell(std::string& line, std::string_view text, std::size_t width) {
  line += text;
  line.append(width - text.size() + 2, ' ');
}

std::string tableRow(const SoundImage& image, std::string_view file) {
  std::string line;
  for (const Setting& setting : kSettings) {
    appendCell(line, valueText(setting, valueOf(image, setting)), setting.name.size());
  }
  appendCell(line, image.hasSaveMark() ? "yes" : "no", kSaveMarkName.size());
  return line + printable(file);
}

// True when every byte of `text` belongs to a UTF-8 character.
bool isUtf8(std::string_view text) {
  for (std::size_t length = 0; !text.empty(); text.remove_prefix(length)) {
    length = utf8Length(text);
    if (length == 0) return false;
  }
  return true;
}

std::string jsonRow(const SoundImage& image, std::string_view file) {
  std::string line = "{\"" + std::string(kFileKey) + "\":" + jsonString(file);
  // JSON carries only Unicode text: a name that is no UTF-8 (Shift_JIS from
  // an old archive, or on Windows a name with a lone surrogate) also goes
  // out as its bytes, so that --apply finds that very file again.
  if (!isUtf8(file)) line += ",\"" + std::string(kFileBytesKey) + "\":\"" + hexBytes(file) + "\"";
  for (const Setting& setting : kSettings) {
    const unsigned value = valueOf(image, setting);
    line += ",\"" + std::string(setting.name) + "\":";
    if (setting.kind == SettingKind::Switch) {
      line += value != 0 ? "true" : "false";
    } else {
      line += std::to_string(value);
    }
  }
  line += ",\"" + std::string(kSaveMarkKey) + "\":";
  line += image.hasSaveMark() ? "true" : "false";
  return line + "}";
}

std::string csvRow(const SoundImage& image, std::string_view file) {
  std::string line = csvField(file);
  for (const Setting& setting : kSettings) {
    line += ',';
    line += valueText(setting, valueOf(image, setting));
  }
  line += image.hasSaveMark() ? ",yes" : ",no";
  return line;
}

}  // namespace

std::string showHeading(ShowFormat format) {
  std::string line;
  switch (format) {
    case ShowFormat::Table:
      for (const Setting& setting : kSettings) appendCell(line, setting.name, setting.name.size());
      appendCell(line, kSaveMarkName, kSaveMarkName.size());
      return line + std::string(kFileName);
    case ShowFormat::Csv:
      line = kFileName;
      for (const Setting& setting : kSettings) line += "," + std::string(setting.name);
      return line + "," + std::string(kSaveMarkName);
    case ShowFormat::Json:
      break;
  }
  return line;
}

std::string showRow(ShowFormat format, const SoundImage& image, std::string_view file) {
  switch (format) {
    case ShowFormat::Table:
      return tableRow(image, file);
    case ShowFormat::Csv:
      return csvRow(image, file);
    case ShowFormat::Json:
      break;
  }
  return jsonRow(image, file);
}

std::string hexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string field = "\"";
  for (const char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + '"';
}
