// The real program among other clipboard programs, under Wine: viewers ahead
// of it that swallow the notification, die in the chain, join and leave, hang,
// take their time, or hold the clipboard on each change. Every copy opens its
// chart once, in order, before the next copy is made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"

using namespace harness;

namespace {
std::wstring Tool() { return L"\"" + EnvPath("WINTOOL_EXE") + L"\""; }

const std::string kChart = "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=";

long long UnixNowMs() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<long long>((ticks - 116444736000000000ull) / 10000);
}

// A copy of the program with the chart lookup on, and what it is expected to have opened.
struct ChartProgram {
  explicit ChartProgram(const wchar_t* name) : copy(name) {
    WriteFileBytes(copy.IniPath(), "[" + UserName() + "]\r\nBrowseStockCode=1\r\n");
  }
  void Start() {
    program = copy.Start(&form);
    ASSERT_NE(form, nullptr);
  }

  // Copies a code and waits for its chart's open. The time it took is recorded (ms-CODE), not judged: a
  // loaded machine may take longer.
  bool Copy(const std::string& code) {
    const long long copied = UnixNowMs();
    PutClipboardText(code);
    expected.push_back(kChart + code);
    if (!WaitUntil([&] { return copy.OpenedUrls().size() >= expected.size(); })) return false;
    ::testing::Test::RecordProperty("ms-" + code,
                                    std::to_string(copy.OpenedUrls()[expected.size() - 1].ms - copied));
    return true;
  }

  std::vector<std::string> Opened() const {
    std::vector<std::string> urls;
    for (const auto& u : copy.OpenedUrls()) urls.push_back(u.url);
    return urls;
  }

  ProgramCopy copy;
  HWND form = nullptr;
  std::unique_ptr<Process> program;
  std::vector<std::string> expected;
};

// A viewer of wintool's, joined (so ahead of everyone already in the chain) before this returns.
struct ChainViewer {
  ChainViewer(const ProgramCopy& copy, const std::wstring& name, const std::wstring& mode)
      : log(copy.Dir() + L"\\" + name + L".log"), process(Tool() + L" chain \"" + log + L"\"" + mode) {
    EXPECT_TRUE(WaitUntil([&] { return !ReadLines(log).empty(); })) << "viewer did not join";
    window = FindProcessWindow(L"BrivolaTestChainViewer", nullptr, process.Id());
  }
  // The tick of the last line that begins with what ("done", "passed"); 0 when none.
  unsigned long long Tick(const std::string& what) const {
    unsigned long long tick = 0;
    for (const auto& line : ReadLines(log))
      if (line.rfind(what + " ", 0) == 0) tick = std::stoull(line.substr(what.size() + 1));
    return tick;
  }
  void Leave() {
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(process.Wait().has_value());
  }

  std::wstring log;
  Process process;
  HWND window = nullptr;
};
}  // namespace

TEST(ViewerChain, EveryCopyOpensOnceWhateverTheViewersAheadDo) {
  ClipboardViewer behind;  // joined first: behind the program
  ChartProgram p(L"cutoff");
  p.Start();
  const long base = behind.Count();
  long n = 0;
  for (const char* code : {"1301", "1332", "1376"}) {
    ASSERT_TRUE(p.Copy(code)) << code;
    ASSERT_TRUE(behind.WaitForCount(base + ++n));
  }
  EXPECT_EQ(behind.Count(), base + n) << "the viewer behind hears of each change once";

  {
    ChainViewer swallower(p.copy, L"swallow", L" --swallow");
    ASSERT_TRUE(p.Copy("1333")) << "a copy after a swallowing viewer joined ahead never opened";
    for (const char* code : {"1334", "1605", "1721"}) ASSERT_TRUE(p.Copy(code)) << code;
    swallower.process.Kill();  // gone without leaving the chain
    for (const char* code : {"1801", "1802"}) ASSERT_TRUE(p.Copy(code)) << code;
  }
  {
    // Killed while first in the chain, before any change reached it.
    ChainViewer dead(p.copy, L"dead", L" --swallow");
    dead.process.Kill();
    ASSERT_TRUE(p.Copy("1803")) << "a copy after the viewer ahead died in the chain never opened";
    ASSERT_TRUE(p.Copy("1808"));
  }
  {
    ChainViewer polite(p.copy, L"polite", L"");
    ASSERT_TRUE(p.Copy("1810"));
    polite.Leave();
    ASSERT_TRUE(p.Copy("1811"));
  }
  EXPECT_EQ(p.Opened(), p.expected);
  PostMessageW(p.form, WM_CLOSE, 0, 0);
  EXPECT_TRUE(p.program->Wait().has_value());
}

TEST(ViewerChain, SlowViewersAreWaitedForAndHungOnesHoldNothingUp) {
  {
    ChartProgram p(L"slow-hung-ahead");
    ChainViewer slow(p.copy, L"slow", L" --slow 1500");
    p.Start();  // ahead of the slow viewer
    ChainViewer ahead(p.copy, L"ahead", L"");
    ASSERT_TRUE(p.Copy("2001"));
    ASSERT_TRUE(WaitUntil([&] { return ahead.Tick("passed") != 0; }));
    EXPECT_GE(ahead.Tick("passed"), slow.Tick("done")) << "the program gave up on a viewer that answers";

    ChainViewer hung(p.copy, L"hung", L" --hang");
    ASSERT_TRUE(WaitUntil([&] { return IsHungAppWindow(hung.window) != FALSE; }, 20000));
    for (const char* code : {"2002", "2003"})
      ASSERT_TRUE(p.Copy(code)) << code << ": held up by the hung viewer ahead";
    EXPECT_EQ(p.Opened(), p.expected);
    PostMessageW(p.form, WM_CLOSE, 0, 0);
    const auto code = p.program->Wait(10000);
    ASSERT_TRUE(code.has_value()) << "leaving the chain waited for the hung viewer";
    EXPECT_EQ(*code, 0u);
  }
  {
    ChartProgram p(L"hung-behind");
    ChainViewer hung(p.copy, L"hung", L" --hang");
    p.Start();
    ASSERT_TRUE(WaitUntil([&] { return IsHungAppWindow(hung.window) != FALSE; }, 20000));
    for (const char* code : {"2004", "2005", "2006"})
      ASSERT_TRUE(p.Copy(code)) << code << ": held up by the hung viewer behind";
    EXPECT_EQ(p.Opened(), p.expected);
    // Nested inside a wait for the hung viewer, the program would take no posted message.
    PostMessageW(p.form, WM_CLOSE, 0, 0);
    EXPECT_TRUE(p.program->Wait(10000).has_value()) << "the forward waited for the hung viewer";
  }
}

TEST(ViewerChain, AReaderAheadThatHoldsTheClipboardDelaysNothing) {
  ClipboardViewer behind;
  ChartProgram p(L"held");
  p.Start();
  ChainViewer reader(p.copy, L"reader", L" --hold 300");
  const long base = behind.Count();
  long n = 0;
  for (const char* code : {"3001", "3002", "3003"}) {
    ASSERT_TRUE(p.Copy(code)) << code << " never opened";
    EXPECT_EQ(FindProcessWindow(L"#32770", nullptr, p.program->Id()), nullptr) << code << ": a box came up";
    ASSERT_TRUE(behind.WaitForCount(base + ++n)) << code << ": the viewer behind never heard of it";
  }
  EXPECT_EQ(p.Opened(), p.expected);
  EXPECT_EQ(behind.Count(), base + 3);
}

// A viewer ahead that hands each change on with a plain SendMessage waits for the program's answer; it gets
// it before the first page opens, not after every pause, and the pages still open once, in order.
TEST(ViewerChain, AViewerAheadGetsItsAnswerBeforeThePagesOpen) {
  ProgramCopy copy(L"answer-first", "BRIVOLA_PROBE_EXE");
  WriteFileBytes(copy.IniPath(), "[" + UserName() + "]\r\nAutoBrowseNetMileAD=1\r\nSleepTime=2000\r\n");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  ChainViewer ahead(copy, L"ahead", L"");
  const std::vector<std::string> links{"http://ad.example.jp/1", "http://ad.example.jp/2"};
  PutClipboardText("NetMile\r\n" + links[0] + "\r\n" + links[1] + "\r\n");
  ASSERT_TRUE(WaitUntil([&] { return ahead.Tick("passed") != 0 || copy.ShellOpens().size() >= 2; }));
  EXPECT_NE(ahead.Tick("passed"), 0u) << "the viewer ahead waited out the pauses";
  EXPECT_LT(copy.ShellOpens().size(), 2u);
  ASSERT_TRUE(WaitUntil([&] { return copy.OpenedUrls().size() >= 2; }, 30000));
  std::vector<std::string> opened;
  for (const auto& u : copy.OpenedUrls()) opened.push_back(u.url);
  EXPECT_EQ(opened, links);
}
