// Reading and testing --if's conditions.
#include "collection/condition.h"

#include <algorithm>

#include "listing/setting_words.h"
#include "listing/text.h"

namespace {

// The tests, two-character ones first so that "<=" is not read as "<".
const struct {
  std::string_view text;
  Condition::Test test;
} kTests[] = {{"!=", Condition::Test::NotEqual},
              {"<=", Condition::Test::LessOrEqual},
              {">=", Condition::Test::GreaterOrEqual},
              {"=", Condition::Test::Equal},
              {"<", Condition::Test::Less},
              {">", Condition::Test::Greater}};

// The save mark's value for the word: 1 for yes, 0 for no (any letter
// case), -1 otherwise.
long saveMarkValue(std::string_view word) {
  if (sameIgnoringCase(word, "yes")) return 1;
  return sameIgnoringCase(word, "no") ? 0 : -1;
}

bool compare(Condition::Test test, unsigned value, unsigned wanted) {
  switch (test) {
    case Condition::Test::Equal:
      return value == wanted;
    case Condition::Test::NotEqual:
      return value != wanted;
    case Condition::Test::Less:
      return value < wanted;
    case Condition::Test::LessOrEqual:
      return value <= wanted;
    case Condition::Test::Greater:
      return value > wanted;
    case Condition::Test::GreaterOrEqual:
      break;
  }
  return value >= wanted;
}

}  // namespace

bool parseCondition(std::string_view text, Condition& condition, std::string& error) {
  const std::string shown = "--if '" + printable(text) + "'";
  std::size_t at = std::string_view::npos;
  std::size_t length = 0;
  for (const auto& t : kTests) {
    const std::size_t found = text.find(t.text);
    if (found != std::string_view::npos &&
        (found < at || (found == at && t.text.size() > length))) {
      at = found;
      length = t.text.size();
      condition.test = t.test;
    }
  }
  if (at == std::string_view::npos || at == 0) {
    error = shown + ": use NAME=VALUE, NAME!=VALUE, or LimitTime<, <=, > or >= a number";
    return false;
  }
  const std::string_view name = text.substr(0, at);
  const std::string_view word = text.substr(at + length);
  const bool mark = sameIgnoringCase(name, kSaveMarkName);
  condition.setting = mark ? nullptr : findSetting(name);
  if (!mark && condition.setting == nullptr) {
    error = shown + ": no setting is called '" + printable(name) + "'";
    return false;
  }
  const bool ordered =
      condition.test != Condition::Test::Equal && condition.test != Condition::Test::NotEqual;
  if (ordered && (mark || condition.setting->kind != SettingKind::LimitTime)) {
    error = shown + ": <, <=, > and >= go with LimitTime only";
    return false;
  }
  const long value = mark ? saveMarkValue(word) : settingValue(*condition.setting, word);
  if (value < 0) {
    error =
        shown + ": " +
        (mark ? std::string("use yes or no") : std::string(settingValueHint(*condition.setting)));
    return false;
  }
  condition.value = static_cast<std::uint16_t>(value);
  return true;
}

bool meetsAll(const std::vector<Condition>& conditions, const SoundImage::Block& block) {
  return std::all_of(conditions.begin(), conditions.end(), [&](const Condition& c) {
    const unsigned value =
        c.setting == nullptr ? (hasSaveMark(block) ? 1 : 0) : valueOf(block, *c.setting);
    return compare(c.test, value, c.value);
  });
}
