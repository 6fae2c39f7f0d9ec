// The options table against the man page, the reference users read: every
// option the command line takes is described there.
#include "command_line/options.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support/files.h"

namespace {

// True when `page` names the option `name` as roff writes it, each dash
// escaped, as a word of its own ("\-r" is not the start of "\-\-recursive").
bool names(const std::string& page, std::string_view name) {
  std::string roff;
  for (const char c : name) roff += c == '-' ? std::string("\\-") : std::string(1, c);
  for (std::size_t at = page.find(roff); at != std::string::npos; at = page.find(roff, at + 1)) {
    const char before = at == 0 ? ' ' : page[at - 1];
    const char after = at + roff.size() < page.size() ? page[at + roff.size()] : ' ';
    if ((before == ' ' || before == '"') && (after == ' ' || after == '\n' || after == '"')) {
      return true;
    }
  }
  return false;
}

TEST(Options, TheManPageNamesEveryOption) {
  const Bytes bytes = readFile(MAN_PAGE);
  const std::string page(bytes.begin(), bytes.end());
  ASSERT_FALSE(page.empty());
  for (const Option& option : options()) {
    for (const std::string_view name : {option.name, option.shortName}) {
      if (name.empty()) continue;
      EXPECT_TRUE(names(page, name)) << name;
    }
  }
}

}  // namespace
