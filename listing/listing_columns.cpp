// The columns of a listing row found by their names, and the hex cells
// read as the bytes they spell.
#include "listing/listing_columns.h"

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string_view columnName(std::size_t column, bool json) {
  if (column < kSettingCount) return kSettings[column].name;
  const ColumnHeading& heading = kHeadings[column - kSettingCount];
  return json ? heading.json : heading.csv;
}

std::size_t columnNamed(std::string_view name, bool json) {
  for (std::size_t column = kSettingCount; column < kNoColumn; ++column) {
    const std::string_view heading = columnName(column, json);
    if (!heading.empty() && sameIgnoringCase(name, heading)) return column;
  }
  const Setting* setting = findSetting(name);
  return setting == nullptr ? kNoColumn : static_cast<std::size_t>(setting - kSettings);
}

bool fromHex(std::string_view hex, std::string& bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes.clear();
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = hexDigit(hex[i]);
    const int low = hexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes += static_cast<char>(high << 4 | low);
  }
  return true;
}
