// Windows' wildcards and name rules, as plain code every system can run and
// test: * and ? as cmd matches them, a caseless order, and the prefixes that
// make a path literal.
#include "platform/wildcards.h"

#include <algorithm>
#include <utility>

#include "platform/wtf8.h"

namespace {

// Where the character starting at `at` ends: a surrogate pair is one
// character (an emoji, say), a lone surrogate is one on its own.
std::size_t characterEnd(std::u16string_view text, std::size_t at) {
  const bool pair = at + 1 < text.size() && text[at] >= 0xD800 && text[at] <= 0xDBFF &&
                    text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
  return at + (pair ? 2 : 1);
}

bool matchesExactly(std::u16string_view name, std::u16string_view pattern, CaselessOrder order) {
  // Where the last * stood, and the name's place when it was reached: on a
  // mismatch the * takes one more character and matching resumes there.
  std::size_t star = std::u16string_view::npos;
  std::size_t resume = 0;
  std::size_t n = 0;
  std::size_t p = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
      continue;
    }
    const std::size_t nameEnd = characterEnd(name, n);
    if (p < pattern.size()) {
      const std::size_t patternEnd = characterEnd(pattern, p);
      const std::u16string_view wanted = pattern.substr(p, patternEnd - p);
      const std::u16string_view seen = name.substr(n, nameEnd - n);
      if (wanted == u"?" || wanted == seen || order(wanted, seen) == 0) {
        p = patternEnd;
        n = nameEnd;
        continue;
      }
    }
    if (star == std::u16string_view::npos) return false;
    p = star + 1;
    resume = characterEnd(name, resume);
    n = resume;
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace

// How many leading bytes of `arg` say "take the rest as a path as it stands"
// (\\?\) or "a device path" (\\.\); Windows takes either slash in each place.
// Their ? and . are part of the path, never wildcards.
std::size_t devicePrefixLength(const std::string& arg) {
  const auto slash = [](char c) { return c == '\\' || c == '/'; };
  const bool prefixed = arg.size() >= 4 && slash(arg[0]) && slash(arg[1]) &&
                        (arg[2] == '?' || arg[2] == '.') && slash(arg[3]);
  return prefixed ? 4 : 0;
}

// wildcardMatches over WTF-8 text; a name or pattern that is not WTF-8
// matches nothing.
bool wtf8WildcardMatches(const std::string& name, const std::string& pattern, CaselessOrder order) {
  std::u16string name16;
  std::u16string pattern16;
  return fromWtf8(name, name16) && fromWtf8(pattern, pattern16) &&
         wildcardMatches(name16, pattern16, order);
}

// Puts WTF-8 `names` in the order in which dir lists an NTFS folder: letter
// case aside. Byte order settles names that differ only in case, so every
// run lists alike.
void sortCaseless(std::vector<std::string>& names, CaselessOrder order) {
  std::vector<std::pair<std::u16string, std::string>> keyed;
  keyed.reserve(names.size());
  for (std::string& name : names) {
    std::u16string key;
    if (!fromWtf8(name, key)) key.clear();  // sorts by its bytes alone
    keyed.emplace_back(std::move(key), std::move(name));
  }
  std::sort(keyed.begin(), keyed.end(), [order](const auto& a, const auto& b) {
    const int caseless = order(a.first, b.first);
    return caseless != 0 ? caseless < 0 : a.second < b.second;
  });
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = std::move(keyed[i].second);
}

bool wildcardMatches(std::u16string_view name, std::u16string_view pattern, CaselessOrder order) {
  // cmd lists "readme" for *.* and "abc" for a*.*: a final .* may also stand
  // for no extension at all.
  const std::u16string_view anyExtension = u".*";
  if (pattern.size() >= anyExtension.size() &&
      pattern.substr(pattern.size() - anyExtension.size()) == anyExtension &&
      matchesExactly(name, pattern.substr(0, pattern.size() - anyExtension.size()), order)) {
    return true;
  }
  return matchesExactly(name, pattern, order);
}
