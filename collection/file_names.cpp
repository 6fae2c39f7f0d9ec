#include "collection/file_names.h"

#include <algorithm>
#include <utility>

#include "image/wtf8.h"

FileNames& FileNames::asGiven() {
  static FileNames names;
  return names;
}

bool FileNames::expand(const std::string& arg, std::vector<std::string>& names,
                       std::string& /*error*/) {
  names.assign(1, arg);
  return true;
}

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

// How many leading bytes of `arg` say "take the rest as a path as it stands"
// (\\?\) or "a device path" (\\.\); Windows takes either slash in each place.
// Their ? and . are part of the path, never wildcards.
std::size_t devicePrefixLength(const std::string& arg) {
  const auto slash = [](char c) { return c == '\\' || c == '/'; };
  const bool prefixed = arg.size() >= 4 && slash(arg[0]) && slash(arg[1]) &&
                        (arg[2] == '?' || arg[2] == '.') && slash(arg[3]);
  return prefixed ? 4 : 0;
}

}  // namespace

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

bool expandWildcards(const std::string& arg, FolderSearch& folder, CaselessOrder order,
                     std::vector<std::string>& names, std::string& error) {
  names.clear();
  const std::size_t wildcard = arg.find_first_of("*?", devicePrefixLength(arg));
  if (wildcard == std::string::npos) {
    names.push_back(arg);
    return true;
  }
  const std::size_t lastPart = arg.find_last_of("\\/:") + 1;  // npos + 1 is 0
  std::u16string folderName;
  std::u16string pattern;
  if (wildcard < lastPart || !fromWtf8(arg.substr(0, lastPart), folderName) ||
      !fromWtf8(arg.substr(lastPart), pattern)) {
    error = "wildcards work only in the last part of a name";
    return false;
  }
  std::vector<std::u16string> found;
  if (!folder.list(folderName, found, error)) return false;
  // Each match with its WTF-8 form, which breaks ties and is what is given out.
  std::vector<std::pair<std::u16string, std::string>> matches;
  for (std::u16string& name : found) {
    if (!wildcardMatches(name, pattern, order)) continue;
    std::string wtf8 = toWtf8(name);
    matches.emplace_back(std::move(name), std::move(wtf8));
  }
  if (matches.empty()) {
    error = "no file matches";
    return false;
  }
  // The order in which dir lists an NTFS folder: letter case aside. Byte
  // order settles names that differ only in case, so every run lists alike.
  std::sort(matches.begin(), matches.end(), [order](const auto& a, const auto& b) {
    const int caseless = order(a.first, b.first);
    return caseless != 0 ? caseless < 0 : a.second < b.second;
  });
  const std::string folderPart = arg.substr(0, lastPart);
  for (const auto& match : matches) names.push_back(folderPart + match.second);
  return true;
}
