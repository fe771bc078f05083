#include "IniText.h"

#include <gtest/gtest.h>

TEST(IniText, FindsKeysOfTheSectionWithoutRegardToCase) {
  const TIniText ini(
      "[other]\r\nBrowseStockCode=1\r\n"
      "[Taro]\r\n; comment\r\n  browsestockcode = 2 \r\nStockSiteSelect=$3\r\nInfoCashID=\"ab c\"\r\n"
      "SleepTime=abc\r\nEmpty=\r\nBrowseStockCode=0\r\n"
      "[taro]\r\nAutoBrowseInfoCash=1\r\n");
  EXPECT_TRUE(ini.ReadBool("TARO", "BrowseStockCode", false));  // first key of the first section
  EXPECT_EQ(ini.ReadInteger("Taro", "StockSiteSelect", 0), 3);
  EXPECT_EQ(ini.ReadString("Taro", "InfoCashID", "x"), "ab c");
  EXPECT_EQ(ini.ReadString("Taro", "Empty", "x"), "");
  EXPECT_EQ(ini.ReadInteger("Taro", "SleepTime", 100), 100);        // not a number: the default
  EXPECT_FALSE(ini.ReadBool("Taro", "AutoBrowseInfoCash", false));  // only the first section of the name
  EXPECT_EQ(ini.ReadString("Nobody", "InfoCashID", "d"), "d");
  EXPECT_EQ(TIniText("").ReadInteger("Taro", "StockSiteSelect", 7), 7);
}

TEST(IniText, ReadsBooleansAndIntegersByTheIntegerRule) {
  const struct {
    std::string value;
    bool asBool;  // with default false
  } rows[] = {{"1", true},    {"0", false},  {"2", true}, {"0x1", true},
              {"yes", false}, {" -1", true}, {"1 ", true}};
  for (const auto& r : rows)
    EXPECT_EQ(TIniText("[s]\nk=" + r.value + "\n").ReadBool("s", "k", false), r.asBool) << r.value;
}

TEST(IniText, CutsLongValuesTo2047Bytes) {
  const std::string longValue(3000, 'v');
  EXPECT_EQ(TIniText("[s]\nk=" + longValue).ReadString("s", "k", ""), longValue.substr(0, 2047));
}

TEST(IniText, WritesAValueInPlaceAndNewKeysAtTheEndOfTheirSection) {
  const struct {
    std::string before, section, key, value, after;
  } rows[] = {
      {"", "Taro", "SleepTime", "100", "[Taro]\r\nSleepTime=100\r\n"},
      {"[taro]\r\n  sleeptime = 5 \r\nInfoCashID=x\r\n", "Taro", "SleepTime", "",
       "[taro]\r\nsleeptime=\r\nInfoCashID=x\r\n"},
      // the first section of the name; a comment and blank lines stay where they are
      {"[Taro]\r\nA=1\r\n; note\r\n\r\n[Hanako]\r\nA=2\r\n[Taro]\r\nB=3\r\n", "TARO", "b", "4",
       "[Taro]\r\nA=1\r\n; note\r\nb=4\r\n\r\n[Hanako]\r\nA=2\r\n[Taro]\r\nB=3\r\n"},
      {"[Taro]\nA=1", "Taro", "B", "\x8e\x52\x93\x63", "[Taro]\nA=1\r\nB=\x8e\x52\x93\x63\r\n"},
      {"[Taro]\r\nA=1\r\n", "Hanako", "A", "2", "[Taro]\r\nA=1\r\n[Hanako]\r\nA=2\r\n"},
      {"; only a comment", "Taro", "A", "1", "; only a comment\r\n[Taro]\r\nA=1\r\n"},
      {"[Taro]\r\n;A=1\r\nA=2\r\n", "Taro", "A", "3", "[Taro]\r\n;A=1\r\nA=3\r\n"},
  };
  for (const auto& r : rows) {
    TIniText ini(r.before);
    ini.WriteString(r.section, r.key, r.value);
    EXPECT_EQ(ini.Content(), r.after) << r.before;
    EXPECT_EQ(ini.ReadString(r.section, r.key, "<none>"), r.value) << r.before;
  }
  // A value never ends its line early: no section or key of its own.
  TIniText ini("[Taro]\r\nA=1\r\n");
  ini.WriteString("Taro", "InfoCashID", std::string("ic1\r\n[victim]\r\nB=1\0\rC\nD", 23));
  EXPECT_EQ(ini.Content(), "[Taro]\r\nA=1\r\nInfoCashID=ic1  [victim]  B=1  C D\r\n");
}
