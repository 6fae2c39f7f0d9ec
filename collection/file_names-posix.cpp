// POSIX shells expand patterns before the program starts, so FILE
// arguments are taken as given; the folder walk matches names as the shell
// does.
#include <algorithm>

#include "collection/file_names.h"

FileNames& FileNames::system() {
  return asGiven();
}

WalkRules WalkRules::shell(bool ignoreCase) {
  // Byte order, as LC_ALL=C ls lists: std::string compares bytes unsigned.
  return {[ignoreCase](const std::string& name, const std::string& pattern) {
            return shellMatches(name, pattern, ignoreCase);
          },
          [](std::vector<std::string>& names) { std::sort(names.begin(), names.end()); },
          '/',
          "/",
          {}};
}

const WalkRules& WalkRules::system() {
  static const WalkRules rules = shell();
  return rules;
}

WalkRules WalkRules::system(bool ignoreCase) {
  return shell(ignoreCase);
}
