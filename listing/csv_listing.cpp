// The CSV form of a listing: its cells, quoted or not, split into rows at
// line ends outside quotes; the header naming the columns; and each row
// read into the values to set, or into the block to write.
#include <algorithm>
#include <string>
#include <utility>

#include "listing/block_listing.h"
#include "listing/listing.h"
#include "listing/listing_columns.h"
#include "listing/listing_messages.h"

namespace {

// A CSV row's cells past this many are counted, not kept: no header names
// more columns than there are, so a row with more is refused on its count or
// on a cell kept before them.
constexpr std::size_t kKeptCells = kNoColumn + 1;

std::string cellCount(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " cell" : " cells");
}

}  // namespace

bool ListingReader::finishCsv() {
  // A Block listing's rows go out with their line ends, and a batch of them
  // reaches the disk before any of its files is written: a last row without
  // one, or NUL bytes in its place, is from a write that never finished.
  if (nulBytes_ > 0) return true;
  if (inRow_ && blockListing_) {
    passedOver_ = rowLine_;
    return true;
  }
  if (!inRow_) return true;
  if (cell_ == Cell::Quoted) return fail("a quoted cell is not closed");
  return endCsvRecord();
}

bool ListingReader::feedCsv(std::string_view chunk) {
  std::size_t at = 0;
  while (at < chunk.size()) {
    // Text that ends no cell goes in a run at a time; a line end in quotes
    // still goes alone, to count the line.
    if (cell_ == Cell::Plain || cell_ == Cell::Quoted) {
      const std::size_t end = std::min(
          chunk.find_first_of(cell_ == Cell::Quoted ? "\"\r\n" : ",\r\n", at), chunk.size());
      if (end > at) {
        if (!keep(chunk.substr(at, end - at))) return false;
        afterCr_ = false;
        at = end;
        if (at == chunk.size()) break;
      }
    }
    if (!takeCsv(chunk[at++])) return false;
  }
  return true;
}

bool ListingReader::takeCsv(char c) {
  // Outside quotes a CR or an LF ends the row; the LF of a CR LF then ends
  // nothing more.
  const bool lineEnd = (c == '\r' || c == '\n') && cell_ != Cell::Quoted;
  if (lineEnd && c == '\n' && afterCr_) {
    afterCr_ = false;
    return true;
  }
  if (!inRow_) {
    inRow_ = true;
    rowLine_ = line_;
  }
  countLine(c);
  if (lineEnd) return endCsvRecord();
  if (cell_ == Cell::Quoted) {
    if (c != '"') return keep({&c, 1});
    cell_ = Cell::AfterQuote;
  } else if (c == '"' && cell_ != Cell::Plain) {
    // An opening quote, or the second of two inside quotes, which stand for one.
    const bool doubled = cell_ == Cell::AfterQuote;
    cell_ = Cell::Quoted;
    if (doubled) return keep({&c, 1});
  } else if (c == ',') {
    if (++cellCount_ <= kKeptCells) cells_.emplace_back();
    cell_ = Cell::Start;
  } else if (cell_ == Cell::AfterQuote) {
    return fail("a quoted cell has text after its closing quote");
  } else {
    cell_ = Cell::Plain;
    return keep({&c, 1});
  }
  return countRowBytes(1);
}

bool ListingReader::countRowBytes(std::size_t n) {
  // A row is a name and a few values; one that never ends is no listing, and
  // holding it whole would take all the memory there is.
  rowBytes_ += n;
  return rowBytes_ <= kMaxRowBytes || fail(std::string(kRowTooLong));
}

bool ListingReader::keep(std::string_view text) {
  blankRow_ = false;
  if (cellCount_ == cells_.size()) cells_.back().append(text);
  return countRowBytes(text.size());
}

bool ListingReader::endCsvRecord() {
  bool usable = true;
  if (!blankRow_) usable = columns_.empty() ? readHeader() : readCsvRow();
  cells_.assign(1, std::string());
  cellCount_ = 1;
  blankRow_ = true;
  rowBytes_ = 0;
  cell_ = Cell::Start;
  inRow_ = false;
  return usable;
}

bool ListingReader::readHeader() {
  const auto named = [this](std::size_t column) {
    return std::find(columns_.begin(), columns_.end(), column) != columns_.end();
  };
  for (const std::string& cell : cells_) {
    // A header that ends in a comma, as some spreadsheets write it, has an
    // empty last column, which names nothing: its cells must stay empty.
    if (cell.empty() && columns_.size() + 1 == cellCount_ && cellCount_ > 1) {
      columns_.push_back(kNoColumn);
      break;
    }
    const std::size_t column = columnNamed(cell, false);
    if (column == kNoColumn) return fail(noSettingCalled(cell, shown(cell)));
    if (named(column)) return fail(std::string(columnName(column, false)) + " is named twice");
    columns_.push_back(column);
    // A Block cell holds every setting, so no setting's own cell may say
    // otherwise in the same row.
    const auto setting = std::find_if(columns_.begin(), columns_.end(),
                                      [](std::size_t column) { return column < kSettingCount; });
    if (setting != columns_.end() && named(kBlockColumn)) {
      return fail("Block cannot go with " + std::string(kSettings[*setting].name) +
                  ": a Block cell sets all seven bytes");
    }
  }
  if (!named(kFileColumn)) return fail("the header has no File column");
  blockListing_ = named(kBlockColumn);
  if (named(kWrittenColumn) && !blockListing_) return fail("Written goes only with Block");
  return true;
}

bool ListingReader::readCsvRow() {
  if (cellCount_ != columns_.size()) {
    return fail("the row has " + cellCount(cellCount_) + ", the header " +
                cellCount(columns_.size()));
  }
  ListingRow row;
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    const std::size_t column = columns_[i];
    std::string& cell = cells_[i];
    if (column == kFileColumn) {
      row.file = std::move(cell);
    } else if (column < kSettingCount && !cell.empty()) {
      const Setting& setting = kSettings[column];
      const long value = settingValue(setting, cell);
      if (value < 0) return fail(badValue(setting, "'" + shown(cell) + "'"));
      row.values[column] = static_cast<std::uint16_t>(value);
    } else if (column == kBlockColumn || column == kWrittenColumn) {
      std::string problem = takeBlockCell(cell, column == kWrittenColumn, row);
      if (!problem.empty()) return fail(std::move(problem));
    } else if (column == kNoColumn && !cell.empty()) {
      return fail("the header names no column for '" + shown(cell) + "'");
    }
  }
  return addRow(std::move(row));
}
