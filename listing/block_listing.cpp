// The Block listing's heading and rows as --undo writes them, and its Block
// cells read back as the seven bytes they spell.
#include "listing/block_listing.h"

#include <cstddef>
#include <cstdint>

#include "listing/listing_columns.h"
#include "listing/rows.h"
#include "listing/setting_words.h"

namespace {

// Two hex digits a byte of the block.
constexpr std::size_t kBlockDigits = 2 * std::tuple_size_v<SoundImage::Block>;

}  // namespace

std::string blockListingHeading() {
  return std::string(kFileName) + "," + std::string(kBlockName);
}

std::string blockListingRow(std::string_view file, const SoundImage::Block& block) {
  return csvField(file) + "," +
         hexBytes(std::string_view(reinterpret_cast<const char*>(block.data()), block.size()));
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
