// Command words from the input: split at white space, turned into
// numbers as the C runtime's atoi does, the prompt flushed before a wait.
#include "dialogue/word_reader.h"

#include <cstring>

namespace {

// The C locale's white space, fixed here so that no locale changes what
// separates two commands.
bool isSeparator(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(int c) {
  return c >= '0' && c <= '9';
}

// One past the largest magnitude a signed 32-bit number holds (that of
// -2147483648). Capping there keeps the sum small however many digits come.
constexpr std::uint64_t kMagnitudeCap = 2147483648u;

}  // namespace

bool WordReader::refill() {
  if (ended_) return false;
  // Only a read that would wait costs a flush; a script piped in whole
  // runs without flushing per command.
  if (!input_.ready()) output_.flush();
  end_ = input_.read(buffer_.data(), buffer_.size());
  pos_ = 0;
  if (end_ == 0) ended_ = true;
  return !ended_;
}

int WordReader::get() {
  if (pos_ == end_ && !refill()) return -1;
  return static_cast<unsigned char>(buffer_[pos_++]);
}

namespace {

// True when some byte of the eight at `p` is below 0x21, as every separator
// is: the classic test for a byte less than n (exact for n up to 0x80).
bool mayHoldSeparator(const char* p) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  std::uint64_t x = 0;
  std::memcpy(&x, p, sizeof x);
  return ((x - kOnes * 0x21) & ~x & kHighBits) != 0;
}

}  // namespace

void WordReader::skipRestOfWord() {
  // A word may be far longer than the buffer: scan it a buffer at a time,
  // eight bytes a step while none of them can end it.
  do {
    while (pos_ < end_) {
      if (end_ - pos_ >= 8 && !mayHoldSeparator(buffer_.data() + pos_)) {
        pos_ += 8;
        continue;
      }
      if (isSeparator(static_cast<unsigned char>(buffer_[pos_++]))) return;
    }
  } while (refill());
}

bool WordReader::next(std::int32_t& number) {
  int c = get();
  while (isSeparator(c)) c = get();
  if (c == -1) return false;

  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = get();
  }
  std::uint64_t magnitude = 0;
  for (; isDigit(c) && magnitude < kMagnitudeCap; c = get()) {
    magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
  }
  if (magnitude > kMagnitudeCap) magnitude = kMagnitudeCap;
  // The rest of the word does not count (more digits would only keep the
  // number at its cap), but it is still part of this word.
  if (c != -1 && !isSeparator(c)) skipRestOfWord();

  if (negative) {
    number = static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
  } else {
    number = static_cast<std::int32_t>(magnitude < kMagnitudeCap ? magnitude : kMagnitudeCap - 1);
  }
  return true;
}
