#include <gtest/gtest.h>

#include "Analysers.h"
#include "MailHost.h"

TEST(MailAnalysers, PauseSleepTimeAfterEveryOpenTheLastIncluded) {
  const struct {
    void (*analyser)(IAnalysisHost&, const std::string&);
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
