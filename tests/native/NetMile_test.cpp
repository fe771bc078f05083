#include "NetMile.h"

#include <gtest/gtest.h>

#include "Analysers.h"
#include "MailHost.h"

namespace {
using Urls = std::vector<std::string>;

Urls NetMileOpens(const std::string& text) {
  MailHost host;
  BrowseNetMileAD(host, text);
  return host.Urls();
}

const std::string kAd = "http://ad.netmile.co.jp/click.asp?ad=";
const std::string kFullWidthSpace = "\x81\x40";
}  // namespace

TEST(BrowseNetMileAD, OpensTheAdLinksOfSampleMailsInOrder) {
  const struct {
    const char* mail;
    Urls expected;
  } rows[] = {
      {"netmile_magazine.txt",
       {
           kAd + "A1001&m=M0012345",
           kAd + "A1002&m=M0012345",  // ends before the Japanese text once the full-width space is gone
           kAd + "A1003&m=M0012345",  // two full-width spaces inside the link removed
           kAd + "A1004&m=M0012345",  // the first of two links on the line
           kAd + "A1007&m=M0012345",  // found behind the text in front of it
           "http://www.netmile.co.jp/?mm=20261208",
           "http://member.netmile.co.jp/member/mypage.asp",
           "http://www.netmile.co.jp/help/",
       }},
      // The second footer heading stops at once: its own link and those below stay closed.
      {"netmile_gold.txt", {kAd + "G2001&m=M0012345", kAd + "G2002&m=M0012345"}},
      // Not a NetMile mail at all.
      {"infocash_plain.txt", {}},
  };
  for (const auto& row : rows) EXPECT_EQ(NetMileOpens(ReadMail(row.mail)), row.expected) << row.mail;
}

TEST(BrowseNetMileAD, StartsOnTheTriggerWordInAnyLetterCase) {
  const std::string link = "\r\nhttp://ad.example.jp/x\r\n";
  const struct {
    std::string head;
    bool opens;
  } rows[] = {
      {"NetMile News", true},
      {"NETMILE", true},
      {"from netmile.co.jp", true},
      {"\x83\x4eNETMILE", true},                                            // クNETMILE
      {"\x82\x6d\x82\x85\x82\x94\x82\x6c\x82\x89\x82\x8c\x82\x85", false},  // ＮｅｔＭｉｌｅ
      {"\x83\x6c\x83\x62\x83\x67\x83\x7d\x83\x43\x83\x8b", false},          // ネットマイル
      {"Net Mile", false},
      {"\x83NetMile", false},     // the N is the second byte of a character
      {"\x83\x83NetMile", true},  // a whole character before it
  };
  for (const auto& row : rows)
    EXPECT_EQ(NetMileOpens(row.head + link).size(), row.opens ? 1u : 0u) << row.head;
  EXPECT_TRUE(NetMileOpens("").empty());
}

TEST(BrowseNetMileAD, TakesOneUrlPerLineAndSkipsOnlyTheExactServicePages) {
  const struct {
    std::string line;
    Urls expected;
  } rows[] = {
      {"http://www.netmile.co.jp/", {}},
      {"http://member.netmile.co.jp/member/", {}},
      {"  http://www.netmile.co.jp/  \t", {}},                     // blanks trimmed, then equal
      {"http://www.netmile.co.jp/\x81\x42", {}},                   // ends before the full stop 。
      {"http://www.netmile.co.jp/" + kFullWidthSpace, {}},         // full-width space removed
      {"http://www.netmile.co.jp", {"http://www.netmile.co.jp"}},  // not the same text
      {"http://www.netmile.co.jp/index.html", {"http://www.netmile.co.jp/index.html"}},
      {"http://member.netmile.co.jp/member/?p=1", {"http://member.netmile.co.jp/member/?p=1"}},
      {"http://member.netmile.co.jp/member", {"http://member.netmile.co.jp/member"}},
      {"HTTP://WWW.NETMILE.CO.JP/X", {}},  // only the lower-case scheme counts
      {"https://www.netmile.co.jp/x", {}},
      {"<http://a.example/x>, \"http://b.example/\"", {"http://a.example/x"}},
      {"http://a.example/(x),y. http://b.example/", {"http://a.example/(x),y."}},
      {"http://a" + kFullWidthSpace + ".example/" + kFullWidthSpace + "b", {"http://a.example/b"}},
      // A byte pair that only looks like a full-width space (メ then @) is no space and stays.
      {"http://a.example/\x83\x81\x40x", {"http://a.example/"}},
      // The "h" here is the second byte of the double-byte ド: no link starts there.
      {"\x83http://a.example/ http://b.example/", {"http://b.example/"}},
      {"\x83\x68ttp://a.example/", {}},
      // Spaces inside the scheme, after spaces that stand before the link, after the link's end.
      {"ht" + kFullWidthSpace + "tp:" + kFullWidthSpace + "//a.example/x", {"http://a.example/x"}},
      {"x:" + kFullWidthSpace + "\x83\x68" + kFullWidthSpace + "ttp://a.example/ http://b.example/",
       {"http://b.example/"}},
      {kFullWidthSpace + kFullWidthSpace + "http://a.example/1 " + kFullWidthSpace + "x",
       {"http://a.example/1"}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(NetMileOpens("NetMile\r\n" + row.line + "\r\n"), row.expected) << row.line;
}

TEST(BrowseNetMileAD, EndsAtTheFirstLineHoldingAStopMarker) {
  const std::string before = "http://a.example/1", after = "http://a.example/2";
  for (const auto marker : NetMileStopMarkers) {
    const std::string m(marker);
    const std::string lines[] = {
        m,
        m + " " + after,                                        // the marker line's own link stays closed
        kFullWidthSpace + "\x88\xc8\x89\xba" + m + "\x81\x42",  // 　以下<marker>。
        "\x81\xa1" + kFullWidthSpace + m.substr(2),             // a full-width space inside is removed first
    };
    for (const auto& line : lines)
      EXPECT_EQ(NetMileOpens("NetMile\r\n" + before + "\r\n" + line + "\r\n" + after + "\r\n"), Urls{before})
          << line;
  }
  // Only the whole heading stops: its first half is ordinary text.
  const std::string half(NetMileStopMarkers[0].substr(0, 20));
  EXPECT_EQ(NetMileOpens("NetMile\n" + half + "\n" + after), Urls{after});
}

TEST(BrowseNetMileAD, BreaksOfEveryKindSeparateLines) {
  EXPECT_EQ(NetMileOpens("netmile\rhttp://a.example/1\nhttp://a.example/2\r\nhttp://a.example/3"),
            (Urls{"http://a.example/1", "http://a.example/2", "http://a.example/3"}));
  EXPECT_EQ(NetMileOpens("netmile http://a.example/1 http://a.example/2"), Urls{"http://a.example/1"});
}

TEST(BrowseNetMileAD, StaysLinearOnAMailOfManyLines) {
  // Hundreds of thousands of lines, each link broken by a full-width space; a per-line copy of the rest of
  // the mail or a quadratic removal of the spaces would not finish in the test's time.
  constexpr int kLinks = 200000;
  std::string mail = "NetMile News\r\n";
  for (int i = 0; i < kLinks; ++i)
    mail += kFullWidthSpace + "\x81\xa1\x8d\x4c\x8d\x90 http://ad.net" + kFullWidthSpace +
            "mile.co.jp/click.asp?ad=" + std::to_string(i) + "\r\n\r\n";  // 　■広告 http://...
  const Urls urls = NetMileOpens(mail);
  ASSERT_EQ(urls.size(), static_cast<std::size_t>(kLinks));
  EXPECT_EQ(urls.front(), kAd + "0");
  EXPECT_EQ(urls.back(), kAd + std::to_string(kLinks - 1));
}
