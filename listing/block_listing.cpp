// The Block listing's heading and rows as --undo writes them, its Block and
// Written cells read back as the seven bytes they spell, and the rows of a
// file named again combined into the one to put back.
#include "listing/block_listing.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "listing/listing_columns.h"
#include "listing/listing_messages.h"
#include "listing/rows.h"
#include "listing/setting_words.h"

namespace {

// Two hex digits a byte of the block.
constexpr std::size_t kBlockDigits = 2 * std::tuple_size_v<SoundImage::Block>;

std::string blockCell(const SoundImage::Block& block) {
  return hexBytes(std::string_view(reinterpret_cast<const char*>(block.data()), block.size()));
}

}  // namespace

std::string blockListingHeading(bool withWritten) {
  std::string heading = std::string(kFileName) + "," + std::string(kBlockName);
  if (withWritten) heading += "," + std::string(kWrittenName);
  return heading;
}

std::string blockListingRow(std::string_view file, const SoundImage::Block& block, bool withWritten,
                            const std::optional<SoundImage::Block>& written) {
  std::string row = csvField(file) + "," + blockCell(block);
  if (withWritten) row += "," + (written ? blockCell(*written) : std::string());
  return row;
}

std::string withdrawnBlockListingRow(std::string_view file, bool withWritten) {
  return csvField(file) + (withWritten ? ",," : ",");
}

std::optional<SoundImage::Block> blockFromCell(std::string_view cell) {
  std::string bytes;
  if (cell.size() != kBlockDigits || !fromHex(cell, bytes)) return std::nullopt;
  SoundImage::Block block{};
  for (std::size_t at = 0; at < block.size(); ++at) {
    block[at] = static_cast<std::uint8_t>(bytes[at]);
  }
  return block;
}

std::string blockCellHint() {
  return "use " + std::to_string(kBlockDigits) + " hex digits";
}

std::string takeBlockCell(std::string_view cell, bool written, ListingRow& row) {
  if (cell.empty()) return "";
  std::optional<SoundImage::Block>& block = written ? row.written : row.block;
  block = blockFromCell(cell);
  if (block) return "";
  return badValue(columnName(written ? kWrittenColumn : kBlockColumn, false),
                  "'" + shown(cell) + "'", blockCellHint());
}

bool combineBlockRows(ListingRow& first, const ListingRow& later) {
  const bool empty = !later.block && std::none_of(later.values.begin(), later.values.end(),
                                                  [](const auto& v) { return v.has_value(); });
  if (!first.block || (!later.block && !empty)) return false;
  // The later row is the one to put back, in the first's place; an empty
  // one leaves the file as it is now.
  first.block = later.block;
  first.written = later.written;
  return true;
}
