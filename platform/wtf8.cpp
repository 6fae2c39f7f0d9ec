// UTF-16 to WTF-8 and back, a code unit at a time.
#include "platform/wtf8.h"

#include <cstdint>

namespace {

bool isHighSurrogate(std::uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(std::uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void append(std::string& out, std::uint32_t c) {
  const auto byte = [](std::uint32_t b) {
    return static_cast<char>(static_cast<unsigned char>(b));
  };
  if (c < 0x80) {
    out += byte(c);
  } else if (c < 0x800) {
    out += byte(0xC0 | c >> 6);
    out += byte(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += byte(0xE0 | c >> 12);
    out += byte(0x80 | (c >> 6 & 0x3F));
    out += byte(0x80 | (c & 0x3F));
  } else {
    out += byte(0xF0 | c >> 18);
    out += byte(0x80 | (c >> 12 & 0x3F));
    out += byte(0x80 | (c >> 6 & 0x3F));
    out += byte(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string toWtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    std::uint32_t c = utf16[i];
    if (isHighSurrogate(c) && i + 1 < utf16.size() && isLowSurrogate(utf16[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00);
    }
    append(out, c);  // a lone surrogate goes out as three bytes of its own
  }
  return out;
}

bool fromWtf8(std::string_view wtf8, std::u16string& utf16) {
  utf16.clear();
  std::size_t i = 0;
  while (i < wtf8.size()) {
    const auto lead = static_cast<unsigned char>(wtf8[i++]);
    std::uint32_t c = 0;
    std::size_t more = 0;
    std::uint32_t least = 0;  // the smallest value this length may carry
    if (lead < 0x80) {
      c = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      c = lead & 0x1F, more = 1, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      c = lead & 0x0F, more = 2, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      c = lead & 0x07, more = 3, least = 0x10000;
    } else {
      return false;  // a continuation byte without a lead, or no lead at all
    }
    for (; more > 0; --more, ++i) {
      if (i == wtf8.size()) return false;
      const auto next = static_cast<unsigned char>(wtf8[i]);
      if ((next & 0xC0) != 0x80) return false;
      c = c << 6 | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF) return false;
    if (c >= 0x10000) {
      c -= 0x10000;
      utf16 += static_cast<char16_t>(0xD800 + (c >> 10));
      utf16 += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
      continue;
    }
    // Two surrogates that make a pair must come as one four-byte character,
    // or the same name would have two spellings. A high surrogate can only
    // be the last unit so far if it came alone, as three bytes.
    if (isLowSurrogate(c) && !utf16.empty() && isHighSurrogate(utf16.back())) return false;
    utf16 += static_cast<char16_t>(c);
  }
  return true;
}
