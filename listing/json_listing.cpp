// The JSON Lines form of a listing: one object a line, read key by key as
// nlohmann's parser meets them, into the values to set in the file it
// names.
#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "listing/listing.h"
#include "listing/listing_columns.h"
#include "listing/listing_messages.h"

namespace {

// A JSON string as a message echoes it: as JSON, so that "300" shows it was
// a string and control characters stay escaped on the one line, cut short
// when long, its BOMs shown.
std::string shownJson(std::string_view text) {
  const std::string_view cut = cutShort(text);
  return bomsShown(nlohmann::json(std::string(cut)).dump()) +
         (cut.size() < text.size() ? "..." : "");
}

// LimitTime's value for a JSON number written with a fraction or an
// exponent, when it is a whole number from 0 to 65535 (6798.0, 6.798e3,
// -0.0); -1 otherwise. It is read from the number's text: a double takes
// 6798.0000000000001 for 6798.
long wholeNumber(std::string_view text) {
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  const std::size_t e = std::min(text.find_first_of("eE"), text.size());
  // Past the digits a row can hold, a larger exponent changes nothing.
  constexpr long long kFar = 1'000'000'000;
  long long exponent = 0;
  for (const char c : text.substr(std::min(e + 1, text.size()))) {
    if (c >= '0' && c <= '9') exponent = std::min(exponent * 10 + (c - '0'), kFar);
  }
  if (e + 1 < text.size() && text[e + 1] == '-') exponent = -exponent;
  const std::string_view mantissa = text.substr(0, e);
  const std::size_t dot = std::min(mantissa.find('.'), mantissa.size());
  std::string digits(mantissa.substr(0, dot));
  digits += mantissa.substr(std::min(dot + 1, mantissa.size()));
  // The number is `digits` with the decimal point after `point` of them.
  const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size());
  const long long point = static_cast<long long>(dot) + exponent - static_cast<long long>(first);
  digits.erase(0, first);
  if (digits.empty()) return 0;
  digits.erase(digits.find_last_not_of('0') + 1);
  // Past five digits it is no LimitTime, and its zeros need no writing.
  if (negative || point < static_cast<long long>(digits.size()) || point > 5) return -1;
  digits.append(static_cast<std::size_t>(point) - digits.size(), '0');
  return limitTimeValue(digits);
}

// Reads one JSON line into a row as nlohmann's parser meets its keys and
// values, so no tree is built, and a key given twice is seen (a parsed
// object would keep one of the two without a word). A false return stops
// the parser at the first problem.
class JsonRow final : public nlohmann::json_sax<nlohmann::json> {
 public:
  /// `what` names the object in messages: a "line" or an array's "row".
  explicit JsonRow(std::string_view what) : what_(what) {}

  ListingRow row;
  /// What is wrong, once a call returned false.
  std::string problem;

  bool null() override { return inObject(); }
  bool boolean(bool val) override { return value(val ? 1 : 0, -1, val ? "true" : "false"); }
  // Only a number with a minus comes here; of those, -0 is 0.
  bool number_integer(number_integer_t val) override {
    return value(-1, val == 0 ? 0 : -1, std::to_string(val));
  }
  // A switch may be 1 or 0, as tools that hold a boolean as a number write it.
  bool number_unsigned(number_unsigned_t val) override {
    return value(val <= 1 ? static_cast<long>(val) : -1, val <= 65535 ? static_cast<long>(val) : -1,
                 std::to_string(val));
  }
  // A number with a fraction or an exponent, as tools that hold every
  // number as a double write them (6798.0).
  bool number_float(number_float_t /*val*/, const string_t& text) override {
    return value(-1, wholeNumber(text), text);
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
    // An empty string is the empty CSV cell a tool turned into JSON: it
    // leaves the setting as it is, as null does.
    if (depth_ == 1 && column_ < kSettingCount && val.empty()) return true;
    // Tools that keep every cell as text write LimitTime as "6798" and a
    // switch as "true".
    return value(switchValue(val), limitTimeValue(val), val, true);
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
      problem = noSettingCalled(val, shown(val));
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
      problem = "the " + std::string(what_) + " is not JSON";
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
    problem = "the " + std::string(what_) + " is not a JSON object";
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
        row.values[column_] = static_cast<std::uint16_t>(n);
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

  std::string_view what_;
  int depth_ = 0;                   // 1 inside the line's object
  std::size_t column_ = kNoColumn;  // the column of the last key at depth 1
  std::array<bool, kNoColumn> named_{};
  bool hasFileBytes_ = false;
  std::string fileBytes_;  // the name's bytes, from fileBytes
};

}  // namespace

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
  return readJsonRow(jsonLine_, "line");
}

bool ListingReader::readJsonRow(const std::string& text, std::string_view what) {
  JsonRow json(what);
  if (!nlohmann::json::sax_parse(text, &json)) return fail(std::move(json.problem));
  return addRow(std::move(json.row));
}
