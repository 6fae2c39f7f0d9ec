// Text made fit for a terminal line and for a JSON string, and the UTF-8
// characters it is read as.
#include "listing/text.h"

namespace {

bool isC1(unsigned code) {
  return code >= 0x80 && code <= 0x9F;
}

// The code point of a two-byte UTF-8 character (the only length C1 takes).
unsigned twoByteCode(std::string_view text) {
  return (static_cast<unsigned char>(text[0]) & 0x1Fu) << 6 |
         (static_cast<unsigned char>(text[1]) & 0x3Fu);
}

}  // namespace

std::string printable(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  while (!text.empty()) {
    const auto byte = static_cast<unsigned char>(text[0]);
    const std::size_t length = utf8Length(text);
    if (byte < 0x20 || byte == 0x7F || (length == 0 && isC1(byte)) ||
        (length == 2 && isC1(twoByteCode(text)))) {
      line += '?';
    } else {
      // Other bytes that are not UTF-8 go through as they are: a Latin-1
      // name still reads right on a Latin-1 terminal.
      line.append(text.substr(0, length == 0 ? 1 : length));
    }
    text.remove_prefix(length == 0 ? 1 : length);
  }
  return line;
}

std::size_t utf8Length(std::string_view text) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = at(0);
  std::size_t length = 0;
  unsigned char low = 0x80;   // the range of the second byte, which rules out
  unsigned char high = 0xBF;  // overlong forms, surrogates and values too high
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || at(1) < low || at(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((at(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

std::string jsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const auto escape = [](std::string& json, unsigned code) {
    json += "\\u00";
    json += kHex[code >> 4];
    json += kHex[code & 0x0F];
  };
  std::string json = "\"";
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text[0]);
    const std::size_t length = utf8Length(text);
    if (length == 0) {
      json += "\xEF\xBF\xBD";
      text.remove_prefix(1);
      continue;
    }
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\t') {
      json += "\\t";
    } else if (c == '\r') {
      json += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      escape(json, c);
    } else if (length == 2 && isC1(twoByteCode(text))) {
      escape(json, twoByteCode(text));
    } else {
      json.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return json + "\"";
}
