// The settings' names and value words: found in any letter case, read as
// a switch's word or LimitTime's number, and written as the lines show them.
#include "listing/setting_words.h"

#include <algorithm>
#include <vector>

namespace {

// The words a switch takes, the ones it is written as first; true and false
// as JSON tools write a boolean when they turn it into text (Miller's CSV).
constexpr std::string_view kOnWords[] = {switchWord(true), "enable", "1", "true"};
constexpr std::string_view kOffWords[] = {switchWord(false), "disable", "0", "false"};

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isUpper(char c) {
  return c >= 'A' && c <= 'Z';
}

bool isLower(char c) {
  return c >= 'a' && c <= 'z';
}

// The words and the number a setting's name is made of, in lower case:
// "GraphicECMode2203" is graphic, ec, mode and 2203. A word starts at a
// capital after a small letter, or at the last capital before small letters.
std::vector<std::string> namePieces(std::string_view name) {
  std::vector<std::string> pieces;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool nextLower = i + 1 < name.size() && isLower(name[i + 1]);
    if (i == 0 || isDigit(c) != isDigit(name[i - 1]) ||
        (isUpper(c) && (isLower(name[i - 1]) || nextLower))) {
      pieces.emplace_back();
    }
    pieces.back() += lower(c);
  }
  return pieces;
}

// The letters and digits of a name as typed, in lower case, without the
// spaces, dots and underscores people put between words.
std::string squeezed(std::string_view name) {
  std::string letters;
  for (const char c : name) {
    if (c != ' ' && c != '.' && c != '_') letters += lower(c);
  }
  return letters;
}

std::string withoutSpaces(std::string_view label) {
  std::string text(label);
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

// True when `letters` are the setting's pieces in some order.
bool hasPiecesOf(const Setting& setting, std::string_view letters) {
  std::vector<std::string> pieces = namePieces(setting.name);
  std::sort(pieces.begin(), pieces.end());
  do {
    std::string joined;
    for (const std::string& piece : pieces) joined += piece;
    if (joined == letters) return true;
  } while (std::next_permutation(pieces.begin(), pieces.end()));
  return false;
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
    // Or the menu's label without its space, as "2203GraphicECMode" is typed
    // from the menu's "2203 GraphicECMode".
    if (sameIgnoringCase(name, setting.name) ||
        sameIgnoringCase(name, withoutSpaces(setting.label))) {
      return &setting;
    }
  }
  return nullptr;
}

const Setting* likelySetting(std::string_view name) {
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    // The menu shows each label after its command number and a dot.
    const std::string command = std::to_string(i + 1) + ".";
    const std::string_view label =
        name.substr(0, command.size()) == command ? name.substr(command.size()) : name;
    if (hasPiecesOf(kSettings[i], squeezed(label))) return &kSettings[i];
  }
  return nullptr;
}

std::string noSettingCalled(std::string_view name, const std::string& shown) {
  std::string message = "no setting is called '" + shown + "'";
  const Setting* likely = likelySetting(name);
  if (likely != nullptr) message += "; did you mean " + std::string(likely->name) + "?";
  return message;
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
