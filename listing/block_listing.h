// The Block listing: the CSV form with a File and a Block column, one row a
// file holding its settings block's seven bytes (0x389 to 0x38F) in hex,
// and optionally a Written column, the block a run wrote in the file in
// their place. --undo writes it before a run changes any file, and --apply
// reads it back to put each block back as it was. Its rows as they are
// written, its Block and Written cells as they are read, and how the rows
// of one file named again combine are all here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "image/sound_image.h"
#include "listing/listing.h"

/// Returns the heading line of a Block listing: "File,Block", or
/// "File,Block,Written" when `withWritten`; no line end.
std::string blockListingHeading(bool withWritten = false);

/// Returns the row of `file` in a Block listing: the name as a CSV field
/// (byte for byte, quoted when it must be), a comma, and the block's seven
/// bytes as 14 lowercase hex digits; when `withWritten`, a comma and
/// `written` the same way (an empty cell when it is absent). No line end.
std::string blockListingRow(std::string_view file, const SoundImage::Block& block,
                            bool withWritten = false,
                            const std::optional<SoundImage::Block>& written = std::nullopt);

/// Returns the row that withdraws `file`'s earlier rows, when the run did not
/// write it after all: its name, then an empty Block cell (and an empty
/// Written cell when `withWritten`). No line end.
std::string withdrawnBlockListingRow(std::string_view file, bool withWritten = false);

/// Returns the block a Block cell spells, 14 hex digits in either case, two
/// a byte; nothing when the cell spells no block.
std::optional<SoundImage::Block> blockFromCell(std::string_view cell);

/// Returns what a Block cell takes, for a message: "use 14 hex digits".
std::string blockCellHint();

/// Takes `cell`, from the Block column or `written` the Written one, into
/// `row`; an empty cell leaves it. Returns what is wrong with the cell, or
/// "" when it was taken.
std::string takeBlockCell(std::string_view cell, bool written, ListingRow& row);

/// Takes `later`, a row naming `first`'s file again, into `first`: a Block
/// listing names a file again when another program changed its block while
/// the run went on (`later` then holds what the run's write replaced), or
/// with empty cells when the run did not write it after all (nothing is put
/// back). Returns false when the two rows do not combine so: the file is
/// listed twice.
bool combineBlockRows(ListingRow& first, const ListingRow& later);
