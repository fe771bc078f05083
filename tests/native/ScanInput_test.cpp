#include "ScanInput.h"

#include <gtest/gtest.h>

namespace {
std::string Hex(const std::string& s) {
  std::string out;
  char buf[4];
  for (unsigned char c : s) std::snprintf(buf, sizeof buf, "%02X ", c), out += buf;
  return out;
}
}  // namespace

TEST(Utf8ToCp932, ConvertsJapaneseAndMarksWhatCodePage932Lacks) {
  const struct {
    const char* what;
    std::string utf8, cp932;
  } rows[] = {
      {"empty", "", ""},
      {"ASCII and line breaks", "NetMile\r\n7203\n", "NetMile\r\n7203\n"},
      // 山田ソ表ｱ＝高春人戞: trail bytes 0x5C, half-width katakana, lead bytes 0x81 0x8D 0x8F 0x90 0x9D
      {"Japanese",
       "\xe5\xb1\xb1\xe7\x94\xb0\xe3\x82\xbd\xe8\xa1\xa8\xef\xbd\xb1\xef\xbc\x9d\xe9\xab\x98\xe6\x98\xa5"
       "\xe4\xba\xba\xe6\x88\x9e",
       "\x8e\x52\x93\x63\x83\x5c\x95\x5c\xb1\x81\x81\x8d\x82\x8f\x74\x90\x6c\x9d\x40"},
      {"full-width digits and space", "\xef\xbc\x97\xef\xbc\x92\xef\xbc\x90\xef\xbc\x93\xe3\x80\x80",
       "\x82\x56\x82\x51\x82\x4f\x82\x52\x81\x40"},
      {"Hangul", "\xed\x95\x9c\xea\xb5\xad", "??"},
      {"beyond U+FFFF: two UTF-16 units", "a\xf0\x9f\x98\x80z", "a??z"},
      {"a NUL stays", std::string("a\0b", 3), std::string("a\0b", 3)},
      // Broken UTF-8: one '?' for each longest start of a valid sequence, else each byte.
      {"a lone continuation byte", "a\x80z", "a?z"},
      {"a sequence cut short", "a\xe3\x81z", "a?z"},
      {"cut off at the end", "a\xe3\x81", "a?"},
      {"an overlong form", "a\xc0\xafz", "a??z"},
      {"an encoded surrogate", "a\xed\xa0\x80z", "a???z"},
      {"beyond U+10FFFF", "a\xf4\x90\x80\x80z", "a????z"},
      {"a byte no sequence begins with", "\xfe\x37\x32\x30\x33", "?7203"},
  };
  for (const auto& row : rows) EXPECT_EQ(Hex(Utf8ToCp932(row.utf8)), Hex(row.cp932)) << row.what;
}

TEST(Utf8ToCp932, ConvertsALongTextWhole) {
  std::string utf8, cp932;
  for (int i = 0; i < 100000; ++i) utf8 += "\xe3\x82\xa2x\xf0\x9f\x98\x80", cp932 += "\x83\x41x??";  // アx😀
  EXPECT_TRUE(Utf8ToCp932(utf8) == cp932);
}

TEST(ScanText, TakesUtf8OnlyWhenToldOrMarked) {
  const std::string bom = "\xef\xbb\xbf";
  const std::string fullWidth7203 = "\xef\xbc\x97\xef\xbc\x92\xef\xbc\x90\xef\xbc\x93";
  const struct {
    const char* what;
    std::string bytes;
    bool utf8;
    std::string text;
  } rows[] = {
      {"code page 932 as it is", "\x82\x56\x82\x51\x82\x4f\x82\x52", false,
       "\x82\x56\x82\x51\x82\x4f\x82\x52"},
      {"told", fullWidth7203, true, "\x82\x56\x82\x51\x82\x4f\x82\x52"},
      {"marked", bom + fullWidth7203, false, "\x82\x56\x82\x51\x82\x4f\x82\x52"},
      {"marked and told: the mark still goes", bom + "7203", true, "7203"},
      {"only the mark", bom, false, ""},
      {"a mark further in is a character", "7203" + bom, true, "7203?"},
      {"ends at the first NUL", std::string("7203\0x", 6), true, "7203"},
      {"a code page 932 text ends at its first NUL too", std::string("7203\0x", 6), false, "7203"},
  };
  for (const auto& row : rows) EXPECT_EQ(Hex(ScanText(row.bytes, row.utf8)), Hex(row.text)) << row.what;
}
