#include "batch/file_names.h"

#include <algorithm>

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

char16_t upperAscii(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

}  // namespace

bool wildcardMatches(std::u16string_view name, std::u16string_view pattern) {
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
    } else if (p < pattern.size() &&
               (pattern[p] == u'?' || upperAscii(pattern[p]) == upperAscii(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool expandWildcards(const std::string& arg, FolderSearch& folder, std::vector<std::string>& names,
                     std::string& error) {
  names.clear();
  if (arg.find_first_of("*?") == std::string::npos) {
    names.push_back(arg);
    return true;
  }
  const std::size_t cut = arg.find_last_of("\\/:");
  const std::string folderPart = cut == std::string::npos ? "" : arg.substr(0, cut + 1);
  std::u16string pattern;
  if (folderPart.find_first_of("*?") != std::string::npos || !fromWtf8(arg, pattern)) {
    error = "wildcards work only in the last part of a name";
    return false;
  }
  const std::u16string last = pattern.substr(pattern.find_last_of(u"\\/:") + 1);
  std::vector<std::u16string> found;
  if (!folder.find(pattern, found, error)) return false;
  for (const std::u16string& name : found) {
    if (wildcardMatches(name, last)) names.push_back(folderPart + toWtf8(name));
  }
  if (names.empty()) {
    error = "no file matches";
    return false;
  }
  std::sort(names.begin(), names.end());
  return true;
}
