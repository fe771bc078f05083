#include "StockChart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dispatch.h"
#include "HalfWidth.h"

namespace {
// A clipboard holding one text, the chart lookup alone enabled, every open recorded.
struct ChartHost : IAnalysisHost {
  std::string clip;
  int site = 0;
  std::vector<std::string> opened;
  int sleeps = 0;
  bool BrowseStockCode() override { return true; }
  int StockSiteSelect() override { return site; }
  bool AutoBrowseNetMileAD() override { return false; }
  bool AutoBrowseInfoCash() override { return false; }
  int SleepTime() override { return 100; }
  std::string InfoCashID() override { return {}; }
  bool ClipboardHasText() override { return true; }
  std::string ReadClipboardText() override { return clip; }
  void OpenUrl(const std::string& target) override { opened.push_back(target); }
  void Sleep(int) override { ++sleeps; }
  std::string HalfWidth(const std::string& t) override { return HalfWidthPortable(t); }
};

std::vector<std::string> OpensFor(const std::string& clip, int site = 0) {
  ChartHost host;
  host.clip = clip;
  host.site = site;
  std::string last;
  ClipEventClipChange(host, last);
  EXPECT_EQ(host.sleeps, 0) << "a chart open is not followed by a pause";
  return host.opened;
}

const std::string kYahoo = "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=";
}  // namespace

TEST(BrowseStockChart, OpensTheChartOfAFourByteNumberAfterMappingAndTrimming) {
  const struct {
    std::string clip, code;  // code empty: nothing opens
  } rows[] = {
      {"7203", "7203"},
      {"\x82\x56\x82\x51\x82\x4f\x82\x52", "7203"},                  // full-width digits
      {"\x81\x40\x82\x56\x82\x51\x82\x4f\x82\x52\x81\x40", "7203"},  // with full-width spaces
      {"7203\r\n", "7203"},
      {" \t7203 ", "7203"},
      {"\x81\x7c\x82\x50\x82\x51\x82\x52", "-123"},  // full-width minus and digits
      {"-123", "-123"},
      {"$1aF", "$1aF"},
      {"0x1F", "0x1F"},
      {"0001", "0001"},
      {"72030", ""},
      {"720", ""},
      {"abcd", ""},
      {"12AB", ""},
      {"12 3", ""},
      {"", ""},
      {"7203\x83", ""},          // lone lead byte left at the end
      {"\x83\x4e\x83\x4e", ""},  // full-width katakana maps to half-width: two bytes
  };
  for (const auto& r : rows) {
    const auto opened = OpensFor(r.clip);
    if (r.code.empty())
      EXPECT_TRUE(opened.empty()) << r.clip;
    else
      EXPECT_EQ(opened, std::vector<std::string>{kYahoo + r.code}) << r.clip;
  }
}

TEST(BrowseStockChart, UsesTheSiteSelectedAtTheMomentAndNoneOutOfRange) {
  const char* const charts[] = {
      "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=7203",             // Yahoo! ファイナンス
      "http://money.www.infoseek.co.jp/MnStock/mn_schart.html?qt=7203",  // infoseek マネー
      "http://finance.livedoor.com/index?stock_id=7203",                 // livedoor ファイナンス
      "http://stocknavi.jiji.co.jp/cgi-bin/kobetsu.cgi?CODE_TEXT=7203",  // 時事ストックナビ
      "http://company.nikkei.co.jp/index.cfm?scode=7203",                // NIKKEI NET 株価サーチ
  };
  for (int site = 0; site < 5; ++site)
    EXPECT_EQ(OpensFor("7203", site), std::vector<std::string>{charts[site]}) << site;
  for (int site : {-1, 5, 100}) EXPECT_TRUE(OpensFor("7203", site).empty()) << site;
  for (auto prefix : ChartUrlPrefixes) {
    EXPECT_TRUE(prefix.starts_with("http://"));
    EXPECT_TRUE(prefix.ends_with("="));
  }
}

TEST(HalfWidthPortable, MapsTheFullWidthGroups) {
  const struct {
    std::string in, out;
  } rows[] = {
      {"\x82\x4f\x82\x50\x82\x51\x82\x52", "0123"},
      {"\x81\x7c\x82\x50\x82\x51\x82\x52", "-123"},
      {"\x81\x40", " "},
      {"\x81\x90\x81\x7b\x82\x60\x82\x9a\x81\x60", "$+Az~"},
      {"\xfa\x57\xee\xfc", "\"\""},  // both encodings of the full-width quotation mark
      {"\x83\x4a\x83\x4b\x83\x70\x81\x42\x81\x5b", "\xb6\xb6\xde\xca\xdf\xa1\xb0"},  // カガパ。ー
      {"\x83\x94", "\xb3\xde"},                                                      // ヴ
      {"abc\xb1\x82\xa0\x88\x9f", "abc\xb1\x82\xa0\x88\x9f"},  // ASCII, half-width kana, hiragana, kanji
      {"", ""},
      {"1\x82", "1\x82"},
      {std::string("\x82\x4f\0\x82\x50", 5), "0"},
  };
  for (const auto& r : rows) EXPECT_EQ(HalfWidthPortable(r.in), r.out) << r.in;
}
