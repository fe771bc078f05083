// Copies made while an earlier mail's links are still opening: every copied
// mail's links open exactly once, in the order of the copies, none lost.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"
#include "SampleMails.h"

using namespace harness;

namespace {

// Copies each mail as soon as the program has handed the previous one's first link to the shell, so that it
// lands while that mail's links are still opening, SleepTime 700 ms apart; and checks that it did.
void CopyOverlapping(const std::vector<const SampleMail*>& mails) {
  OrderedBrowser browser;
  ClipboardViewer viewer;  // behind the program: a notice here means the program has handled that change
  ProgramCopy copy(L"overlap", "BRIVOLA_PROBE_EXE");
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
  for (size_t m = 0; m < mails.size(); ++m) {
    const size_t first = expected.size();
    PutClipboardText(ReadFileBytes(data + L"\\" + mails[m]->file));
    // The shell's record is written once each open has returned: fewer of the previous mail's opens than
    // it has links means the copy came while they were still being opened.
    if (m > 0) {
      EXPECT_LT(copy.ShellOpens().size(), first)
          << "mail " << m << " was copied after the previous one's links";
    }
    expected.insert(expected.end(), mails[m]->urls.begin(), mails[m]->urls.end());
    ASSERT_TRUE(WaitUntil([&] { return copy.ShellOpens().size() > first; }, 30000))
        << "nothing of the mail opened; " << WhereLost(expected, copy, browser);
  }
  ASSERT_TRUE(viewer.WaitForCount(notices + static_cast<long>(mails.size()), 60000))
      << "changes not passed on";
  // The chain hears of each copy at once; the links go on opening after it.
  ASSERT_TRUE(WaitUntil([&] { return browser.Urls().size() >= expected.size(); }, 60000))
      << WhereLost(expected, copy, browser);
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

// A copy that would open more than 30 pages asks first, once it has passed the change on: No opens none, Yes
// opens them all in order, and a copy made while the question is open is analysed after it.
TEST(OverlappingCopies, ACopyOfManyLinksAsksFirstAndCopiesMeanwhileFollow) {
  OrderedBrowser browser;
  ClipboardViewer viewer;  // behind the program
  ProgramCopy copy(L"many-links");
  WriteFileBytes(copy.IniPath(),
                 "[" + UserName() + "]\r\nBrowseStockCode=1\r\nAutoBrowseNetMileAD=1\r\nSleepTime=0\r\n");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  const auto links = [](int mail) {
    std::vector<std::string> urls;
    for (int i = 0; i < 40; ++i) urls.push_back(kNetMileAd + std::to_string(mail) + "-" + std::to_string(i));
    return urls;
  };
  const auto ask = [&](int mail) -> HWND {
    std::string text = "NetMile\r\n";
    for (const std::string& url : links(mail)) text += url + "\r\n";
    const long notices = viewer.Count();
    PutClipboardText(text);
    HWND box = WaitForWindow(L"#32770", L"Brivola", program->Id());
    EXPECT_EQ(viewer.Count(), notices + 1) << "asked before the change went on";
    wchar_t question[256] = {};
    WaitUntil([&] { return GetDlgItemTextW(box, 0xFFFF, question, 256) > 0; });
    EXPECT_STREQ(question, L"このテキストから 40 件のページを開きます。開いてもよろしいですか？");
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    // The box takes the focus once it has its text.
    WaitUntil(
        [&] { return GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &gui) && gui.hwndFocus; });
    EXPECT_EQ(gui.hwndFocus, GetDlgItem(box, IDNO)) << "No is the default";
    EXPECT_EQ(GetWindowLongW(GetDlgItem(box, IDNO), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON)
        << "No is the default";
    return box;
  };
  const std::string chart = "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=";

  HWND box = ask(1);
  ASSERT_NE(box, nullptr);
  PostMessageW(box, WM_COMMAND, IDNO, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  PutClipboardText("1301");  // known to be handled once its chart opens
  ASSERT_TRUE(WaitUntil([&] { return !browser.Urls().empty(); }));
  EXPECT_EQ(browser.Urls(), std::vector<std::string>{chart + "1301"}) << "No opened something";

  box = ask(2);
  ASSERT_NE(box, nullptr);
  const long notices = viewer.Count();
  PutClipboardText("1332");
  ASSERT_TRUE(viewer.WaitForCount(notices + 1)) << "a copy made while the box is open is passed on";
  PostMessageW(box, WM_COMMAND, IDYES, 0);
  std::vector<std::string> expected{chart + "1301"};
  for (const std::string& url : links(2)) expected.push_back(url);
  expected.push_back(chart + "1332");
  ASSERT_TRUE(WaitUntil([&] { return browser.Urls().size() >= expected.size(); }, 60000))
      << browser.Urls().size() << " URLs: " << WhereLost(expected, copy, browser);
  EXPECT_EQ(browser.Urls(), expected);
}
