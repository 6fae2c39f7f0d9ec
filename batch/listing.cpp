#include "batch/listing.h"

namespace {

constexpr std::string_view kFileHeading = "File";
constexpr std::string_view kMarkHeading = "SaveMark";

}  // namespace

std::string csvHeader() {
  std::string line(kFileHeading);
  for (const Setting& setting : kSettings) {
    line += ',';
    line += setting.name;
  }
  line += ',';
  return line += kMarkHeading;
}

std::string csvRow(const SoundImage& image, std::string_view file) {
  std::string line = csvField(file);
  for (const Setting& setting : kSettings) {
    const unsigned value = valueOf(image, setting);
    line += ',';
    if (setting.kind == SettingKind::LimitTime) {
      line += std::to_string(value);
    } else {
      line += value != 0 ? "on" : "off";
    }
  }
  line += image.hasSaveMark() ? ",yes" : ",no";
  return line;
}

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string field = "\"";
  for (const char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field += '"';
}
