// The portable text rules against the platform's own mappings of code page 932.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BIOS.h"
#include "HalfWidth.h"
#include "TextRules.h"

namespace {
// Every character of code page 932 the platform knows: single bytes, then valid double bytes.
std::vector<std::string> Cp932Characters() {
  std::vector<std::string> chars;
  for (int b = 1; b < 256; ++b)
    if (!IsDBCSLeadByteEx(932, static_cast<BYTE>(b))) chars.push_back(std::string(1, static_cast<char>(b)));
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsDBCSLeadByteEx(932, static_cast<BYTE>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      wchar_t wide[2] = {};
      if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, 2, wide, 2) == 1)
        chars.emplace_back(bytes, 2);
    }
  }
  return chars;
}

std::string PlatformLower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string Hex(const std::string& s) {
  std::string out;
  char buf[4];
  for (unsigned char c : s) snprintf(buf, sizeof buf, "%02X ", c), out += buf;
  return out;
}

// Whether a character is one of those the half-width table is for, told by its Unicode value alone: the
// ideographic space, the full-width ASCII forms, the full-width katakana (with the few that have no
// half-width form) and the Japanese punctuation with half-width forms.
bool HalfWidthGroup(const std::string& c) {
  wchar_t wide[2] = {};
  if (c.size() != 2 || MultiByteToWideChar(932, 0, c.data(), 2, wide, 2) != 1) return false;
  const wchar_t w = wide[0];
  return w == 0x3000 || (w >= 0xFF01 && w <= 0xFF5E) || (w >= 0x30A1 && w <= 0x30F6) || w == 0x30FB ||
         w == 0x30FC || w == 0x3001 || w == 0x3002 || w == 0x300C || w == 0x300D || w == 0x309B ||
         w == 0x309C;
}
}  // namespace

TEST(TextRulesPlatform, LeadBytesComeFromTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8";
  InitLeadByteSet();
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(LeadByteSet().Contains(static_cast<unsigned char>(b)),
              IsDBCSLeadByte(static_cast<BYTE>(b)) != 0)
        << b;
}

TEST(TextRulesPlatform, LowerTextAgreesWithCharLowerBuffOnEveryOneByteAndAsciiPair) {
  const auto chars = Cp932Characters();
  ASSERT_GT(chars.size(), 7000u);
  int doubleByteDifferences = 0;
  for (const std::string& c : chars) {
    // Each character alone, and between ASCII capitals so a trail byte that looks like one is caught.
    const std::string text = "A" + c + "Z";
    const std::string mine = LowerText(text), platform = PlatformLower(text);
    if (c.size() == 1) {
      EXPECT_EQ(mine, platform) << Hex(c);
    } else {
      // The platform may lower full-width capitals; the rules leave them as they are.
      // What must agree: the same length, the ASCII around it, and a character in the same place.
      ASSERT_EQ(platform.size(), text.size()) << Hex(c);
      EXPECT_EQ(mine.front(), platform.front()) << Hex(c);
      EXPECT_EQ(mine.back(), platform.back()) << Hex(c);
      EXPECT_EQ(mine.substr(1, 2), c) << Hex(c);
      if (platform.substr(1, 2) != c) ++doubleByteDifferences;
    }
  }
  RecordProperty("DoubleByteCharactersThePlatformLowers", doubleByteDifferences);
}

TEST(TextRulesPlatform, HalfWidthTableAgreesWithLCMapString) {
  int group = 0;
  for (const std::string& c : Cp932Characters()) {
    const std::string mine = HalfWidthPortable(c);
    // Every single byte, every character of the groups, and whatever else the table narrows. Elsewhere the
    // platform round-trips through Unicode (duplicate codes unified, some signs to '?'); the table keeps
    // them.
    if (c.size() == 2 && !HalfWidthGroup(c) && mine == c) continue;
    group += c.size() == 2 && HalfWidthGroup(c);
    // Wine keeps the full-width reverse solidus; its ASCII form is the yen sign of code page 932.
    if (c == "\x81\x5f") {
      EXPECT_EQ(mine, "\x5c");
      continue;
    }
    EXPECT_EQ(Hex(mine), Hex(LCMapText(c, LCMAP_HALFWIDTH))) << Hex(c);
  }
  // The ideographic space, 94 full-width ASCII forms (with the second codes of the quotation mark and the
  // apostrophe, 96 characters), 86 katakana with the middle dot and the prolonged sound mark, and 6 signs.
  EXPECT_EQ(group, 1 + 96 + 88 + 6);
}

// What lets the stock lookup map only the middle of a long text: the mapping goes character by character,
// gives every character at least one byte, and only blank and control bytes and the ideographic space map
// to bytes that TrimBlanks takes off.
TEST(TextRulesPlatform, HalfWidthMapsCharacterByCharacterAndOnlyBlanksTrimAway) {
  std::string all, each;
  for (const std::string& c : Cp932Characters()) {
    const std::string mapped = LCMapText(c, LCMAP_HALFWIDTH);
    all += c;
    each += mapped;
    ASSERT_FALSE(mapped.empty()) << Hex(c);
    const bool blank = (c.size() == 1 && static_cast<unsigned char>(c[0]) <= 0x20) || c == "\x81\x40";
    EXPECT_EQ(TrimBlanks(mapped).size(), blank ? 0 : mapped.size()) << Hex(c);
  }
  EXPECT_TRUE(LCMapText(all, LCMAP_HALFWIDTH) == each);
}
