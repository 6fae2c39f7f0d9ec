// --if CONDITION: a test of one setting or of the save mark, which a file
// must pass to be shown or set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "image/settings.h"
#include "image/sound_image.h"

struct Condition {
  enum class Test { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual };
  /// The setting tested, or nullptr for the save mark.
  const Setting* setting = nullptr;
  Test test = Test::Equal;
  /// 0 or 1 for a switch or the save mark, 0 to 65535 for LimitTime.
  std::uint16_t value = 0;
};

/// Reads `text`, NAME=VALUE, NAME!=VALUE, or for LimitTime also NAME<VALUE,
/// <=, > or >=, into `condition`; false with `error` (one line naming the
/// condition) when it is none. NAME is a setting or SaveMark in any letter
/// case; VALUE is what --set takes, or yes/no for SaveMark.
bool parseCondition(std::string_view text, Condition& condition, std::string& error);

/// True when the settings block passes every condition.
bool meetsAll(const std::vector<Condition>& conditions, const SoundImage::Block& block);
