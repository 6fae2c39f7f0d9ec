// The Writer's buffer: output collected and handed to the sink in blocks.
#include "platform/console.h"

#include <algorithm>
#include <charconv>
#include <cstring>

void Writer::put(std::string_view text) {
  while (!text.empty()) {
    if (used_ == buffer_.size()) flush();
    const std::size_t n = std::min(text.size(), buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, text.data(), n);
    used_ += n;
    text.remove_prefix(n);
  }
}

void Writer::putNumber(unsigned number) {
  char digits[16];
  auto* const end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

int Writer::flush() {
  if (used_ > 0 && error_ == 0) error_ = sink_.write(buffer_.data(), used_);
  used_ = 0;
  return error_;
}
