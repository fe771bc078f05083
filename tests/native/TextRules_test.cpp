#include "TextRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {
// Restores the code page 932 lead bytes after a test that changes them.
struct LeadBytesGuard {
  ~LeadBytesGuard() { SetLeadByteSet(TLeadByteSet::Cp932()); }
};

// Straight from the rules: walk characters from the first byte, test every boundary.
int SlowFindPos(std::string_view pattern, std::string_view text) {
  if (pattern.empty() || text.empty()) return 0;
  for (size_t i = 0; i < text.size();
       i += LeadByteSet().Contains(static_cast<unsigned char>(text[i])) ? 2 : 1)
    if (text.substr(i, pattern.size()) == pattern) return static_cast<int>(i + 1);
  return 0;
}
}  // namespace

TEST(TrimBlanks, RemovesBlanksAndControlBytesOnlyAtTheEnds) {
  const struct {
    std::string_view in, out;
  } rows[] = {
      {"\t text\r\n", "text"},
      {"\x81\x40"
       "a",
       "\x81\x40"
       "a"},  // ideographic space stays
      {"   ", ""},
      {"", ""},
      {"\x7f"
       "a b\x7f",
       "\x7f"
       "a b\x7f"},
      {"\x01\x1f"
       "a\x83\x40",
       "a\x83\x40"},
      {"\xa0x\xff", "\xa0x\xff"},
  };
  for (const auto& r : rows) EXPECT_EQ(TrimBlanks(r.in), r.out) << r.in;
}

TEST(FindPos, CountsOnlyMatchesAtCharacterBoundaries) {
  const struct {
    std::string_view pattern, text;
    int pos;
  } rows[] = {
      {"A", "\x83\x41", 0},
      {"A",
       "\x83\x41"
       "A",
       3},
      {"\x40", "\x81\x40", 0},
      {"", "abc", 0},
      {"a", "", 0},
      {"netmile", "NetMile", 0},
      {"netmile", "x netmile", 3},
      {"\x81\x40", "\x83\x81\x40", 0},  // looks like an ideographic space across a boundary
      {"\x81\x40", "\x83\x41\x81\x40", 3},
      {"\x81\x41", "\x81\x81\x41", 0},  // odd run of lead bytes: position 2 is a trail byte
      {"\x81\x41", "\x81\x81\x81\x41", 3},
      {"\x83", "ab\x83", 3},  // lone lead byte at the end
      {"aab", "aaab", 2},
      {"abab", "ababab", 1},
      // A whole match inside a character, then one overlapping it at a boundary.
      {"\x40\x81\x40", "\x81\x40\x81\x40\x81\x40", 0},
      {"\x41\x81\x41", "\x83\x41\x81\x41\x81\x41", 0},
      {"\x41\x41\x41", "\x83\x41\x41\x41\x41", 3},
      {"abc", "ab", 0},
  };
  for (const auto& r : rows) EXPECT_EQ(FindPos(r.pattern, r.text), r.pos) << r.pattern << " in " << r.text;
}

TEST(FindPos, AgreesWithCharacterWalkOnRandomShiftJis) {
  std::mt19937 rng(932);
  const char alphabet[] = {'\x81', '\x40', '\x83', 'A', 'a', '\xe0', '\xa1'};
  std::uniform_int_distribution<int> pick(0, sizeof alphabet - 1), len(0, 12);
  for (int n = 0; n < 20000; ++n) {
    std::string text, pattern;
    for (int i = len(rng); i > 0; --i) text += alphabet[pick(rng)];
    for (int i = len(rng) % 4; i > 0; --i) pattern += alphabet[pick(rng)];
    ASSERT_EQ(FindPos(pattern, text), SlowFindPos(pattern, text));
  }
}

TEST(FindPos, SingleByteCodePageHasNoTrailBytes) {
  LeadBytesGuard guard;
  SetLeadByteSet(TLeadByteSet::Empty());
  EXPECT_EQ(FindPos("A", "\x83\x41"), 2);
  EXPECT_EQ(LowerText("\x83\x41"), "\x83\x61");
}

TEST(LowerText, LowersAsciiCapitalsButNeverATrailByte) {
  const struct {
    std::string_view in, out;
  } rows[] = {
      {"\x83\x4eNETMILE", "\x83\x4enetmile"},  // the trail byte of ク looks like N
      {"AZaz@[\xa1\xdf", "azaz@[\xa1\xdf"},
      {"", ""},
      {"A\x83", "a\x83"},  // lone lead byte at the end
  };
  for (const auto& r : rows) EXPECT_EQ(LowerText(r.in), r.out) << r.in;
}

TEST(ReplaceAll, ReplacesWholeCharactersWithoutOverlapOrRescan) {
  const struct {
    std::string_view text, oldPattern, newPattern, out;
  } rows[] = {
      {"\x83\x41\x81\x40\x83\x43", "\x81\x40", "", "\x83\x41\x83\x43"},
      {"\x83\x81\x40", "\x81\x40", "", "\x83\x81\x40"},
      {"\x81\x40"
       "a\x81\x40\x81\x40",
       "\x81\x40", "", "a"},
      {"abc", "", "x", "abc"},
      {"", "a", "x", ""},
      {"aaa", "aa", "b", "ba"},
      {"aa", "a", "aa", "aaaa"},
      {"Aa", "a", "b", "Ab"},
  };
  for (const auto& r : rows) EXPECT_EQ(ReplaceAll(r.text, r.oldPattern, r.newPattern), r.out) << r.text;
}

TEST(ParseInteger, AcceptsDecimalAndHexFormsWithinLimits) {
  const struct {
    std::string_view in;
    std::int32_t value;
  } rows[] = {
      {"0123", 123},
      {"-123", -123},
      {"+000", 0},
      {"  7", 7},
      {"$1F", 31},
      {"x1F", 31},
      {"X1f", 31},
      {"0x1F", 31},
      {"0Xff", 255},
      {"-$FF", -255},
      {"+x0a", 10},
      {"-0x1", -1},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"$FFFFFFFF", -1},
      {"$000000000001", 1},
      {"$80000000", INT32_MIN},
      {"-$80000000", INT32_MIN},
      {"-$FFFFFFFF", 1},
      {"7203", 7203},
  };
  for (const auto& r : rows) EXPECT_EQ(ParseInteger(r.in), r.value) << r.in;
}

TEST(ParseInteger, RefusesEverythingElseWithTheConversionError) {
  for (std::string_view in :
       {"12 3",        "1234 ",      "$",           "+-1",  "0x",   "",        "   ",
        "-",           "--12",       "1.23",        "$12G", "12AB", "\t1",     "2147483648",
        "-2147483649", "$100000000", "99999999999", "0x-1", "1-",   "\x82\x4f"}) {
    EXPECT_THROW(ParseInteger(in), EConvertError) << in;
  }
  try {
    ParseInteger("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(),
                 "'abc' \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1");
  }
}

TEST(ParseInteger, ClassifiesEveryFourByteFormOfTheStockRule) {
  // Every 4-byte text over a small alphabet: exactly the listed forms succeed.
  const std::string alphabet = "09aFGx X$-+.";
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  const auto isSign = [](char c) { return c == '-' || c == '+'; };
  const auto isPrefix = [](char c) { return c == '$' || c == 'x' || c == 'X'; };
  const auto isZeroX = [](char a, char b) { return a == '0' && (b == 'x' || b == 'X'); };
  for (char a : alphabet)
    for (char b : alphabet)
      for (char c : alphabet)
        for (char d : alphabet) {
          if (a == ' ') continue;  // leading blanks are trimmed before this rule
          const std::string t{a, b, c, d};
          const bool expected =
              (isDigit(a) && isDigit(b) && isDigit(c) && isDigit(d)) ||
              (isSign(a) && isDigit(b) && isDigit(c) && isDigit(d)) ||
              (isPrefix(a) && isHex(b) && isHex(c) && isHex(d)) || (isZeroX(a, b) && isHex(c) && isHex(d)) ||
              (isSign(a) && isPrefix(b) && isHex(c) && isHex(d)) || (isSign(a) && isZeroX(b, c) && isHex(d));
          bool ok = true;
          try {
            ParseInteger(t);
          } catch (const EConvertError&) {
            ok = false;
          }
          EXPECT_EQ(ok, expected) << "'" << t << "'";
        }
}

TEST(SplitLines, TreatsCrLfCrAndLfEachAsOneBreak) {
  const struct {
    std::string_view in;
    TStringList lines;
  } rows[] = {
      {"a\r\nb", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\n", {"a"}},
      {"abc", {"abc"}},
      {"", {}},
      {"a\r\rb", {"a", "", "b"}},
      {"\n", {""}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"\r\n\r\n", {"", ""}},
  };
  for (const auto& r : rows) EXPECT_EQ(SplitLines(r.in), r.lines) << r.in;
}

TEST(JoinLines, EndsEveryLineWithCrLf) {
  EXPECT_EQ(JoinLines({"a", "b"}), "a\r\nb\r\n");
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines(SplitLines("a\nb\rc")), "a\r\nb\r\nc\r\n");
}

TEST(CopyRange, ClampsIndexAndCountByBytes) {
  const struct {
    std::string_view text;
    int index, count;
    std::string_view out;
  } rows[] = {
      {"abc", 0, 2, "ab"},
      {"abc", 4, 1, ""},
      {"abc", 2, 100, "bc"},
      {"abc", 1, -1, ""},
      {"", 1, 1, ""},
      {"abc", -5, 1, "a"},
      {"abc", 3, INT32_MAX, "c"},
      {"abc", INT32_MAX, 1, ""},
      {"\x83\x41z", 2, 2, "\x41z"},
  };
  for (const auto& r : rows) EXPECT_EQ(CopyRange(r.text, r.index, r.count), r.out) << r.text << r.index;
}
