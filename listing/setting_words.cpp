// The settings' names and value words: found in any letter case, read as
// a switch's word or LimitTime's number, and written as the lines show them.
#include "listing/setting_words.h"

namespace {

// The words a switch takes, the ones it is written as first.
constexpr std::string_view kOnWords[] = {switchWord(true), "enable", "1"};
constexpr std::string_view kOffWords[] = {switchWord(false), "disable", "0"};

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

const Setting* findSetting(std::string_view name) {
  for (const Setting& setting : kSettings) {
    if (sameIgnoringCase(name, setting.name)) return &setting;
  }
  return nullptr;
}

int switchValue(std::string_view word) {
  for (const std::string_view on : kOnWords) {
    if (sameIgnoringCase(word, on)) return 1;
  }
  for (const std::string_view off : kOffWords) {
    if (sameIgnoringCase(word, off)) return 0;
  }
  return -1;
}

long limitTimeValue(std::string_view word) {
  if (word.empty()) return -1;
  long n = 0;
  for (const char c : word) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
    if (n > 65535) return -1;
  }
  return n;
}

long settingValue(const Setting& setting, std::string_view word) {
  return setting.kind == SettingKind::Switch ? switchValue(word) : limitTimeValue(word);
}

std::string_view settingValueHint(const Setting& setting) {
  return setting.kind == SettingKind::Switch ? "use on or off" : "use a number from 0 to 65535";
}

std::string valueText(const Setting& setting, unsigned value) {
  return setting.kind == SettingKind::Switch ? std::string(switchWord(value != 0))
                                             : std::to_string(value);
}
