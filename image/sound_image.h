// The in-memory copy of a YM2608 sound data file and its settings block.
//
// Apart from the 7-byte settings block at 0x389..0x38F the file is an opaque
// run of bytes that is carried through unchanged. Nothing here prints: load
// and save report what happened and the caller words it for the user.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "image/file_access.h"

/// Offsets of the settings block, from the start of the file. The 16-bit
/// values are little-endian: low byte first.
struct SettingsBlock {
  static constexpr std::size_t TimerFlags = 0x389;  // TimerA, TimerB
  static constexpr std::size_t LimitTime = 0x38A;   // 0..65535, 2 bytes
  static constexpr std::size_t ModeFlags = 0x38C;   // the three mode switches
  // 0x38D belongs to the block but the editor never touches it.
  static constexpr std::size_t SaveMark = 0x38E;  // 2 bytes, written by every save
  static constexpr std::uint16_t SaveMarkValue = 0xAA55;
  /// One past the last byte of the block: a file this long holds all of it.
  static constexpr std::size_t End = 0x390;
};

/// The on/off settings, each one bit of TimerFlags or ModeFlags. A new one
/// goes last: the switch table checks its size against the last one.
enum class Switch { TimerA, TimerB, FadeoutDriverMode, GraphicECMode2203, LimitEndFlag };

/// How a save ended.
enum class SaveResult {
  Saved,       // every byte reached the file
  OpenFailed,  // the file could not be opened for writing; nothing was written
  WriteFailed  // writing, flushing or closing failed; the file may hold part of the image
};

/// How a load or a block write ended; true when it succeeded.
struct FileResult {
  enum class Step {
    None,
    Open,
    Read,
    Write,
    Replaced,  // opened for writing, it is another file than the one read
    Shrunk,    // opened for writing, it no longer holds the whole block
    Disturbed  // written, but cut short or replaced by another program meanwhile
  };
  /// The step that failed, None when none did.
  Step failed = Step::None;
  /// The system's reason (an errno value, or OpenResult::NotRegular) when an
  /// open, a read or a write failed; 0 otherwise.
  int error = 0;
  explicit operator bool() const { return failed == Step::None; }
};

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
  /// (UTF-8), failing when the file cannot be opened or a read fails (the
  /// image is then not to be used). A short file is no failure: `length` is
  /// smaller.
  FileResult load(const char* path, FileAccess& files = FileAccess::disk(),
                  std::size_t limit = Capacity);
  /// Like load, for the collection options: only a regular file is read, and
  /// nothing waits (Step::Open with OpenResult::NotRegular otherwise). Sets
  /// `identity`, when given, to the file that was read.
  FileResult loadRegular(const char* path, FileAccess& files, std::size_t limit,
                         FileIdentity* identity = nullptr);
  /// Sets the SaveMark in the image: 0x55 at 0x38E, 0xAA at 0x38F.
  void stampSaveMark();
  /// True when the image holds the SaveMark.
  bool hasSaveMark() const;
  /// Stamps the SaveMark and writes the settings made since the load into
  /// the file at `path`. While the file is at least `length` bytes long only
  /// the block's bytes within `length` are written, and only the settings
  /// changed here and the mark: a bit or byte another program changed since
  /// the load stays as it now is. A file that vanished is created, and one
  /// that became shorter is written whole from the image (`length` bytes
  /// from the start, never truncated).
  SaveResult save(const char* path, FileAccess& files = FileAccess::disk());
  /// Opens the file at `path` to write it in place, never creating or cutting
  /// it, and makes sure it is the file `identity` names (Step::Replaced) and
  /// still holds the whole block (Step::Shrunk). Then reads the block as the
  /// file now holds it into the image, calls `edit`, and writes the block
  /// back when `edit` returns true; no other byte is written. A file that
  /// another program cut short or replaced while it was written is
  /// Step::Disturbed.
  FileResult updateBlock(const char* path, FileAccess& files, const FileIdentity& identity,
                         const std::function<bool(SoundImage&)>& edit);

 private:
  FileResult readFrom(const OpenResult& opened, FileAccess& files, std::size_t limit);
  /// The block as the load found it, so that a save writes only the changes.
  Block loaded_{};
};
