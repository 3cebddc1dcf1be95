// Framework strings count characters, not bytes, and positions are 1-based.
#include "framework/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using fw::String;

TEST(Text, LengthCountsCharacters) {
  // A byte that begins no well-formed sequence counts as one character.
  const struct {
    const char* text;
    int32_t want;
  } cases[] = {
      {"", 0},
      {"abc", 3},
      {"é", 1},                  // two bytes
      {"日本語", 3},             // nine bytes
      {"\xF0\x9F\x98\x80x", 2},  // four-byte character, then x
      {"a\xFF-", 3},             // a byte no sequence begins with
      {"a\x80\xBF", 3},          // stray continuation bytes
      {"\xE6\x97-", 3},          // truncated sequence
      {"\xC0\x80", 2},           // overlong U+0000
      {"\xE0\x80\xAF", 3},       // overlong "/"
      {"\xED\xA0\x80", 3},       // surrogate
      {"\xF4\x90\x80\x80", 4},   // past U+10FFFF
      {"\xF4\x8F\xBF\xBF", 1},   // U+10FFFF itself
  };
  for (const auto& c : cases) EXPECT_EQ(fw::Len(c.text), c.want) << c.text;
}

TEST(Text, InStrFindsCharacterPositions) {
  struct Case {
    int32_t start;
    const char* text;
    const char* find;
    int32_t want;
  };
  const Case cases[] = {
      {0, "bob@work", "@", 4},  {1, "bob@work", "@", 4},  {5, "bob@work", "@", 0},
      {0, "bob", "@", 0},       {0, "", "@", 0},          {0, "ä@b", "@", 2},
      {0, "日本@x", "@", 3},    {0, "x404y", "404", 2},   {0, "40 4", "404", 0},
      {3, "a.b.c", ".", 4},     {0, "abc", "", 1},
      // Each byte of an invalid sequence is a position of its own; a well-formed one is not cut.
      {0, "\xC0\x80@", "@", 3}, {0, "\xE6\x97@", "@", 3}, {0, "\xC0\x80", "\x80", 2},
      {0, "\xE6\x97\xA5", "\x97", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fw::InStr(c.start, c.text, c.find), c.want) << c.text << " / " << c.find;
  }
}

TEST(Text, LeftCutsCharacters) {
  EXPECT_EQ(fw::Left("bob@work", 3), String("bob"));
  EXPECT_EQ(fw::Left("äöü", 2), String("äö"));
  EXPECT_EQ(fw::Left("abc", 0), String(""));
  EXPECT_EQ(fw::Left("abc", -1), String(""));
  EXPECT_EQ(fw::Left("abc", 10), String("abc"));
  EXPECT_EQ(fw::Left("\xC0\x80x", 1), String("\xC0"));  // an overlong form is cut between its bytes
}

TEST(Text, TrimAndLowercase) {
  EXPECT_EQ(fw::LTrim("  \t a b  "), String("a b  "));
  EXPECT_EQ(fw::RTrim("  a b \t\r\n"), String("  a b"));
  EXPECT_EQ(fw::RTrim(fw::LTrim("   ")), String(""));
  EXPECT_EQ(fw::LTrim("\xC2\xA0x"), String("x"));  // no-break space
  EXPECT_EQ(fw::RTrim("x\xA0"), String("x\xA0"));  // a stray byte, not a no-break space
  EXPECT_EQ(fw::Lowercase("Bob.SMITH@Work"), String("bob.smith@work"));
  EXPECT_EQ(fw::Lowercase("ÄÖÜ ΣΑΣ ДОМ"), String("äöü σασ дом"));
  EXPECT_EQ(fw::Lowercase(std::string("A\xFFZ")), String(std::string("a\xFFz")));
}

TEST(Text, ConcatenationAndNumbers) {
  String a("Version: ");
  EXPECT_EQ(a + "1.0" + " Universal", String("Version: 1.0 Universal"));
  EXPECT_EQ(a, String("Version: "));  // the operands are left as they were
  EXPECT_EQ(fw::Str(-32768), String("-32768"));
  EXPECT_EQ(fw::Str(0), String("0"));
  EXPECT_TRUE(String().IsEmpty());
}

}  // namespace
