// The listing that goes out and comes back: --show --csv writes one CSV
// line a file, and a listing in that form, or in the JSON Lines form of
// --show --json, edited by hand or by a tool, is read back as the values to
// set in each file it names.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "image/settings.h"
#include "image/sound_image.h"

/// One file of a listing read back, and what to set in it.
struct ListingRow {
  /// The name as the listing gives it: byte for byte in CSV; in JSON the
  /// bytes of "fileBytes" when given, else the text of "file".
  std::string file;
  /// Per setting, in kSettings order: the value to set (0 or 1 for a switch,
  /// 0 to 65535 for LimitTime), or nothing to leave the file's value.
  std::array<std::optional<std::uint16_t>, kSettingCount> values;
  /// The settings block's seven bytes (0x389 to 0x38F) to write as they are,
  /// from a CSV Block cell; absent when the row has none, and then `values`
  /// say what to set. A row with a block has no values.
  std::optional<SoundImage::Block> block;
  /// The block the run that wrote the listing wrote in the file, from a
  /// Written cell beside the Block one; absent when the row has none.
  std::optional<SoundImage::Block> written;
};

/// Reads a listing in the form --show --csv or --show --json writes, or as
/// a JSON array of the same objects (Miller's --ojson, csvkit's csvjson),
/// fed in chunks of any size, keeping only the rows and the row being read.
/// Its first character that is no white space (after a UTF-8 BOM) tells the
/// form: `{` makes it JSON Lines, `[` a JSON array, anything else CSV. A listing in UTF-16 is
/// refused: it must be UTF-8. Lines end in LF, CR LF or a CR alone (old Mac
/// files), each counted as one.
///
/// A CSV listing has a header naming a File column and any of the settings,
/// in any order and letter case; empty cells and absent columns leave a
/// setting as it is. Rows whose cells are all empty are skipped, as
/// spreadsheets add them, and so is a header's empty last column, whose
/// cells must be empty. In place of setting columns a CSV listing may have
/// a Block column: 14 hex digits, the block's bytes as they are, or empty
/// to leave the file as it is; and beside it a Written column, the block a
/// run wrote, in the same form. A Block listing, as --undo writes it, ends
/// every row with a line end: a last row without one, or NUL bytes where
/// the last rows would be, is from a write cut short before any file of its
/// batch was written, and is passed over (see passedOver()).
///
/// A JSON line is an object with "file" and any of the settings as keys, in
/// any letter case; null, "" or an absent key leaves a setting as it is. A
/// switch is also true or false, as a JSON boolean or a string, or the
/// number 1 or 0. A name that is no UTF-8 comes as "fileBytes", its bytes
/// as hex digits, which then name the file in place of "file". LimitTime
/// may be a whole number written with a fraction (6798.0) or a string of
/// its digits. In a JSON array the objects are read as JSON lines are, each
/// one's problems told on the line it starts on; only white space may
/// follow its closing `]`. SaveMark, in any form, is taken and ignored.
///
/// The first bad row makes the whole listing unusable, so nothing is set
/// from a listing with a mistake in it.
class ListingReader {
 public:
  ListingReader() = default;
  // The set of names points into this reader's rows.
  ListingReader(const ListingReader&) = delete;
  ListingReader& operator=(const ListingReader&) = delete;

  /// Makes a single 0x1A as the very last byte of the listing its end, as
  /// DOS-era editors save text; call it before feed(). A 0x1A elsewhere, or
  /// without this, is a byte of the listing like any other.
  void endsAtCtrlZ(bool on) { endsAtCtrlZ_ = on; }
  /// Takes the next bytes of the listing; false once the listing is known
  /// to be unusable (see error()), and for every call after that.
  bool feed(std::string_view chunk);
  /// Ends the listing, reading the last row; false when the listing is
  /// unusable. Call it once, at the end. A listing with no rows at all (the
  /// listing of no file) is usable.
  bool finish();

  /// The rows read so far, in listing order; once finish() succeeded, each
  /// names a different file.
  const std::vector<ListingRow>& rows() const { return rows_; }
  /// The 1-based line the problem is on (where its row starts); 0 while
  /// there is none.
  std::size_t errorLine() const { return errorLine_; }
  /// What is wrong with the listing, one line without a line end; empty
  /// while nothing is.
  const std::string& error() const { return error_; }
  /// The 1-based line of a Block listing's unfinished last row, which
  /// finish() passed over; 0 when it passed over none.
  std::size_t passedOver() const { return passedOver_; }

 private:
  enum class Form { Unknown, Csv, Json, JsonArray };
  // Where the CSV reader is within a cell.
  enum class Cell { Start, Plain, Quoted, AfterQuote };
  // Where the JSON array reader is: after its `[`, within a row, after a
  // row, after a comma, or after its `]`.
  enum class InArray { First, Row, AfterRow, Next, Closed };

  // The byte front end and the rows kept, in listing.cpp.
  // Takes the listing's bytes, from the first on; false once it is unusable.
  bool takeBytes(std::string_view chunk);
  // Looks at the bytes in start_ for a BOM, passing a UTF-8 one over and
  // refusing one of UTF-16; bytes that are no BOM go on as text once they
  // cannot become one, or at the end.
  bool readBom(bool atEnd);
  // Takes the text after the BOM, deciding the form on its first character
  // that is no white space.
  bool takeText(std::string_view text);
  // Counts the line ends: LF, CR LF or CR alone, as text editors show them.
  void countLine(char c);
  // Takes the NUL bytes a Block listing may end in, from `chunk` on; false
  // when anything else follows them.
  bool takeNulTail(std::string_view chunk);
  // Keeps a row either form read, unless its name is missing or listed
  // already; false when the listing is unusable.
  bool addRow(ListingRow&& row);
  // Makes the listing unusable with `message`, on the line the row being
  // read starts on; false.
  bool fail(std::string message);

  // The CSV reader, in csv_listing.cpp.
  bool feedCsv(std::string_view chunk);
  // Ends a CSV listing, reading its last row.
  bool finishCsv();
  bool takeCsv(char c);
  // Adds the row's next bytes to its length; false past the most a row holds.
  bool countRowBytes(std::size_t n);
  // Adds text to the cell being read, when it is one of those kept.
  bool keep(std::string_view text);
  bool endCsvRecord();
  bool readHeader();
  bool readCsvRow();

  // The JSON Lines reader, in json_listing.cpp.
  bool feedJson(std::string_view chunk);
  // Ends a JSON Lines listing, reading its last line.
  bool finishJson();
  bool readJsonLine();
  // Reads one JSON object as a row, `what` ("line" or "row") naming it when
  // it is no JSON object.
  bool readJsonRow(const std::string& text, std::string_view what);

  // The JSON array reader, in json_array_listing.cpp.
  bool feedJsonArray(std::string_view chunk);
  // Ends a JSON array listing, which its `]` must have closed.
  bool finishJsonArray();
  bool takeArrayByte(char c);
  // True when `c` ends the row being read before it: a row that is no
  // object or array ends at white space, a ',' or a ']'.
  bool rowEndsBefore(char c) const;
  bool takeRowByte(char c);
  bool endArrayRow();

  bool endsAtCtrlZ_ = false;
  bool ctrlZHeld_ = false;  // the last chunk ended in a 0x1A, not yet taken
  Form form_ = Form::Unknown;
  bool bomRead_ = false;     // the listing's first bytes were looked at for a BOM
  std::string start_;        // the first bytes, while they may be a BOM
  std::size_t line_ = 1;     // the line of the next byte
  std::size_t rowLine_ = 1;  // the line the row being read starts on
  bool afterCr_ = false;     // the last byte was a CR, so an LF is its line end's end

  Cell cell_ = Cell::Start;
  bool inRow_ = false;
  std::vector<std::string> cells_ = std::vector<std::string>(1);  // the first cells
  std::size_t cellCount_ = 1;                                     // all the row's cells
  bool blankRow_ = true;      // no cell of the row holds anything yet
  std::size_t rowBytes_ = 0;  // the row's bytes so far, its line end not counted
  // Per column: a setting's index in kSettings, another column's, or
  // kNoColumn for a header's empty last column.
  std::vector<std::size_t> columns_;
  bool blockListing_ = false;   // the header names a Block column
  std::size_t nulBytes_ = 0;    // the NUL bytes a Block listing ends in, so far
  std::size_t passedOver_ = 0;  // the line of the torn last row passed over

  std::string jsonLine_;  // the JSON line, or the array's row, so far
  InArray inArray_ = InArray::First;
  int depth_ = 0;          // the objects and arrays open in the array's row
  bool inString_ = false;  // the array's row is within a string
  bool escaped_ = false;   // the last byte was a string's backslash

  std::vector<ListingRow> rows_;
  // Hashes and compares rows_ entries by file name, so each name is kept
  // once, in its row, and survives the vector's moves.
  struct NameHash {
    const std::vector<ListingRow>* rows;
    std::size_t operator()(std::size_t row) const;
  };
  struct SameName {
    const std::vector<ListingRow>* rows;
    bool operator()(std::size_t a, std::size_t b) const;
  };
  std::unordered_set<std::size_t, NameHash, SameName> names_{0, NameHash{&rows_}, SameName{&rows_}};
  std::size_t held_ = 0;  // what the rows hold, roughly
  std::size_t errorLine_ = 0;
  std::string error_;
};
