// Large clipboard texts through the real program: a mail of tens of MiB
// opens its few links once and in order within a few copies of the text, and
// a text too large to analyse is reported in Japanese, counts as taken, and
// leaves the program ready for the next copy.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Harness.h"

using namespace harness;

namespace {

std::string Sjis(const std::wstring& text) {
  const int n =
      WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

const std::string kAd = "http://ad.netmile.co.jp/click.asp?ad=BIG";
const std::string kJump = "http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=BIG";

// A NetMile and Info-Cash mail of about size bytes: Japanese lines with full-width spaces, markup and
// half-width katakana, and at its start, middle and end one ad link and one cashback link.
std::string LargeMail(size_t size) {
  const std::string filler =
      Sjis(
          L"<b>\u25a0\u4eca\u9031\u306e\u304a\u3059\u3059\u3081</b>\u3000\u30de\u30a4\u30eb\u304c\u305f\u307e"
          L"\u308b\u304a\u5f97\u306a\u60c5\u5831\u3092\u304a\u5c4a\u3051\u3057\u307e\u3059\u3002\uff76\uff80"
          L"\uff76"
          L"\uff85 ") +
      "<font color=\"#ff0000\">12345</font>\r\n";
  auto links = [](int n) {
    const std::string i = std::to_string(n);
    return Sjis(L"\u3000") + kAd + i + "&m=M0012345\r\n" + Sjis(L"\u3010") + i + Sjis(L"\u3011") + kJump + i +
           Sjis(L"\u3000\uff08\u5148\u7740\u9806\uff09") + "\r\n";
  };
  std::string mail = "NetMile / info-cash.jp\r\n" + links(0);
  mail.reserve(size + 1024);
  const size_t half = size / 2;
  while (mail.size() < half) mail += filler;
  mail += links(1);
  while (mail.size() < size) mail += filler;
  mail += links(2);
  return mail;
}

SIZE_T PeakWorkingSet(const Process& program) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(program.Handle(), &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

size_t LargeTextBytes() {
  const char* mib = std::getenv("BRIVOLA_LARGE_TEXT_MIB");
  return (mib ? static_cast<size_t>(std::atoi(mib)) : 48) << 20;
}

// Every line's first link for NetMile (the cashback links too), then the cashback lines for Info-Cash.
const std::vector<std::string> kLargeMailUrls{
    kAd + "0&m=M0012345", kJump + "0", kAd + "1&m=M0012345", kJump + "1", kAd + "2&m=M0012345",
    kJump + "2",          kJump + "0", kJump + "1",          kJump + "2"};

// The program with every analyser on and no pause, and a viewer behind it.
struct LargeCopy {
  OrderedBrowser browser;
  ClipboardViewer viewer;
  ProgramCopy copy;
  HWND form = nullptr;
  std::unique_ptr<Process> program;

  explicit LargeCopy(const std::wstring& name, const char* exeEnv = "BRIVOLA_EXE") : copy(name, exeEnv) {
    WriteFileBytes(copy.IniPath(), "[" + UserName() +
                                       "]\r\nBrowseStockCode=1\r\nAutoBrowseNetMileAD=1\r\n"
                                       "AutoBrowseInfoCash=1\r\nInfoCashID=ic123456\r\nSleepTime=0\r\n");
    program = copy.Start(&form);
  }
  ~LargeCopy() {
    PostMessageW(form, WM_CLOSE, 0, 0);
    const auto code = program->Wait(30000);
    EXPECT_TRUE(code.has_value() && *code == 0u) << "did not end well";
  }
};

}  // namespace

TEST(LargeText, AMailOfTensOfMegabytesOpensItsFewLinksOnceAndInOrder) {
  const std::string mail = LargeMail(LargeTextBytes());
  LargeCopy large(L"large");
  ASSERT_NE(large.form, nullptr);
  const SIZE_T idle = PeakWorkingSet(*large.program);

  const long notices = large.viewer.Count();
  const ULONGLONG copied = GetTickCount64();
  PutClipboardText(mail);
  ASSERT_TRUE(large.viewer.WaitForCount(notices + 1, 120000)) << "the change was not passed on";
  ASSERT_TRUE(WaitUntil([&] { return large.browser.Urls().size() >= kLargeMailUrls.size(); }, 30000));
  EXPECT_EQ(large.browser.Urls(), kLargeMailUrls);
  EXPECT_EQ(FindProcessWindow(L"#32770", nullptr, large.program->Id()), nullptr) << "no message box";

  // The platform's copy of the text, LastClipText, and little else.
  const SIZE_T peak = PeakWorkingSet(*large.program);
  std::printf(
      "large text: %u MiB copied, analysed and its links opened in %llu ms, peak working set %u MiB"
      " (idle %u MiB)\n",
      static_cast<unsigned>(mail.size() >> 20), GetTickCount64() - copied, static_cast<unsigned>(peak >> 20),
      static_cast<unsigned>(idle >> 20));
  EXPECT_LE(peak - idle, mail.size() * 7 / 2)
      << "peak " << (peak >> 20) << " MiB for a text of " << (mail.size() >> 20) << " MiB";
}

// Beside a clipboard manager whose history already holds large copies, as a CopyQ running for hours does
// (ctest's win.LargeText_test.copyq: the harness starts CopyQ with such a history; skipped elsewhere). Wine
// holds the clipboard while CopyQ reads each copy through Wine's bridge to the X clipboard, for seconds with
// a text of 64 MiB: the program waits for it without a box, and opens the links.
TEST(LargeText, BesideAClipboardManagerWithLargeCopiesA64MiBCopyOpensItsLinksWithNoBox) {
  if (!std::getenv("BRIVOLA_COPYQ")) GTEST_SKIP() << "runs beside CopyQ: ctest -R win.LargeText_test.copyq";
  const std::string mail = LargeMail(64u << 20);
  LargeCopy large(L"large-copyq", "BRIVOLA_PROBE_EXE");
  ASSERT_NE(large.form, nullptr);
  const long notices = large.viewer.Count();
  const ULONGLONG copied = GetTickCount64();
  PutClipboardText(mail);
  ASSERT_TRUE(large.viewer.WaitForCount(notices + 1, 120000)) << "the change was not passed on";
  HWND box = nullptr;
  WaitUntil(
      [&] {
        box = FindProcessWindow(L"#32770", nullptr, large.program->Id());
        return box || large.browser.Urls().size() >= kLargeMailUrls.size();
      },
      120000);
  int held = 0;
  for (const std::string& line : ReadLines(large.copy.ProbeLog() + L".open")) {
    long long us = 0;
    int opened = 1;
    held += std::sscanf(line.c_str(), "%lld %d", &us, &opened) == 2 && !opened;
  }
  std::printf(
      "64 MiB beside CopyQ: %zu of %zu links in %llu ms; the program found the clipboard held %d times\n",
      large.browser.Urls().size(), kLargeMailUrls.size(), GetTickCount64() - copied, held);
  EXPECT_EQ(box ? PressBox(*large.program) : L"", L"") << "a message box";
  EXPECT_EQ(large.browser.Urls(), kLargeMailUrls);
}

TEST(LargeText, ATextTooLargeToAnalyseIsReportedOnceAndTheNextCopyIsAnalysed) {
  // The test build refuses allocations above 4 MiB: a 16 MiB text can't be held, as on a system short of
  // memory.
  const std::string mail = LargeMail(16u << 20);
  OrderedBrowser browser;
  ClipboardViewer viewer;
  ProgramCopy copy(L"too-large", "BRIVOLA_PROBE_EXE");
  WriteFileBytes(copy.IniPath(), "[" + UserName() + "]\r\nAutoBrowseNetMileAD=1\r\nSleepTime=0\r\n");
  HWND form = nullptr;
  auto program = copy.Start(&form, {L"BRIVOLA_PROBE_ALLOC_LIMIT=4194304"});
  ASSERT_NE(form, nullptr);

  long notices = viewer.Count();
  PutClipboardText(mail);
  EXPECT_EQ(
      PressBox(*program),
      L"\u30b3\u30d4\u30fc\u3055\u308c\u305f\u30c6\u30ad\u30b9\u30c8\u304c\u5927\u304d\u3059\u304e\u308b"
      L"\u305f\u3081\u3001\u89e3\u6790\u3067\u304d\u307e\u305b\u3093\u3067\u3057\u305f\u3002\r\n"
      L"\u3053\u306e\u30c6\u30ad\u30b9\u30c8\u304b\u3089\u306f\u30da\u30fc\u30b8\u3092\u958b\u304d\u307e"
      L"\u305b\u3093\u3002");
  ASSERT_TRUE(viewer.WaitForCount(notices + 1));

  // Copied again, the same text counts as taken: no second message, nothing opened.
  notices = viewer.Count();
  PutClipboardText(mail);
  ASSERT_TRUE(viewer.WaitForCount(notices + 1));
  // The next copy is analysed; by the time its links have opened, a message about the text before would be
  // up.
  const std::string ad = "http://ad.netmile.co.jp/click.asp?ad=";
  PutClipboardText(ReadFileBytes(EnvPath("BRIVOLA_TEST_DATA") + L"\\netmile_gold.txt"));
  ASSERT_TRUE(WaitUntil([&] { return browser.Urls().size() >= 2; }));
  EXPECT_EQ(browser.Urls(), (std::vector<std::string>{ad + "G2001&m=M0012345", ad + "G2002&m=M0012345"}));
  EXPECT_EQ(FindProcessWindow(L"#32770", nullptr, program->Id()), nullptr) << "a second message";

  // Still resident, answering, and its settings saved on exit.
  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer), 0);
  PostMessageW(form, WM_CLOSE, 0, 0);
  const auto code = program->Wait(30000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  EXPECT_NE(ReadFileBytes(copy.IniPath()).find("AutoBrowseNetMileAD=1"), std::string::npos);
}
