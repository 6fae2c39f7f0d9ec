// The in-memory copy of a YM2608 sound data file and its settings block.
//
// Apart from the 7-byte settings block at 0x389..0x38F the file is an opaque
// run of bytes that is carried through unchanged. Nothing here prints: load
// and save report what happened and the caller words it for the user.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/file_access.h"

/// Offsets of the settings block, from the start of the file. The 16-bit
/// values are little-endian: low byte first.
struct SettingsBlock {
  static constexpr std::size_t TimerFlags = 0x389;  // TimerA, TimerB
  static constexpr std::size_t LimitTime = 0x38A;   // 0..65535, 2 bytes
  static constexpr std::size_t ModeFlags = 0x38C;   // the three mode switches
  // 0x38D belongs to the block but no setting owns it: it is never changed.
  static constexpr std::size_t SaveMark = 0x38E;  // 2 bytes, written by every save
  static constexpr std::uint16_t SaveMarkValue = 0xAA55;
  /// One past the last byte of the block: a file this long holds all of it.
  static constexpr std::size_t End = 0x390;
};

/// The on/off settings, each one bit of TimerFlags or ModeFlags. A new one
/// goes last: the switch table checks its size against the last one.
enum class Switch { TimerA, TimerB, FadeoutDriverMode, GraphicECMode2203, LimitEndFlag };

struct SoundImage {
  /// The image holds at most this many bytes from the start of the file.
  static constexpr std::size_t Capacity = 0x10000;

  /// The first bytes of the file; after a load the bytes of the settings
  /// block that lie past `length` are 0.
  std::array<std::uint8_t, Capacity> bytes{};
  /// How many bytes the load delivered; a save writes back exactly this many.
  std::size_t length = 0;

  /// The settings block's seven bytes, 0x389 to 0x38F.
  using Block = std::array<std::uint8_t, SettingsBlock::End - SettingsBlock::TimerFlags>;
  /// A copy of the settings block as the image holds it.
  Block block() const;
  /// Puts `block` into the image as the settings block, every byte of it.
  void setBlock(const Block& block);

  /// True when the switch's bit is 1.
  bool isOn(Switch which) const;
  /// Flips the switch's bit, leaving the other bits of its byte as they are.
  void toggle(Switch which);
  /// Sets the switch's bit to 1 (on) or 0, leaving the other bits as they are.
  void setSwitch(Switch which, bool on);
  /// The LimitTime field, 0 to 65535.
  std::uint16_t limitTime() const;
  /// Stores the low 16 bits of `n` as LimitTime: 70000 stores 4464, -1 stores 65535.
  void setLimitTime(std::int32_t n);

  /// Reads up to `limit` (at most Capacity) bytes of the file at `path`
  /// (UTF-8), opened in `mode` (Read, or ReadRegular for nothing but a
  /// regular file), and notes which file that was. Fails when the file cannot be
  /// opened or a read fails (the image is then not to be used). A short
  /// file is no failure: `length` is smaller.
  FileResult load(const char* path, FileAccess& files = FileAccess::disk(),
                  std::size_t limit = Capacity, OpenMode mode = OpenMode::Read) {
    return load(kNoFile, path, files, limit, mode);
  }
  /// As load(path...), for the file `name` in the open `folder` (see
  /// FileAccess::open), or the path `name` when `folder` is kNoFile.
  FileResult load(FileHandle folder, const char* name, FileAccess& files, std::size_t limit,
                  OpenMode mode);
  /// The file the last load read.
  const FileIdentity& identity() const { return read_; }
  /// Sets the SaveMark in the image: 0x55 at 0x38E, 0xAA at 0x38F.
  void stampSaveMark();
  /// True when the image holds the SaveMark.
  bool hasSaveMark() const;
  /// Stamps the SaveMark and writes the settings changed since the load
  /// into whatever file the path names now, as an editor that was open for
  /// a while finds it. Only the settings changed here and the mark are
  /// written: a bit or byte another program changed since the load stays
  /// as it now is. Only the block's bytes within `length` are read and
  /// written. A file that vanished is created, and one now shorter than
  /// `length` is written whole from the image (`length` bytes from the
  /// start, never cut).
  FileResult save(const char* path, FileAccess& files = FileAccess::disk());

 private:
  /// The file the load read.
  FileIdentity read_;
  /// The block as the load found it, so that a save writes only the changes.
  Block loaded_{};
};

/// The settings of a block alone, as the collection options decide them
/// before a write: the same bits and bytes as SoundImage's, at the block's
/// own offsets (0 is 0x389).
/// True when the switch's bit is 1.
bool isOn(const SoundImage::Block& block, Switch which);
/// Sets the switch's bit to 1 (on) or 0, leaving the other bits as they are.
void setSwitch(SoundImage::Block& block, Switch which, bool on);
/// The LimitTime field, 0 to 65535.
std::uint16_t limitTime(const SoundImage::Block& block);
/// Stores `n` as LimitTime, low byte first.
void setLimitTime(SoundImage::Block& block, std::uint16_t n);
/// True when the block holds the SaveMark.
bool hasSaveMark(const SoundImage::Block& block);
/// Sets the SaveMark in the block.
void stampSaveMark(SoundImage::Block& block);
