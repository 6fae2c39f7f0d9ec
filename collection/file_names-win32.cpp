// Windows: cmd and PowerShell hand "*.dat" to the program as it is, so the
// program expands * and ? itself, over the folder as the system lists it.
// The folder walk matches and orders names as Windows does.
#include <string>
#include <vector>

#include "collection/file_names.h"

namespace {

class PatternNames : public FileNames {
 public:
  bool expand(const std::string& arg, std::vector<std::string>& names,
              std::string& error) override {
    return expandWildcards(arg, FolderReader::system(), windowsCaselessOrder, names, error);
  }
};

}  // namespace

FileNames& FileNames::system() {
  static PatternNames names;
  return names;
}

const WalkRules& WalkRules::system() {
  static const WalkRules rules = windows(windowsCaselessOrder);
  return rules;
}

WalkRules WalkRules::system(bool /*ignoreCase*/) {
  return system();  // letter case never counts on Windows
}
