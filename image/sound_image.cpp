// The settings' bits and bytes in the image, the load, and the
// dialogue's save through the block transaction.
#include "image/sound_image.h"

#include <algorithm>
#include <iterator>

#include "image/block_transaction.h"
#include "platform/file_access.h"

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

void SoundImage::setBlock(const Block& block) {
  std::copy(block.begin(), block.end(), bytes.begin() + SettingsBlock::TimerFlags);
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

FileResult SoundImage::load(FileHandle folder, const char* name, FileAccess& files,
                            std::size_t limit, OpenMode mode) {
  const Opened opened = files.open(folder, name, mode);
  if (opened.file == kNoFile) return {FileResult::Step::Open, opened.error};
  // A short count is the end of the file; only an error (such as a disk
  // failing partway) makes the image unusable. The read goes straight into
  // the image: clearing all 64 KiB first would cost more than reading the
  // 912 bytes a listing wants.
  const Moved got = files.readAt(opened.file, bytes.data(), limit < Capacity ? limit : Capacity, 0);
  // Nothing was written: a failed close loses nothing.
  files.close(opened.file);
  if (got.error != 0) {
    // Leave no part of a failed read behind for a later save to write.
    std::fill_n(bytes.begin(), got.bytes, 0);
    length = 0;
    return {FileResult::Step::Read, got.error};
  }
  length = got.bytes;
  read_ = opened.identity;
  // Settings past the end of a short file read as off and 0, not as whatever
  // an earlier load left there.
  if (length < SettingsBlock::End) {
    std::fill(bytes.begin() + std::max(length, SettingsBlock::TimerFlags),
              bytes.begin() + SettingsBlock::End, 0);
  }
  loaded_ = block();
  return {};
}

namespace {

// A field's place in a block alone.
constexpr std::size_t inBlock(std::size_t offset) {
  return offset - SettingsBlock::TimerFlags;
}

}  // namespace

bool isOn(const SoundImage::Block& block, Switch which) {
  const SwitchBit& bit = bitOf(which);
  return (block[inBlock(bit.offset)] & bit.mask) != 0;
}

void setSwitch(SoundImage::Block& block, Switch which, bool on) {
  const SwitchBit& bit = bitOf(which);
  std::uint8_t& byte = block[inBlock(bit.offset)];
  byte = static_cast<std::uint8_t>(on ? byte | bit.mask : byte & ~bit.mask);
}

std::uint16_t limitTime(const SoundImage::Block& block) {
  return static_cast<std::uint16_t>(block[inBlock(SettingsBlock::LimitTime)] |
                                    block[inBlock(SettingsBlock::LimitTime) + 1] << 8);
}

void setLimitTime(SoundImage::Block& block, std::uint16_t n) {
  block[inBlock(SettingsBlock::LimitTime)] = static_cast<std::uint8_t>(n & 0xFF);
  block[inBlock(SettingsBlock::LimitTime) + 1] = static_cast<std::uint8_t>(n >> 8);
}

bool hasSaveMark(const SoundImage::Block& block) {
  return block[inBlock(SettingsBlock::SaveMark)] == (SettingsBlock::SaveMarkValue & 0xFF) &&
         block[inBlock(SettingsBlock::SaveMark) + 1] == (SettingsBlock::SaveMarkValue >> 8);
}

void stampSaveMark(SoundImage::Block& block) {
  block[inBlock(SettingsBlock::SaveMark)] = SettingsBlock::SaveMarkValue & 0xFF;
  block[inBlock(SettingsBlock::SaveMark) + 1] = SettingsBlock::SaveMarkValue >> 8;
}

void SoundImage::stampSaveMark() {
  bytes[SettingsBlock::SaveMark] = SettingsBlock::SaveMarkValue & 0xFF;
  bytes[SettingsBlock::SaveMark + 1] = SettingsBlock::SaveMarkValue >> 8;
}

bool SoundImage::hasSaveMark() const {
  return bytes[SettingsBlock::SaveMark] == (SettingsBlock::SaveMarkValue & 0xFF) &&
         bytes[SettingsBlock::SaveMark + 1] == (SettingsBlock::SaveMarkValue >> 8);
}

namespace {

constexpr std::size_t kBlockStart = SettingsBlock::TimerFlags;

// The block's bytes from `from` (a file's own), with what the user changed
// from `loaded` to `edited` laid over: each switch bit that differs, both
// bytes of LimitTime when it differs, and the SaveMark. Every other bit, 0x38D
// included, stays as `from` holds it.
SoundImage::Block mergeEdits(const SoundImage::Block& from, const SoundImage::Block& loaded,
                             const SoundImage::Block& edited) {
  const auto at = [](std::size_t offset) { return offset - kBlockStart; };
  SoundImage::Block merged = from;
  for (const std::size_t flags : {SettingsBlock::TimerFlags, SettingsBlock::ModeFlags}) {
    const auto changed = static_cast<std::uint8_t>(loaded[at(flags)] ^ edited[at(flags)]);
    merged[at(flags)] =
        static_cast<std::uint8_t>((from[at(flags)] & ~changed) | (edited[at(flags)] & changed));
  }
  for (const std::size_t offset : {SettingsBlock::LimitTime, SettingsBlock::LimitTime + 1}) {
    if (loaded[at(SettingsBlock::LimitTime)] != edited[at(SettingsBlock::LimitTime)] ||
        loaded[at(SettingsBlock::LimitTime + 1)] != edited[at(SettingsBlock::LimitTime + 1)]) {
      merged[at(offset)] = edited[at(offset)];
    }
  }
  for (const std::size_t offset : {SettingsBlock::SaveMark, SettingsBlock::SaveMark + 1}) {
    merged[at(offset)] = edited[at(offset)];
  }
  return merged;
}

}  // namespace

FileResult SoundImage::save(const char* path, FileAccess& files) {
  stampSaveMark();
  BlockTransaction file(files);
  // A regular file that became a device, a FIFO or a link to one while the
  // menu was open is not written: the bytes would land on whatever it is.
  FileResult result = file.open(path, read_.regular ? OpenMode::UpdateRegular : OpenMode::Update);
  // The file vanished since the load: make it again from the image.
  if (file.missing()) result = file.create(path);
  if (!result || !(result = file.lock())) return result;
  // Nothing of the file as loaded is left to keep when it vanished or was
  // cut short: it is written whole from the image.
  if (file.identity().size < length) return file.writeWhole(bytes.data(), length);
  // The block's bytes the file held at the load: none at all when the file
  // ends before the block.
  const std::size_t size =
      length > kBlockStart ? std::min(length, SettingsBlock::End) - kBlockStart : 0;
  Block now = block();
  if (size > 0 && !(result = file.read(now, size))) return result;
  setBlock(mergeEdits(now, loaded_, block()));
  return file.write(block(), size);
}
