#include <gtest/gtest.h>

#include "Analysers.h"
#include "Dispatch.h"
#include "MailHost.h"
#include "StockChart.h"

TEST(MailAnalysers, PauseSleepTimeAfterEveryOpenTheLastIncluded) {
  const struct {
    void (*analyser)(IAnalysisHost&, std::string_view);
    const char* mail;
    std::size_t opens;
  } mails[] = {
      {BrowseNetMileAD, "netmile_magazine.txt", 8},
      {BrowseInfoCash, "infocash_plain.txt", 3},
  };
  const struct {
    int sleepTime;
    int step;                                            // fake milliseconds between two opens
  } pauses[] = {{250, 250}, {1, 1}, {0, 0}, {-100, 0}};  // a negative pause is no pause
  for (const auto& mail : mails) {
    for (const auto& pause : pauses) {
      MailHost host;
      host.id = "ic123456";
      host.sleepTime = pause.sleepTime;
      mail.analyser(host, ReadMail(mail.mail));
      ASSERT_EQ(host.opens.size(), mail.opens) << mail.mail;
      for (std::size_t i = 0; i < host.opens.size(); ++i)
        EXPECT_EQ(host.opens[i].at, static_cast<long long>(i) * pause.step) << mail.mail << " open " << i;
      EXPECT_EQ(host.clock, static_cast<long long>(mail.opens) * pause.step) << mail.mail;
      EXPECT_EQ(host.sleeps, pause.step > 0 ? static_cast<int>(mail.opens) : 0) << mail.mail;
    }
  }
}

TEST(MailAnalysers, SkippedLinksCostNoPause) {
  MailHost host;
  host.sleepTime = 100;
  BrowseNetMileAD(host, "NetMile\r\nhttp://www.netmile.co.jp/\r\nhttp://member.netmile.co.jp/member/\r\n");
  BrowseInfoCash(host, "info-cash.jp\r\nhttp://www.info-cash.jp/clickweb/icjmp.asp?id=other\r\n");
  EXPECT_TRUE(host.opens.empty());
  EXPECT_EQ(host.clock, 0);
}

TEST(MailAnalysers, RunAfterTheChartOnTheTextTheirChangeTook) {
  const std::string chart = "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=7203";
  {
    // Four digits with everything enabled: only the chart opens, and a chart open is not followed by a pause.
    MailHost host;
    host.stock = host.netmile = host.infocash = true;
    host.id = "ic123456";
    host.sleepTime = 100;
    host.clip = {"7203"};
    std::string last;
    ClipEventClipChange(host, last);
    EXPECT_EQ(host.Urls(), std::vector<std::string>{chart});
    EXPECT_EQ(host.clock, 0);
  }
  {
    // The clipboard changes between the reads of one change: the step whose read finds another text ends
    // the change, and the new text's own change runs every analyser on it.
    MailHost host;
    host.stock = host.netmile = host.infocash = true;
    host.id = "ic123456";
    host.sleepTime = 10;
    const std::string gold = ReadMail("netmile_gold.txt");
    host.clip = {"7203", "7203", "7203", gold};
    std::string last;
    ClipEventClipChange(host, last);
    EXPECT_EQ(host.Urls(), std::vector<std::string>{chart});
    EXPECT_EQ(last, "7203");
    ClipEventClipChange(host, last);
    const std::string ad = "http://ad.netmile.co.jp/click.asp?ad=";
    const std::vector<std::string> expected = {chart, ad + "G2001&m=M0012345", ad + "G2002&m=M0012345"};
    EXPECT_EQ(host.Urls(), expected);
    ASSERT_EQ(host.opens.size(), 3u);
    const long long at[] = {0, 0, 10};
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(host.opens[i].at, at[i]) << i;
    EXPECT_EQ(host.clock, 20);
  }
}
