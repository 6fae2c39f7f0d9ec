// The six settings of the block, once for the whole program: the menu, the
// command line and the listing all read this table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "image/sound_image.h"

enum class SettingKind { Switch, LimitTime };

struct Setting {
  /// The name scripts use: the menu label without its spaces, with the 2203
  /// of "2203 GraphicECMode" moved behind the words.
  std::string_view name;
  /// The label the menu shows after the setting's command number.
  std::string_view label;
  SettingKind kind;
  /// The switch's bit, for switches only.
  Switch which;
};

/// In menu order: setting i is command i + 1.
inline constexpr Setting kSettings[] = {
    {"TimerA", "TimerA", SettingKind::Switch, Switch::TimerA},
    {"TimerB", "TimerB", SettingKind::Switch, Switch::TimerB},
    {"LimitTime", "LimitTime", SettingKind::LimitTime, {}},
    {"FadeoutDriverMode", "Fadeout DriverMode", SettingKind::Switch, Switch::FadeoutDriverMode},
    {"GraphicECMode2203", "2203 GraphicECMode", SettingKind::Switch, Switch::GraphicECMode2203},
    {"LimitEndFlag", "LimitEnd Flag", SettingKind::Switch, Switch::LimitEndFlag},
};
inline constexpr std::size_t kSettingCount = sizeof kSettings / sizeof kSettings[0];

/// The setting's value in the image: 0 or 1 for a switch, 0 to 65535 for LimitTime.
inline unsigned valueOf(const SoundImage& image, const Setting& setting) {
  if (setting.kind == SettingKind::LimitTime) return image.limitTime();
  return image.isOn(setting.which) ? 1 : 0;
}

/// Sets the setting in the image: a switch on for any value but 0, LimitTime
/// to the value's low 16 bits.
inline void setValue(SoundImage& image, const Setting& setting, unsigned value) {
  if (setting.kind == SettingKind::LimitTime) {
    image.setLimitTime(static_cast<std::int32_t>(value & 0xFFFF));
  } else {
    image.setSwitch(setting.which, value != 0);
  }
}

/// The setting's value in a block alone, as valueOf gives it in an image.
inline unsigned valueOf(const SoundImage::Block& block, const Setting& setting) {
  if (setting.kind == SettingKind::LimitTime) return limitTime(block);
  return isOn(block, setting.which) ? 1 : 0;
}

/// Sets the setting in a block alone, as setValue does in an image.
inline void setValue(SoundImage::Block& block, const Setting& setting, unsigned value) {
  if (setting.kind == SettingKind::LimitTime) {
    setLimitTime(block, static_cast<std::uint16_t>(value & 0xFFFF));
  } else {
    setSwitch(block, setting.which, value != 0);
  }
}
