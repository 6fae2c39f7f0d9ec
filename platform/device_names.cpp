// The names Windows keeps for devices, matched as Windows matches them.
#include "platform/device_names.h"

#include <algorithm>

namespace {

char upperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameLetters(std::string_view text, std::string_view upper) {
  return text.size() == upper.size() &&
         std::equal(text.begin(), text.end(), upper.begin(),
                    [](char a, char b) { return upperAscii(a) == b; });
}

}  // namespace

bool isReservedDeviceName(std::string_view path) {
  std::string_view name = path.substr(path.find_last_of("\\/") + 1);  // npos + 1 is 0
  if (name.size() >= 2 && name[1] == ':' && upperAscii(name[0]) >= 'A' &&
      upperAscii(name[0]) <= 'Z') {
    name.remove_prefix(2);
  }
  // Windows looks only at what stands before the first dot or colon, less
  // trailing spaces: "con .dat", "nul." and "aux:" are the devices too.
  name = name.substr(0, name.find_first_of(".:"));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);

  for (const std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (sameLetters(name, device)) return true;
  }
  if (name.size() < 4 ||
      !(sameLetters(name.substr(0, 3), "COM") || sameLetters(name.substr(0, 3), "LPT"))) {
    return false;
  }
  // The port's number: a digit, or a superscript one, two or three (UTF-8),
  // which Windows also takes for the digit.
  const std::string_view number = name.substr(3);
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}
