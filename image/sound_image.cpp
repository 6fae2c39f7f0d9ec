#include "image/sound_image.h"

#include <algorithm>
#include <cerrno>
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
  return readFrom(files.open(path, OpenMode::Read), files, limit);
}

FileResult SoundImage::loadRegular(const char* path, FileAccess& files, std::size_t limit,
                                   FileIdentity* identity) {
  const OpenResult opened = files.open(path, OpenMode::ReadRegular);
  if (opened.file != nullptr && identity != nullptr && !files.identify(opened.file, *identity)) {
    const int error = errno;
    files.close(opened.file);
    return {FileResult::Step::Open, error};
  }
  return readFrom(opened, files, limit);
}

FileResult SoundImage::readFrom(const OpenResult& opened, FileAccess& files, std::size_t limit) {
  if (opened.file == nullptr) return {FileResult::Step::Open, opened.error};
  std::size_t got = 0;
  // A short count is the end of the file; only an error (such as a disk
  // failing partway) makes the image unusable. The read goes straight into
  // the image: clearing all 64 KiB first would cost more than reading the
  // 912 bytes a listing wants.
  const bool ok = files.read(opened.file, bytes.data(), limit < Capacity ? limit : Capacity, got);
  const int readError = ok ? 0 : errno;
  files.close(opened.file);
  if (!ok) {
    // Leave no part of a failed read behind for a later save to write.
    std::fill_n(bytes.begin(), got, 0);
    length = 0;
    return {FileResult::Step::Read, readError};
  }
  length = got;
  // Settings past the end of a short file read as off and 0, not as whatever
  // an earlier load left there.
  if (length < SettingsBlock::End) {
    std::fill(bytes.begin() + std::max(length, SettingsBlock::TimerFlags),
              bytes.begin() + SettingsBlock::End, 0);
  }
  loaded_ = block();
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

namespace {

constexpr std::size_t kBlockStart = SettingsBlock::TimerFlags;
constexpr std::size_t kBlockSize = SettingsBlock::End - SettingsBlock::TimerFlags;

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

// Writes `size` bytes at `offset`, then flushes and closes the file (always);
// false when any step failed.
bool writeAndClose(FileAccess& files, std::FILE* file, std::size_t offset, const std::uint8_t* data,
                   std::size_t size) {
  bool ok = files.seek(file, offset) && files.write(file, data, size);
  ok = files.flush(file) && ok;
  ok = files.close(file) && ok;
  return ok;
}

}  // namespace

SaveResult SoundImage::save(const char* path, FileAccess& files) {
  stampSaveMark();

  // Update in place rather than empty and rewrite: a failure halfway then
  // leaves the old bytes, and the tail of a file longer than the image is kept.
  OpenResult opened = files.open(path, OpenMode::Update);
  const bool vanished = opened.missing();
  if (vanished) {
    // The file vanished since the load. Create it, but never empty a file
    // that appeared in the meantime.
    opened = files.open(path, OpenMode::CreateNew);
  }
  std::FILE* file = opened.file;
  if (file == nullptr) return SaveResult::OpenFailed;

  FileIdentity now;
  if (vanished || !files.identify(file, now) || now.size < length) {
    // Nothing of the file as loaded is left to keep (it vanished, or was cut
    // short): write it whole from the image.
    return writeAndClose(files, file, 0, bytes.data(), length) ? SaveResult::Saved
                                                               : SaveResult::WriteFailed;
  }
  // Only the block's bytes that the file held at the load are written; a
  // file that ends before the block gets nothing.
  const std::size_t size =
      length > kBlockStart ? std::min(length, SettingsBlock::End) - kBlockStart : 0;
  Block current = loaded_;
  std::size_t got = 0;
  if (size > 0 && (!files.seek(file, kBlockStart) || !files.read(file, current.data(), size, got) ||
                   got != size)) {
    files.close(file);
    return SaveResult::WriteFailed;
  }
  const Block merged = mergeEdits(current, loaded_, block());
  return writeAndClose(files, file, kBlockStart, merged.data(), size) ? SaveResult::Saved
                                                                      : SaveResult::WriteFailed;
}

namespace {

// True when `path` still names the file `identity` names.
bool stillNamed(const char* path, FileAccess& files, const FileIdentity& identity) {
  const OpenResult opened = files.open(path, OpenMode::ReadRegular);
  if (opened.file == nullptr) return false;
  FileIdentity now;
  const bool same = files.identify(opened.file, now) && now.sameFile(identity);
  files.close(opened.file);
  return same;
}

}  // namespace

FileResult SoundImage::updateBlock(const char* path, FileAccess& files,
                                   const FileIdentity& identity,
                                   const std::function<bool(SoundImage&)>& edit) {
  const OpenResult opened = files.open(path, OpenMode::UpdateRegular);
  if (opened.file == nullptr) return {FileResult::Step::Open, opened.error};
  std::FILE* file = opened.file;
  FileIdentity now;
  FileResult result;
  std::size_t got = 0;
  if (!files.identify(file, now)) {
    result = {FileResult::Step::Open, errno};
  } else if (!now.sameFile(identity)) {
    result = {FileResult::Step::Replaced, 0};
  } else if (!files.seek(file, kBlockStart) ||
             !files.read(file, bytes.data() + kBlockStart, kBlockSize, got)) {
    result = {FileResult::Step::Read, errno};
  } else if (now.size < SettingsBlock::End || got != kBlockSize) {
    // Too short already, or cut short since the length was asked.
    result = {FileResult::Step::Shrunk, 0};
  }
  if (!result || !edit(*this)) {
    files.close(file);
    return result;
  }
  bool ok = files.seek(file, kBlockStart) &&
            files.write(file, bytes.data() + kBlockStart, kBlockSize) && files.flush(file);
  const int writeError = ok ? 0 : errno;
  // No system call rules out another program cutting the file short or
  // putting another in its place while the block is written; a write into a
  // file cut short would even lengthen it. Look again, and say so rather
  // than call the file set.
  FileIdentity after;
  const bool disturbed = ok && (!files.identify(file, after) || after.size != now.size ||
                                !stillNamed(path, files, now));
  if (!files.close(file) && ok) return {FileResult::Step::Write, errno};
  if (!ok) return {FileResult::Step::Write, writeError};
  if (disturbed) return {FileResult::Step::Disturbed, 0};
  return {};
}
