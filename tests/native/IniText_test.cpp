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
