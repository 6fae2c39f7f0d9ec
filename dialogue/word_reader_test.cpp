// The word reader: words split across reads, numbers as the C runtime
// converts them, and the prompt shown before a read that waits.
#include "dialogue/word_reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "test_support/memory_console.h"

namespace {

// Every number the input yields, read through reads of `chunk` bytes so that
// words straddle read boundaries.
std::vector<std::int32_t> numbersIn(const std::string& text, std::size_t chunk) {
  ScriptedInput input({{text}}, nullptr, chunk);
  RecordingOutput sink;
  Writer output(sink);
  WordReader words(input, output);
  std::vector<std::int32_t> numbers;
  std::int32_t n = 0;
  while (words.next(n)) numbers.push_back(n);
  return numbers;
}

struct WordCase {
  std::string word;
  std::int32_t number;
};

const WordCase kWordCases[] = {
    {"8", 8},
    {"8x", 8},
    {"+3", 3},
    {"007", 7},
    {"x1", 0},
    {"abc", 0},
    {"12abc", 12},
    {"-1", -1},
    {"-0", 0},
    {"+", 0},
    {"-", 0},
    {"+-1", 0},
    {"--1", 0},
    {"1-2", 1},
    {"1+2", 1},
    {"2147483647", INT_MAX},
    {"2147483648", INT_MAX},
    {"99999999999", INT_MAX},
    {"-2147483647", -2147483647},
    {"-2147483648", INT_MIN},
    {"-2147483649", INT_MIN},
    {"-99999999999999999999999999", INT_MIN},
    {std::string(300, '0') + "9", 9},
    {std::string(300, '9'), INT_MAX},
    {"5" + std::string(1, '\0') + "7", 5},  // NUL is no separator but no digit either
    {"\xEF\xBC\x91", 0},                    // a full-width digit is not a digit
    {"4\xA0"
     "2",
     4},  // nor is a non-breaking space white space
};

TEST(WordReader, ConvertsEachWordToItsLeadingNumber) {
  for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{4096}}) {
    for (const WordCase& c : kWordCases) {
      SCOPED_TRACE("word \"" + c.word + "\", reads of " + std::to_string(chunk));
      EXPECT_EQ(numbersIn(c.word, chunk), std::vector<std::int32_t>{c.number});
      EXPECT_EQ(numbersIn(" \n" + c.word + "\t", chunk), std::vector<std::int32_t>{c.number});
    }
  }
}

TEST(WordReader, SplitsOnTheSixWhiteSpaceCharactersOnly) {
  const struct {
    const char* name;
    std::string text;
    std::vector<std::int32_t> numbers;
  } cases[] = {
      {"nothing", "", {}},
      {"only white space", " \t\r\n\v\f ", {}},
      {"one line", "1 2 3", {1, 2, 3}},
      {"each separator", "1 2\t3\n4\r5\v6\f7", {1, 2, 3, 4, 5, 6, 7}},
      {"runs of separators", "\r\n\r\n  1\t\t\t\n\n2  ", {1, 2}},
      {"no separator at the end", "12 34", {12, 34}},
      // A word longer than any fixed buffer is still one word: its tail
      // must not come back as a second command.
      {"long word", std::string(255, 'x') + "8 9", {0, 9}},
      {"long word of digits", "1" + std::string(100000, 'x') + " 2", {1, 2}},
      {"NUL inside a word",
       std::string("1\0"
                   "2 3",
                   5),
       {1, 3}},
      // Words are skipped eight bytes at a time: a separator at each
      // position of an eight-byte step, and high bytes that are no separator.
      {"separators at every offset",
       "1xxxxxxxxxxxxxxx 2xxxxxxxxxxxxxx\t3xxxxxxxxxxxxx\n4xxxxxxxxxxxx\r5xxxxxxxxxxx\v"
       "6xxxxxxxxxx\f7xxxxxxxxx 8xxxxxxxx 9\xa0\xa0\xa0\xff\xff\xff\x80\x80\x21\x7f 10",
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
  };
  for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", reads of " + std::to_string(chunk));
      EXPECT_EQ(numbersIn(c.text, chunk), c.numbers);
    }
  }
}

TEST(WordReader, FlushesOutputOnlyBeforeAReadThatWaits) {
  RecordingOutput sink;
  Writer output(sink);
  ScriptedInput input({{"1 2", false}, {" 3", true}}, &sink.text);
  WordReader words(input, output);
  std::int32_t n = 0;

  output.put("first");
  ASSERT_TRUE(words.next(n));  // available at once: nothing is flushed
  EXPECT_EQ(sink.text, "");
  output.put(" second");
  ASSERT_TRUE(words.next(n));  // ends the piece, then waits for " 3"
  EXPECT_EQ(input.seenBeforeWaiting, std::vector<std::string>{"first second"});
}

}  // namespace
