// The wording of what a listing that cannot be used is told: echoed text
// made short and printable, and the value a setting cannot be.
#include "listing/listing_messages.h"

#include <cstddef>

#include "listing/setting_words.h"
#include "listing/text.h"

namespace {

// Echoed text is cut to this many bytes, so a message stays a short line.
constexpr std::size_t kShownBytes = 80;

}  // namespace

std::string bomsShown(std::string text) {
  constexpr std::string_view kBomShown = "<U+FEFF>";
  for (std::size_t at = text.find(kBom); at != std::string::npos; at = text.find(kBom, at)) {
    text.replace(at, kBom.size(), kBomShown);
    at += kBomShown.size();
  }
  return text;
}

std::string_view cutShort(std::string_view text) {
  if (text.size() <= kShownBytes) return text;
  std::size_t cut = kShownBytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

std::string shown(std::string_view text) {
  const std::string_view cut = cutShort(text);
  return bomsShown(printable(cut)) + (cut.size() < text.size() ? "..." : "");
}

std::string badValue(std::string_view name, const std::string& shown, std::string_view hint) {
  return std::string(name) + " cannot be " + shown + ": " + std::string(hint);
}

std::string badValue(const Setting& setting, const std::string& shown) {
  return badValue(setting.name, shown, settingValueHint(setting));
}
