#include "listing/listing.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <utility>

#include "listing/listing_columns.h"
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

// A JSON string as a message echoes it: as JSON, so that "300" shows it was
// a string and control characters stay escaped on the one line, cut short
// when long, its BOMs shown.
std::string shownJson(std::string_view text) {
  const std::string_view cut = cutShort(text);
  return bomsShown(nlohmann::json(std::string(cut)).dump()) +
         (cut.size() < text.size() ? "..." : "");
}

// Reads one JSON line into a row as nlohmann's parser meets its keys and
// values, so no tree is built, and a key given twice is seen (a parsed
// object would keep one of the two without a word). A false return stops
// the parser at the first problem.
class JsonRow final : public nlohmann::json_sax<nlohmann::json> {
 public:
  ListingRow row;
  /// What is wrong, once a call returned false.
  std::string problem;

  JsonRow() { row.values.fill(-1); }

  bool null() override { return inObject(); }
  bool boolean(bool val) override { return value(val ? 1 : 0, -1, val ? "true" : "false"); }
  // Only a number with a minus comes here; of those, -0 is 0.
  bool number_integer(number_integer_t val) override {
    return value(-1, val == 0 ? 0 : -1, std::to_string(val));
  }
  bool number_unsigned(number_unsigned_t val) override {
    return value(-1, val <= 65535 ? static_cast<long>(val) : -1, std::to_string(val));
  }
  bool number_float(number_float_t /*val*/, const string_t& text) override {
    return value(-1, -1, text);
  }
  bool string(string_t& val) override {
    if (depth_ == 1 && column_ == kFileColumn) {
      row.file = std::move(val);
      return true;
    }
    if (depth_ == 1 && column_ == kFileBytesColumn && fromHex(val, fileBytes_)) {
      hasFileBytes_ = true;
      return true;
    }
    return value(switchValue(val), -1, val, true);
  }
  bool binary(binary_t& /*val*/) override { return true; }  // only in binary formats

  bool start_object(std::size_t /*elements*/) override {
    if (depth_ > 0 && !value(-1, -1, "{...}")) return false;
    ++depth_;
    return true;
  }
  bool start_array(std::size_t /*elements*/) override {
    if (!value(-1, -1, "[...]")) return false;
    ++depth_;
    return true;
  }
  bool end_object() override {
    // The name's bytes, when given, are its name; "file" is then text for
    // people to read.
    if (--depth_ == 0 && hasFileBytes_) row.file = std::move(fileBytes_);
    return true;
  }
  bool end_array() override {
    --depth_;
    return true;
  }

  bool key(string_t& val) override {
    if (depth_ != 1) return true;
    column_ = columnNamed(val, true);
    if (column_ == kNoColumn) {
      problem = "no setting is called '" + shown(val) + "'";
    } else if (named_[column_]) {
      problem = std::string(columnName(column_, true)) + " is named twice";
    } else {
      named_[column_] = true;
      return true;
    }
    return false;
  }
  bool parse_error(std::size_t /*position*/, const std::string& last_token,
                   const nlohmann::detail::exception& ex) override {
    if (ex.id != kNumberOverflow) {
      problem = "the line is not JSON";
      return false;
    }
    // A number past what a double holds (1e400) is JSON whose value is out
    // of range. The parser stops at it, so it ends the line even where its
    // value would be ignored.
    if (value(-1, -1, last_token)) problem = "the number " + last_token + " is out of range";
    return false;
  }

 private:
  // False, with the problem said, for a value outside any object.
  bool inObject() {
    if (depth_ > 0) return true;
    problem = "the line is not a JSON object";
    return false;
  }

  // Takes a value, which is a switch's `asSwitch` or LimitTime's
  // `asLimitTime` (-1 when it is no value of it); false, with the problem
  // said, when the setting of its key cannot be that, or when it is the
  // name's bytes, which string() took if they were hex. Values of the file
  // that are no string leave it unnamed; the save mark's are ignored, and
  // so is all that is nested, which can only be inside one of those two.
  bool value(long asSwitch, long asLimitTime, std::string_view text, bool isString = false) {
    if (!inObject()) return false;
    if (column_ != kFileBytesColumn) {
      if (column_ >= kSettingCount) return true;
      const long n = kSettings[column_].kind == SettingKind::Switch ? asSwitch : asLimitTime;
      if (n >= 0) {
        row.values[column_] = static_cast<std::int32_t>(n);
        return true;
      }
    }
    const std::string shownText = isString ? shownJson(text) : std::string(text);
    problem = column_ == kFileBytesColumn
                  ? badValue(columnName(column_, true), shownText, "use two hex digits a byte")
                  : badValue(kSettings[column_], shownText);
    return false;
  }

  // nlohmann's error for a number too large for a double.
  static constexpr int kNumberOverflow = 406;

  int depth_ = 0;                   // 1 inside the line's object
  std::size_t column_ = kNoColumn;  // the column of the last key at depth 1
  std::array<bool, kNoColumn> named_{};
  bool hasFileBytes_ = false;
  std::string fileBytes_;  // the name's bytes, from fileBytes
};

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
  // No file name holds a NUL, and no text listing does: refusing it at once
  // stops `--apply /dev/zero` before it fills the memory.
  const std::size_t nul = chunk.find('\0');
  if (nul != std::string_view::npos) {
    if (!takeBytes(chunk.substr(0, nul))) return false;
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

bool ListingReader::finish() {
  if (!error_.empty()) return false;
  // A 0x1A held back, if any, was the listing's end: it is dropped.
  if (!bomRead_ && !readBom(true)) return false;
  // A listing of white space alone is the snapshot of no file: it sets none.
  if (form_ == Form::Unknown) return true;
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
    form_ = text[0] == '{' ? Form::Json : Form::Csv;
    rowLine_ = line_;
  }
  return form_ == Form::Json ? feedJson(text) : feedCsv(text);
}

bool ListingReader::feedJson(std::string_view chunk) {
  while (!chunk.empty()) {
    // The LF of a CR LF: the CR ended the line.
    if (afterCr_ && chunk[0] == '\n') chunk.remove_prefix(1);
    afterCr_ = false;
    const std::size_t end = std::min(chunk.find_first_of("\r\n"), chunk.size());
    if (jsonLine_.size() + end > kMaxRowBytes) {
      rowLine_ = line_;
      return fail(std::string(kRowTooLong));
    }
    jsonLine_.append(chunk.substr(0, end));
    if (end == chunk.size()) break;
    afterCr_ = chunk[end] == '\r';
    chunk.remove_prefix(end + 1);
    if (!readJsonLine()) return false;
    jsonLine_.clear();
    ++line_;
  }
  return true;
}

bool ListingReader::finishJson() {
  return jsonLine_.empty() || readJsonLine();
}

bool ListingReader::readJsonLine() {
  rowLine_ = line_;
  if (jsonLine_.find_first_not_of(" \t") == std::string::npos) return true;
  JsonRow json;
  if (!nlohmann::json::sax_parse(jsonLine_, &json)) return fail(std::move(json.problem));
  return addRow(std::move(json.row));
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
  if (!names_.insert(rows_.size() - 1).second) {
    const std::string repeated = std::move(rows_.back().file);
    rows_.pop_back();
    return fail("'" + shown(repeated) + "' is listed twice");
  }
  return true;
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
