#include "image/sound_image.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "image/file_access.h"

namespace {

struct SwitchBit {
  std::size_t offset;
  std::uint8_t mask;
};

// Indexed by Switch. LimitEndFlag is bit 3, not bit 2: bit 2 and bits 4 to 7
// of ModeFlags belong to the programs that play the data and stay untouched.
constexpr SwitchBit kSwitchBits[] = {
    {SettingsBlock::TimerFlags, 0x01},  // TimerA
    {SettingsBlock::TimerFlags, 0x02},  // TimerB
    {SettingsBlock::ModeFlags, 0x01},   // FadeoutDriverMode
    {SettingsBlock::ModeFlags, 0x02},   // GraphicECMode2203
    {SettingsBlock::ModeFlags, 0x08},   // LimitEndFlag
};
// A switch added to the enum without a row here would read past the table.
static_assert(std::size(kSwitchBits) == static_cast<std::size_t>(Switch::LimitEndFlag) + 1,
              "one row per Switch, in enum order");

const SwitchBit& bitOf(Switch which) {
  return kSwitchBits[static_cast<std::size_t>(which)];
}

}  // namespace

SoundImage::Block SoundImage::block() const {
  Block copy{};
  std::copy_n(bytes.begin() + SettingsBlock::TimerFlags, copy.size(), copy.begin());
  return copy;
}

bool SoundImage::isOn(Switch which) const {
  const SwitchBit& bit = bitOf(which);
  return (bytes[bit.offset] & bit.mask) != 0;
}

void SoundImage::toggle(Switch which) {
  const SwitchBit& bit = bitOf(which);
  bytes[bit.offset] ^= bit.mask;
}

void SoundImage::setSwitch(Switch which, bool on) {
  if (isOn(which) != on) toggle(which);
}

std::uint16_t SoundImage::limitTime() const {
  return static_cast<std::uint16_t>(bytes[SettingsBlock::LimitTime] |
                                    bytes[SettingsBlock::LimitTime + 1] << 8);
}

void SoundImage::setLimitTime(std::int32_t n) {
  // Only the low 16 bits fit the field; larger and negative numbers wrap.
  const auto low16 = static_cast<std::uint16_t>(static_cast<std::uint32_t>(n));
  bytes[SettingsBlock::LimitTime] = static_cast<std::uint8_t>(low16 & 0xFF);
  bytes[SettingsBlock::LimitTime + 1] = static_cast<std::uint8_t>(low16 >> 8);
}

FileResult SoundImage::load(const char* path, FileAccess& files, std::size_t limit) {
  const OpenResult opened = files.open(path, OpenMode::Read);
  if (opened.file == nullptr) return {FileResult::Step::Open, opened.error};
  // Zero first, so the settings of a file too short to hold them read as
  // off and 0 instead of whatever an earlier load left.
  bytes.fill(0);
  std::size_t got = 0;
  // A short count is the end of the file; only an error (such as a disk
  // failing partway) makes the image unusable.
  const bool ok = files.read(opened.file, bytes.data(), limit < Capacity ? limit : Capacity, got);
  files.close(opened.file);
  if (!ok) {
    // Leave no part of a failed read behind for a later save to write.
    bytes.fill(0);
    length = 0;
    return {FileResult::Step::Read, 0};
  }
  length = got;
  return {};
}

void SoundImage::stampSaveMark() {
  bytes[SettingsBlock::SaveMark] = SettingsBlock::SaveMarkValue & 0xFF;
  bytes[SettingsBlock::SaveMark + 1] = SettingsBlock::SaveMarkValue >> 8;
}

bool SoundImage::hasSaveMark() const {
  return bytes[SettingsBlock::SaveMark] == (SettingsBlock::SaveMarkValue & 0xFF) &&
         bytes[SettingsBlock::SaveMark + 1] == (SettingsBlock::SaveMarkValue >> 8);
}

SaveResult SoundImage::save(const char* path, FileAccess& files) {
  stampSaveMark();

  // Update in place rather than empty and rewrite: a failure halfway then
  // leaves the old bytes, and the tail of a file longer than the image is kept.
  OpenResult opened = files.open(path, OpenMode::Update);
  if (opened.missing()) {
    // The file vanished since the load. Create it, but never empty a file
    // that appeared in the meantime.
    opened = files.open(path, OpenMode::CreateNew);
  }
  std::FILE* file = opened.file;
  if (file == nullptr) return SaveResult::OpenFailed;

  bool ok = files.write(file, bytes.data(), length);
  ok = files.flush(file) && ok;
  ok = files.close(file) && ok;
  return ok ? SaveResult::Saved : SaveResult::WriteFailed;
}

FileResult SoundImage::writeBlock(const char* path, FileAccess& files) const {
  constexpr std::size_t kFirst = SettingsBlock::TimerFlags;
  const OpenResult opened = files.open(path, OpenMode::Update);
  if (opened.file == nullptr) return {FileResult::Step::Open, opened.error};
  std::FILE* file = opened.file;
  bool ok = files.seek(file, kFirst) &&
            files.write(file, bytes.data() + kFirst, SettingsBlock::End - kFirst);
  ok = files.flush(file) && ok;
  ok = files.close(file) && ok;
  if (!ok) return {FileResult::Step::Write, 0};
  return {};
}
