// While a mail's links open with a pause between them, the program keeps answering: its windows, the tray
// menu, the settings dialog and the viewers behind it in the chain don't wait on the pauses, and an exit or
// a log-off midway ends the batch at once with the settings saved.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"
#include "TrayDriver.h"

using namespace harness;

namespace {

const std::string kAd = "http://ad.netmile.co.jp/click.asp?ad=";

std::vector<std::string> Links(int count) {
  std::vector<std::string> urls;
  for (int i = 1; i <= count; ++i) urls.push_back(kAd + "P" + std::to_string(i));
  return urls;
}

std::string Mail(const std::vector<std::string>& links) {
  std::string text = "NetMile News\r\n";
  for (const std::string& url : links) text += url + "\r\n";
  return text;
}

// The probe build with NetMile on and this pause, a viewer behind it and the stand-in browser.
struct Batch {
  explicit Batch(const wchar_t* name, int sleepTime) : run(name, "BRIVOLA_PROBE_EXE") {
    WriteFileBytes(run.copy.IniPath(), "[" + UserName() + "]\r\nAutoBrowseNetMileAD=1\r\nSleepTime=" +
                                           std::to_string(sleepTime) + "\r\n");
  }
  size_t Handed() const { return run.copy.ShellOpens().size(); }
  bool WaitForHanded(size_t count, DWORD timeoutMs = 15000) const {
    return WaitUntil([&] { return Handed() >= count; }, timeoutMs);
  }
  OrderedBrowser browser;
  ClipboardViewer behind;  // joined first: behind the program in the chain
  Running run;
};

}  // namespace

TEST(BatchPause, TheProgramAndTheChainAnswerDuringTheLinksPauses) {
  constexpr int kPause = 2000;
  Batch batch(L"pause-answers", kPause);
  ASSERT_TRUE(batch.run.Start());
  const std::vector<std::string> links = Links(5);
  const long heard = batch.behind.Count();
  batch.browser.Urls();
  batch.run.copy.OpenedUrls();  // what the browser had before
  PutClipboardText(Mail(links));
  ASSERT_TRUE(batch.behind.WaitForCount(heard + 1, 15000));
  EXPECT_LE(batch.Handed(), 1u) << "the viewer behind heard of the copy only after the first pause";

  // Midway: a sent message is answered, the tray menu opens and the dialog shows, each before the next link.
  ASSERT_TRUE(batch.WaitForHanded(1));
  size_t before = batch.Handed();
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutW(batch.run.form, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &answer));
  EXPECT_EQ(batch.Handed(), before) << "the message waited on a pause";

  ASSERT_TRUE(batch.WaitForHanded(2));
  before = batch.Handed();
  {
    OpenMenu menu(batch.run.tray, batch.run.program->Id());
    EXPECT_TRUE(menu) << "the tray menu opens during a pause";
    EXPECT_EQ(batch.Handed(), before) << "the menu waited on a pause";
    PostMessageW(menu.Window(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(menu.Closed());
  }

  ASSERT_TRUE(batch.WaitForHanded(3));
  before = batch.Handed();
  PostMessageW(batch.run.tray, kTrayNotify, 7, WM_MBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(batch.run.form) != FALSE; }));
  EXPECT_EQ(batch.Handed(), before) << "the dialog waited on a pause";

  // The same links, once each and in order, with the pause between them where the program hands them over.
  ASSERT_TRUE(WaitUntil([&] { return batch.browser.Urls().size() >= links.size(); }, 30000));
  EXPECT_EQ(batch.browser.Urls(), links);
  const auto opens = batch.run.copy.ShellOpens();
  ASSERT_EQ(opens.size(), links.size());
  for (size_t i = 1; i < opens.size(); ++i)
    EXPECT_GE(opens[i].us - opens[i - 1].us, kPause * 1000ull - 20000) << "pause before link " << i + 1;
}

// A copy made while a mail's links open with no pause between them, its clipboard held for a moment by a
// reader ahead in the chain (as a clipboard manager holds every copy): the viewer behind hears of it while
// the links still open, not once the last has, and its own links open after them.
TEST(BatchPause, ACopyHeldDuringALinksRunIsPassedOnBeforeItEnds) {
  Batch batch(L"pause-held", 0);
  ASSERT_TRUE(batch.run.Start());
  const std::wstring log = batch.run.copy.Dir() + L"\\reader.log";
  Process reader(L"\"" + EnvPath("WINTOOL_EXE") + L"\" chain \"" + log + L"\" --hold 100");
  ASSERT_TRUE(WaitUntil([&] { return !ReadLines(log).empty(); })) << "the reader did not join";
  const std::vector<std::string> links = Links(30);
  PutClipboardText(Mail(links));
  ASSERT_TRUE(batch.WaitForHanded(1));
  const long heard = batch.behind.Count();
  const std::vector<std::string> next{kAd + "Q1", kAd + "Q2"};
  PutClipboardText(Mail(next));
  ASSERT_TRUE(batch.behind.WaitForCount(heard + 1, 30000));
  EXPECT_LT(batch.Handed(), links.size()) << "the viewer behind heard of the copy only after the links";
  std::vector<std::string> all = links;
  all.insert(all.end(), next.begin(), next.end());
  ASSERT_TRUE(WaitUntil([&] { return batch.browser.Urls().size() >= all.size(); }, 60000));
  EXPECT_EQ(batch.browser.Urls(), all);
}

// An exit, a close message or a log-off midway ends the program at once, with the settings saved; the rest
// of the mail's links stay closed.
TEST(BatchPause, AnExitOrALogOffMidwayEndsTheBatchWithTheSettingsSaved) {
  const struct {
    const wchar_t* name;
    void (*end)(Running&);
  } rows[] = {
      {L"pause-close", [](Running& run) { PostMessageW(run.form, WM_CLOSE, 0, 0); }},
      {L"pause-exit", [](Running& run) { ClickCommand(run, kExit); }},
      {L"pause-logoff",
       [](Running& run) {
         DWORD_PTR answer = 0;
         EXPECT_TRUE(SendMessageTimeoutW(run.form, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 15000, &answer));
         EXPECT_NE(answer, 0u);
         EXPECT_TRUE(SendMessageTimeoutW(run.form, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 15000, &answer));
       }},
  };
  for (const auto& row : rows) {
    Batch batch(row.name, 3000);
    ASSERT_TRUE(batch.run.Start());
    // An Info-Cash ID typed in the dialog and not saved yet; closing the dialog only hides it.
    PostMessageW(batch.run.tray, kTrayNotify, 7, WM_MBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(batch.run.form) != FALSE; }));
    for (HWND edit : Descendants(batch.run.form, L"Edit"))
      if (WindowText(edit) != L"3000") SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"ic777"));
    PostMessageW(batch.run.form, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(batch.run.form); }));
    PutClipboardText(Mail(Links(7)));
    ASSERT_TRUE(batch.WaitForHanded(1));
    const size_t handed = batch.Handed();
    row.end(batch.run);
    const auto code = batch.run.program->Wait(15000);
    ASSERT_TRUE(code.has_value()) << row.name << ": still running";
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(batch.Handed(), handed) << row.name << ": links opened after the end";
    const std::string ini = ReadFileBytes(batch.run.copy.IniPath());
    EXPECT_NE(ini.find("InfoCashID=ic777"), std::string::npos) << row.name << ": settings not saved:\n"
                                                               << ini;
  }
}

// A link too long for the shell is not handed over; the mail's other links open and one box says what failed.
TEST(BatchPause, AnOverLongLinkIsNotHandedOverAndOneBoxSaysSo) {
  Batch batch(L"pause-long", 0);
  ASSERT_TRUE(batch.run.Start());
  const std::string longUrl = kAd + std::string(3000, 'x');
  const std::vector<std::string> links = Links(3);
  PutClipboardText(Mail({links[0], longUrl, links[1], links[2]}));
  HWND box = WaitForWindow(L"#32770", L"Brivola", batch.run.program->Id());
  ASSERT_NE(box, nullptr) << "no box about the failed open";
  wchar_t text[512] = {};
  WaitUntil([&] { return GetDlgItemTextW(box, 0xFFFF, text, 512) > 0; });
  EXPECT_EQ(std::wstring(text).rfind(L"4 件のページのうち 1 件を開くことができませんでした。", 0), 0u)
      << WindowText(box);
  ASSERT_TRUE(WaitUntil([&] { return batch.browser.Urls().size() >= links.size(); }));
  EXPECT_EQ(batch.browser.Urls(), links);
  for (const auto& open : batch.run.copy.ShellOpens()) EXPECT_LT(open.target.size(), 2084u);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));

  // No program for URLs: the shell shows nothing of its own, and the box gives its reason.
  batch.browser.Break();
  PutClipboardText(Mail(Links(2)));
  box = WaitForWindow(L"#32770", L"Brivola", batch.run.program->Id());
  ASSERT_NE(box, nullptr) << "no box about the failed opens";
  WaitUntil([&] { return GetDlgItemTextW(box, 0xFFFF, text, 512) > 0; });
  const std::wstring said = text;
  EXPECT_EQ(said.rfind(L"2 件のページのうち 2 件を開くことができませんでした。\r\n\r\n理由: ", 0), 0u)
      << WindowText(box);
  EXPECT_NE(said.find(L"(エラー "), std::wstring::npos) << WindowText(box);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}
