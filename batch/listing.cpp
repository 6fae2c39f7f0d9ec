#include "batch/listing.h"

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>
#include <utility>

#include "batch/setting_words.h"

namespace {

constexpr std::string_view kFileHeading = "File";
constexpr std::string_view kMarkHeading = "SaveMark";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Columns past the settings' own indexes.
constexpr std::size_t kFileColumn = kSettingCount;
constexpr std::size_t kMarkColumn = kSettingCount + 1;
constexpr std::size_t kNoColumn = kSettingCount + 2;

// The column `name` heads, in any letter case; kNoColumn when none.
std::size_t columnNamed(std::string_view name) {
  if (sameIgnoringCase(name, kFileHeading)) return kFileColumn;
  if (sameIgnoringCase(name, kMarkHeading)) return kMarkColumn;
  const Setting* setting = findSetting(name);
  return setting == nullptr ? kNoColumn : static_cast<std::size_t>(setting - kSettings);
}

// The column's name as the listing's form spells it: JSON keys start in
// lower case where they are no setting's name.
std::string columnName(std::size_t column, bool json) {
  if (column < kSettingCount) return std::string(kSettings[column].name);
  std::string name(column == kFileColumn ? kFileHeading : kMarkHeading);
  if (json) name[0] = static_cast<char>(name[0] - 'A' + 'a');
  return name;
}

// Text from the listing as it goes into a message: a control character (a
// line end in a quoted cell, say) would break the message's one line, so
// each shows as '?'.
std::string printable(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return shown;
}

std::string cellCount(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " cell" : " cells");
}

std::string badValue(const Setting& setting, const std::string& shown) {
  return std::string(setting.name) + " cannot be " + shown + ": " +
         std::string(settingValueHint(setting));
}

// The setting's value for a JSON value: true or false, or a word --set
// takes, for a switch; an integer for LimitTime. -1 when it is none.
long jsonValue(const Setting& setting, const nlohmann::json& value) {
  if (setting.kind == SettingKind::LimitTime) {
    if (!value.is_number_unsigned()) return -1;
    const auto n = value.get<std::uint64_t>();
    return n <= 65535 ? static_cast<long>(n) : -1;
  }
  if (value.is_boolean()) return value.get<bool>() ? 1 : 0;
  return value.is_string() ? switchValue(value.get_ref<const std::string&>()) : -1;
}

}  // namespace

std::string csvHeader() {
  std::string line(kFileHeading);
  for (const Setting& setting : kSettings) {
    line += ',';
    line += setting.name;
  }
  line += ',';
  return line += kMarkHeading;
}

std::string csvRow(const SoundImage& image, std::string_view file) {
  std::string line = csvField(file);
  for (const Setting& setting : kSettings) {
    const unsigned value = valueOf(image, setting);
    line += ',';
    if (setting.kind == SettingKind::LimitTime) {
      line += std::to_string(value);
    } else {
      line += value != 0 ? "on" : "off";
    }
  }
  line += image.hasSaveMark() ? ",yes" : ",no";
  return line;
}

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string field = "\"";
  for (const char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field += '"';
}

std::size_t ListingReader::NameHash::operator()(std::size_t row) const {
  return std::hash<std::string_view>()((*rows)[row].file);
}

bool ListingReader::SameName::operator()(std::size_t a, std::size_t b) const {
  return (*rows)[a].file == (*rows)[b].file;
}

ListingReader::ListingReader() : cells_(1), names_(0, NameHash{&rows_}, SameName{&rows_}) {}

bool ListingReader::feed(std::string_view chunk) {
  if (!error_.empty()) return false;
  // The form shows only after a BOM, which may come split over chunks.
  while (form_ == Form::Unknown && !chunk.empty()) {
    if (bomBytes_ < kBom.size() && chunk[0] == kBom[bomBytes_]) {
      ++bomBytes_;
      chunk.remove_prefix(1);
      continue;
    }
    const bool wholeBom = bomBytes_ == 0 || bomBytes_ == kBom.size();
    form_ = wholeBom && chunk[0] == '{' ? Form::Json : Form::Csv;
    // The start of a BOM that is none is the header's first bytes.
    if (!wholeBom && !feed(kBom.substr(0, bomBytes_))) return false;
  }
  if (form_ == Form::Json) return feedJson(chunk);
  return std::all_of(chunk.begin(), chunk.end(), [this](char c) { return takeCsv(c); });
}

bool ListingReader::finish() {
  if (!error_.empty()) return false;
  if (form_ == Form::Unknown) {
    form_ = Form::Csv;
    if (bomBytes_ < kBom.size() && !feed(kBom.substr(0, bomBytes_))) return false;
  }
  if (form_ == Form::Json) return jsonLine_.empty() || readJsonLine();
  if (inRow_) {
    if (cell_ == Cell::Quoted) return fail("a quoted cell is not closed");
    // A CR at the very end is a line end that lost its LF.
    crPending_ = false;
    if (!endCsvRecord()) return false;
  }
  if (columns_.empty()) {
    rowLine_ = 1;
    return fail("the listing has no header");
  }
  return true;
}

bool ListingReader::takeCsv(char c) {
  if (!inRow_) {
    inRow_ = true;
    rowLine_ = line_;
  }
  if (c == '\n') ++line_;
  if (crPending_) {
    crPending_ = false;
    if (c == '\n') return endCsvRecord();
    // A CR alone ends no line: it belongs to the cell.
    if (cell_ == Cell::AfterQuote) return fail("a quoted cell has text after its closing quote");
    cells_.back() += '\r';
    cell_ = Cell::Plain;
  }
  std::string& cell = cells_.back();
  if (cell_ == Cell::Quoted) {
    if (c == '"') {
      cell_ = Cell::AfterQuote;
    } else {
      cell += c;
    }
  } else if (c == '"' && cell_ != Cell::Plain) {
    // An opening quote, or the second of two inside quotes, which stand for one.
    if (cell_ == Cell::AfterQuote) cell += c;
    cell_ = Cell::Quoted;
  } else if (c == ',') {
    cells_.emplace_back();
    cell_ = Cell::Start;
  } else if (c == '\r') {
    crPending_ = true;
  } else if (c == '\n') {
    return endCsvRecord();
  } else if (cell_ == Cell::AfterQuote) {
    return fail("a quoted cell has text after its closing quote");
  } else {
    cell += c;
    cell_ = Cell::Plain;
  }
  return true;
}

bool ListingReader::endCsvRecord() {
  const bool blank = std::all_of(cells_.begin(), cells_.end(),
                                 [](const std::string& cell) { return cell.empty(); });
  bool usable = true;
  if (!blank) usable = columns_.empty() ? readHeader() : readCsvRow();
  cells_.assign(1, std::string());
  cell_ = Cell::Start;
  inRow_ = false;
  return usable;
}

bool ListingReader::readHeader() {
  for (const std::string& cell : cells_) {
    const std::size_t column = columnNamed(cell);
    if (column == kNoColumn) return fail("no setting is called '" + printable(cell) + "'");
    if (std::find(columns_.begin(), columns_.end(), column) != columns_.end()) {
      return fail(columnName(column, false) + " is named twice");
    }
    columns_.push_back(column);
  }
  if (std::find(columns_.begin(), columns_.end(), kFileColumn) == columns_.end()) {
    return fail("the header has no File column");
  }
  return true;
}

bool ListingReader::readCsvRow() {
  if (cells_.size() != columns_.size()) {
    return fail("the row has " + cellCount(cells_.size()) + ", the header " +
                cellCount(columns_.size()));
  }
  ListingRow row;
  row.values.fill(-1);
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    const std::size_t column = columns_[i];
    std::string& cell = cells_[i];
    if (column == kFileColumn) {
      row.file = std::move(cell);
    } else if (column < kSettingCount && !cell.empty()) {
      const Setting& setting = kSettings[column];
      const long value = settingValue(setting, cell);
      if (value < 0) return fail(badValue(setting, "'" + printable(cell) + "'"));
      row.values[column] = static_cast<std::int32_t>(value);
    }
  }
  return addRow(std::move(row));
}

bool ListingReader::feedJson(std::string_view chunk) {
  for (std::size_t end = chunk.find('\n'); end != std::string_view::npos; end = chunk.find('\n')) {
    jsonLine_.append(chunk.substr(0, end));
    chunk.remove_prefix(end + 1);
    if (!readJsonLine()) return false;
    jsonLine_.clear();
    ++line_;
  }
  jsonLine_.append(chunk);
  return true;
}

bool ListingReader::readJsonLine() {
  using Json = nlohmann::json;
  rowLine_ = line_;
  if (jsonLine_.find_first_not_of(" \t\r") == std::string::npos) return true;
  // The parsed object keeps one of two equal keys and says nothing, so the
  // keys are checked as the parser meets them.
  std::array<bool, kNoColumn> named{};
  std::string badKey;
  const auto checkKey = [&](int depth, Json::parse_event_t event, Json& parsed) {
    if (depth != 1 || event != Json::parse_event_t::key || !badKey.empty()) return true;
    const auto& key = parsed.get_ref<const std::string&>();
    const std::size_t column = columnNamed(key);
    if (column == kNoColumn) {
      badKey = "no setting is called '" + printable(key) + "'";
    } else if (named[column]) {
      badKey = columnName(column, true) + " is named twice";
    } else {
      named[column] = true;
    }
    return true;
  };
  const Json object = Json::parse(jsonLine_, checkKey, false);
  if (object.is_discarded()) return fail("the line is not JSON");
  if (!object.is_object()) return fail("the line is not a JSON object");
  if (!badKey.empty()) return fail(badKey);

  ListingRow row;
  row.values.fill(-1);
  for (auto item = object.begin(); item != object.end(); ++item) {
    const std::size_t column = columnNamed(item.key());
    const Json& value = item.value();
    if (column == kFileColumn && value.is_string()) {
      row.file = value.get<std::string>();
    } else if (column < kSettingCount && !value.is_null()) {
      const Setting& setting = kSettings[column];
      const long n = jsonValue(setting, value);
      // As JSON, so that "300" shows it was a string; dump escapes control
      // characters, which keeps the message on one line.
      if (n < 0) {
        return fail(badValue(setting, value.dump(-1, ' ', false, Json::error_handler_t::replace)));
      }
      row.values[column] = static_cast<std::int32_t>(n);
    }
  }
  return addRow(std::move(row));
}

bool ListingReader::addRow(ListingRow&& row) {
  if (row.file.empty()) return fail("the row names no file");
  rows_.push_back(std::move(row));
  if (names_.insert(rows_.size() - 1).second) return true;
  const std::string file = std::move(rows_.back().file);
  rows_.pop_back();
  return fail("'" + printable(file) + "' is listed twice");
}

bool ListingReader::fail(std::string message) {
  errorLine_ = rowLine_;
  error_ = std::move(message);
  return false;
}
