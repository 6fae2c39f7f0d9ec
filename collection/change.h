// What a run does to each file's settings block: set some settings (--set,
// a listing's setting columns), or put back a block's seven bytes exactly
// (a Block listing, an undo); and the report of what that changed.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "image/settings.h"
#include "image/sound_image.h"

/// One NAME=VALUE of --set: 0 or 1 for a switch, 0 to 65535 for LimitTime.
struct Assignment {
  const Setting* setting;
  std::uint16_t value;
};

/// The settings to set, in the order given.
struct SetSettings {
  std::vector<Assignment> assignments;
  /// --set stamps the save mark even on a file whose settings are already
  /// so: it makes them take effect. A listing stamps it only with a change.
  bool stampAlways = true;
};

/// A run of the history given back: the block a file held before the run
/// (`before`), put back only where the file still holds what the run wrote.
struct RevertBlock {
  SoundImage::Block before;
  SoundImage::Block written;
};

using Change = std::variant<SetSettings, SoundImage::Block, RevertBlock>;

/// True when `change` gives back a run and `now` is neither what that run
/// wrote nor what it replaced: the file changed since, and is left as it is.
bool changedSince(const Change& change, const SoundImage::Block& now);

/// The block `before` becomes under `change`.
SoundImage::Block changedBlock(const Change& change, const SoundImage::Block& before);

/// What changed from `before` to `after`, old value first, in the order
/// `change` gives the settings ("LimitTime 300 -> 120, save mark stamped");
/// "" when the blocks are the same.
std::string changeReport(const Change& change, const SoundImage::Block& before,
                         const SoundImage::Block& after);
