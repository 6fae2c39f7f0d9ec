// Typed commands arrive as whitespace-separated words; each word counts as
// the decimal number it starts with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/console.h"

/// Reads words from the input and turns each into a number while reading, so
/// a word of any length is taken whole in constant memory.
class WordReader {
 public:
  /// `output` is flushed before every read that would wait for the user, so
  /// a prompt is on screen before the dialogue blocks, and only then.
  WordReader(InputSource& input, Writer& output) : input_(input), output_(output) {}

  /// Skips blanks, tabs, line ends, carriage returns, vertical tabs and form
  /// feeds, reads one word and sets `number` to its value: an optional sign
  /// and the leading digits, 2147483647 or -2147483648 when beyond the signed
  /// 32-bit range, 0 with no leading digits ("8x" is 8, "x1" is 0). Returns
  /// false when the input ends before a word starts.
  bool next(std::int32_t& number);

 private:
  /// Reads more input into the buffer; false at the end of input.
  bool refill();
  /// The next byte of input, or -1 at the end.
  int get();
  /// Skips to just past the end of the current word.
  void skipRestOfWord();

  InputSource& input_;
  Writer& output_;
  std::array<char, std::size_t{64} * 1024> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool ended_ = false;
};
