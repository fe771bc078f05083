// Copies made while an earlier mail's links are still opening: every copied
// mail's links open exactly once, in the order of the copies, none lost.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"

using namespace harness;

namespace {

const std::string kAd = "http://ad.netmile.co.jp/click.asp?ad=";
const std::string kJump = "http://www.info-cash.jp/clickweb/icjmp.asp?";

struct Mail {
  const wchar_t* file;
  std::vector<std::string> urls;  // what the mail opens, by the rules, read off the sample by hand
};
const Mail kMagazine{
    L"netmile_magazine.txt",
    {kAd + "A1001&m=M0012345", kAd + "A1002&m=M0012345", kAd + "A1003&m=M0012345", kAd + "A1004&m=M0012345",
     kAd + "A1007&m=M0012345", "http://www.netmile.co.jp/?mm=20261208",
     "http://member.netmile.co.jp/member/mypage.asp", "http://www.netmile.co.jp/help/"}};
const Mail kGold{L"netmile_gold.txt", {kAd + "G2001&m=M0012345", kAd + "G2002&m=M0012345"}};
const Mail kHtml{
    L"infocash_html.txt",
    {kJump + "id=ic123456&ad=2002", kJump + "id=ic123456&ad=2004&gt;", kJump + "id=ic123456&amp;ad=2007"}};
const Mail kPlain{L"infocash_plain.txt",
                  {kJump + "id=ic123456&ad=1001", kJump + "id=ic123456&ad=1003", kJump + "ad=1004"}};

// Copies each mail as soon as the previous one's first link has opened, so that
// it lands while that mail's links are still opening, SleepTime 700 ms apart.
void CopyOverlapping(const std::vector<const Mail*>& mails) {
  OrderedBrowser browser;
  ClipboardViewer viewer;  // behind the program: a notice here means the program has handled that change
  ProgramCopy copy(L"overlap");
  WriteFileBytes(copy.IniPath(),
                 "[" + UserName() +
                     "]\r\nSetupFormTop=9\r\nBrowseStockCode=1\r\n"
                     "AutoBrowseNetMileAD=1\r\nAutoBrowseInfoCash=1\r\nInfoCashID=ic123456\r\n"
                     "SleepTime=700\r\n");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);

  // A first change known to be handled: the chart of a code.
  std::vector<std::string> expected{"http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=1301"};
  long notices = viewer.Count();
  PutClipboardText("1301");
  ASSERT_TRUE(viewer.WaitForCount(notices + 1, 15000));
  ASSERT_TRUE(WaitUntil([&] { return browser.Urls().size() == 1; }));
  notices = viewer.Count();

  const std::wstring data = EnvPath("BRIVOLA_TEST_DATA");
  for (const Mail* mail : mails) {
    const size_t first = expected.size();
    PutClipboardText(ReadFileBytes(data + L"\\" + mail->file));
    expected.insert(expected.end(), mail->urls.begin(), mail->urls.end());
    ASSERT_TRUE(WaitUntil([&] { return browser.Urls().size() > first; }, 30000))
        << "nothing of the mail opened; " << browser.Urls().size() << " URLs";
  }
  ASSERT_TRUE(viewer.WaitForCount(notices + static_cast<long>(mails.size()), 60000))
      << "changes not passed on";
  EXPECT_EQ(browser.Urls(), expected);
  EXPECT_TRUE(program->Running());
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program->Wait(15000).has_value());
}

}  // namespace

TEST(OverlappingCopies, AnInfoCashMailCopiedWhileNetMileLinksOpen) { CopyOverlapping({&kMagazine, &kHtml}); }

TEST(OverlappingCopies, ANetMileMailCopiedDuringTheInfoCashPauses) { CopyOverlapping({&kPlain, &kMagazine}); }

TEST(OverlappingCopies, ThreeMailsEachCopiedWhileThePreviousOneOpens) {
  CopyOverlapping({&kMagazine, &kHtml, &kGold});
}
