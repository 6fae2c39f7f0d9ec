// The JSON array form of a listing, as Miller's --ojson and csvkit's
// csvjson write it: `[`, the row objects with commas between them, over any
// number of lines, and `]`. Each object is cut out as it comes and read as
// a JSON line is, so only one is held at a time.
#include <algorithm>
#include <string>
#include <string_view>

#include "listing/listing.h"
#include "listing/listing_columns.h"

namespace {

// JSON's white space, which may stand anywhere between the array's parts.
constexpr std::string_view kJsonWhiteSpace = " \t\r\n";

bool isWhiteSpace(char c) {
  return kJsonWhiteSpace.find(c) != std::string_view::npos;
}

// What a listing whose commas and brackets make no array is told.
constexpr std::string_view kNoArray = "the array is not JSON";

}  // namespace

bool ListingReader::feedJsonArray(std::string_view chunk) {
  return std::all_of(chunk.begin(), chunk.end(), [this](char c) {
    if (!takeArrayByte(c)) return false;
    countLine(c);
    return true;
  });
}

bool ListingReader::finishJsonArray() {
  if (inArray_ == InArray::Closed) return true;
  // A row cut short is told on the line it starts on, else the line the
  // listing ends on.
  if (inArray_ != InArray::Row) rowLine_ = line_;
  return fail("the array is not closed");
}

bool ListingReader::takeArrayByte(char c) {
  if (inArray_ == InArray::Row) {
    if (!rowEndsBefore(c)) return takeRowByte(c);
    if (!endArrayRow()) return false;
  }
  if (isWhiteSpace(c)) return true;
  rowLine_ = line_;
  switch (inArray_) {
    case InArray::First:
    case InArray::Next:
      // `[]` is the listing of no file; a comma must have a row after it.
      if (c == ']' && inArray_ == InArray::First) break;
      if (c == ']' || c == ',') return fail(std::string(kNoArray));
      inArray_ = InArray::Row;
      return takeRowByte(c);
    case InArray::AfterRow:
      if (c == ',') {
        inArray_ = InArray::Next;
        return true;
      }
      if (c == ']') break;
      return fail(std::string(kNoArray));
    default:
      return fail("the listing goes on after the array's closing ]");
  }
  inArray_ = InArray::Closed;
  return true;
}

bool ListingReader::rowEndsBefore(char c) const {
  return !inString_ && depth_ == 0 && (isWhiteSpace(c) || c == ',' || c == ']');
}

bool ListingReader::takeRowByte(char c) {
  if (jsonLine_.size() == kMaxRowBytes) return fail(std::string(kRowTooLong));
  jsonLine_ += c;
  // Brackets inside strings are text; a quote after a backslash is too.
  if (inString_) {
    if (escaped_) {
      escaped_ = false;
    } else if (c == '\\') {
      escaped_ = true;
    } else if (c == '"') {
      inString_ = false;
    }
  } else if (c == '"') {
    inString_ = true;
  } else if (c == '{' || c == '[') {
    ++depth_;
  } else if ((c == '}' || c == ']') && depth_ > 0 && --depth_ == 0) {
    // The row's closing bracket: the parser tells whether they pair up.
    return endArrayRow();
  }
  return true;
}

bool ListingReader::endArrayRow() {
  inArray_ = InArray::AfterRow;
  const bool usable = readJsonRow(jsonLine_, "row");
  jsonLine_.clear();
  return usable;
}
