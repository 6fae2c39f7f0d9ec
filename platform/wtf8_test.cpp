// WTF-8: names Windows may hand over, unpaired surrogates included, there
// and back unchanged, and the byte runs that are no WTF-8.
#include "platform/wtf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Names as Windows hands them over, and their bytes as the program carries
// them.
const struct {
  const char* name;
  std::u16string utf16;
  std::string wtf8;
} kRoundTrips[] = {
    {"ASCII", u"song.dat", "song.dat"},
    {"Japanese and a space", u"\u30b5\u30a6 \u30c7.dat",
     "\xe3\x82\xb5\xe3\x82\xa6 \xe3\x83\x87.dat"},
    {"two-byte form", u"\u00e9", "\xc3\xa9"},
    {"a pair: one four-byte character", u"\U0001F3B5", "\xf0\x9f\x8e\xb5"},
    {"lone high surrogate",
     u"a\xd83c"
     "b",
     "a\xed\xa0\xbc"
     "b"},
    {"lone low surrogate at the end", u"a\xdfb5", "a\xed\xbe\xb5"},
    {"low then high: two lone ones", u"\xdfb5\xd83c", "\xed\xbe\xb5\xed\xa0\xbc"},
    {"largest code point", u"\U0010FFFF", "\xf4\x8f\xbf\xbf"},
};

TEST(Wtf8, EveryWindowsNameRoundTrips) {
  for (const auto& c : kRoundTrips) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(toWtf8(c.utf16), c.wtf8);
    std::u16string back;
    EXPECT_TRUE(fromWtf8(c.wtf8, back));
    EXPECT_EQ(back, c.utf16);
  }
}

TEST(Wtf8, RefusesWhatNoNameEncodesTo) {
  const char* const refused[] = {
      "\x80",                      // a continuation byte without a lead
      "\xc3",                      // a lead without its continuation
      "\xc3\x28",                  // a lead followed by no continuation byte
      "\xc0\xaf",                  // an overlong '/'
      "\xe0\x80\xaf",              // an overlong '/' in three bytes
      "\xf4\x90\x80\x80",          // past U+10FFFF
      "\xff",                      // never in UTF-8
      "\xed\xa0\xbc\xed\xbe\xb5",  // a pair written as two surrogates
  };
  for (const char* text : refused) {
    SCOPED_TRACE(::testing::PrintToString(std::string(text)));
    std::u16string out;
    EXPECT_FALSE(fromWtf8(text, out));
  }
}

}  // namespace
