// The listing's bytes before either form reads them: a UTF-8 BOM passed
// over, UTF-16 and NUL bytes refused (but for a Block listing's torn tail),
// a last Ctrl+Z dropped when told, the lines counted, and the form told by
// the first character; then the rows each form reads, kept once a name.
#include "listing/listing.h"

#include <algorithm>
#include <utility>

#include "listing/block_listing.h"
#include "listing/listing_messages.h"

namespace {

// The BOMs of UTF-16, little- and big-endian, as Notepad's "Unicode" and
// Excel's "Unicode Text" start their files.
constexpr std::string_view kUtf16Boms[] = {"\xFF\xFE", "\xFE\xFF"};
constexpr std::string_view kWhiteSpace = " \t\r\n";
// The byte DOS-era editors end a text file with.
constexpr std::string_view kCtrlZ = "\x1A";
// The most the rows of a listing may hold, since all are read before any
// file is set: far past any collection (100,000 files take about 12 MiB),
// short of what an endless stream of rows would take.
constexpr std::size_t kMaxListingBytes = std::size_t{256} << 20;
// What a row costs beyond its name: its place in the set of names.
constexpr std::size_t kRowUpkeep = 32;

}  // namespace

bool ListingReader::feed(std::string_view chunk) {
  if (!error_.empty()) return false;
  if (chunk.empty()) return true;
  // A 0x1A is held back until the next chunk shows it was not the last byte.
  if (ctrlZHeld_) {
    ctrlZHeld_ = false;
    if (!takeBytes(kCtrlZ)) return false;
  }
  if (endsAtCtrlZ_ && chunk.back() == kCtrlZ[0]) {
    ctrlZHeld_ = true;
    chunk.remove_suffix(1);
  }
  return takeBytes(chunk);
}

bool ListingReader::takeBytes(std::string_view chunk) {
  if (nulBytes_ > 0) return takeNulTail(chunk);
  // No file name holds a NUL, and no text listing does: refusing it at once
  // stops `--apply /dev/zero` before it fills the memory.
  const std::size_t nul = chunk.find('\0');
  if (nul != std::string_view::npos) {
    if (!takeBytes(chunk.substr(0, nul))) return false;
    // Where a power loss cut a write short, the file may end in NUL bytes in
    // place of the rows that never reached the disk.
    if (blockListing_) {
      passedOver_ = inRow_ ? rowLine_ : line_;
      return takeNulTail(chunk.substr(nul));
    }
    rowLine_ = line_;
    return fail("the listing holds a NUL byte");
  }
  // The BOM may come split over chunks.
  while (!bomRead_ && !chunk.empty()) {
    start_ += chunk[0];
    chunk.remove_prefix(1);
    if (!readBom(false)) return false;
  }
  return takeText(chunk);
}

bool ListingReader::takeNulTail(std::string_view chunk) {
  const std::size_t other = std::min(chunk.find_first_not_of('\0'), chunk.size());
  nulBytes_ += other;
  // A tail is at most a write's length; an endless one is no listing.
  if (other == chunk.size() && nulBytes_ <= kMaxListingBytes) return true;
  rowLine_ = line_;
  return fail("the listing holds a NUL byte");
}

bool ListingReader::finish() {
  if (!error_.empty()) return false;
  // A 0x1A held back, if any, was the listing's end: it is dropped.
  if (!bomRead_ && !readBom(true)) return false;
  // A listing of white space alone is the listing of no file: it sets none.
  if (form_ == Form::Unknown) return true;
  if (form_ == Form::JsonArray) return finishJsonArray();
  return form_ == Form::Json ? finishJson() : finishCsv();
}

bool ListingReader::readBom(bool atEnd) {
  if (start_ == kBom) {
    bomRead_ = true;
    start_.clear();
    return true;
  }
  bool partial = false;
  for (const std::string_view bom : kUtf16Boms) {
    if (start_ == bom) return fail("the listing is UTF-16: save it as UTF-8");
    partial = partial || bom.substr(0, start_.size()) == start_;
  }
  partial = partial || kBom.substr(0, start_.size()) == start_;
  if (partial && !atEnd) return true;
  // Bytes that start a BOM but make none are the listing's first bytes.
  bomRead_ = true;
  const std::string text = std::move(start_);
  start_.clear();
  return takeText(text);
}

bool ListingReader::takeText(std::string_view text) {
  if (form_ == Form::Unknown) {
    // White space before the first character is passed over in either form:
    // JSON skips it, and no CSV header starts with it.
    const std::size_t first = std::min(text.find_first_not_of(kWhiteSpace), text.size());
    for (const char c : text.substr(0, first)) countLine(c);
    if (first == text.size()) return true;
    text.remove_prefix(first);
    form_ = text[0] == '{' ? Form::Json : text[0] == '[' ? Form::JsonArray : Form::Csv;
    rowLine_ = line_;
    // The array's rows follow its `[`.
    if (form_ == Form::JsonArray) text.remove_prefix(1);
  }
  if (form_ == Form::JsonArray) return feedJsonArray(text);
  return form_ == Form::Json ? feedJson(text) : feedCsv(text);
}

bool ListingReader::addRow(ListingRow&& row) {
  if (row.file.empty()) return fail("the row names no file");
  // JSON can spell a NUL (\u0000); the system would end the name there and
  // reach another file.
  if (row.file.find('\0') != std::string::npos) return fail("the file name holds a NUL");
  held_ += sizeof row + row.file.size() + kRowUpkeep;
  if (held_ > kMaxListingBytes) return fail("the listing is longer than can be checked whole");
  rows_.push_back(std::move(row));
  // A repeat is found as it comes, so an endless `yes a.dat,on` stops at once.
  const auto [earlier, added] = names_.insert(rows_.size() - 1);
  if (added) return true;
  const ListingRow repeated = std::move(rows_.back());
  rows_.pop_back();
  // Only a Block listing names a file again.
  if (combineBlockRows(rows_[*earlier], repeated)) return true;
  return fail("'" + shown(repeated.file) + "' is listed twice");
}

std::size_t ListingReader::NameHash::operator()(std::size_t row) const {
  return std::hash<std::string>()((*rows)[row].file);
}

bool ListingReader::SameName::operator()(std::size_t a, std::size_t b) const {
  return (*rows)[a].file == (*rows)[b].file;
}

void ListingReader::countLine(char c) {
  if (c == '\r' || (c == '\n' && !afterCr_)) ++line_;
  afterCr_ = c == '\r';
}

bool ListingReader::fail(std::string message) {
  errorLine_ = rowLine_;
  error_ = std::move(message);
  return false;
}
