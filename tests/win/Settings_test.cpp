// The settings end to end with the real program: when the settings file is
// read and written, what it holds, what happens when it can't be written, and
// what the chart site chosen in the dialog opens.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "Harness.h"
#include "SampleMails.h"
#include "TrayDriver.h"

using namespace harness;

namespace {

std::string Read(const ProgramCopy& copy, const std::string& key) {
  char buf[4096] = {};
  const std::wstring wide = copy.IniPath();
  const std::string path(wide.begin(), wide.end());
  GetPrivateProfileStringA(UserName().c_str(), key.c_str(), "<none>", buf, sizeof buf, path.c_str());
  return buf;
}

std::vector<std::string> Keys(const ProgramCopy& copy) {
  std::vector<char> buf(32768);
  const std::wstring wide = copy.IniPath();
  const std::string path(wide.begin(), wide.end());
  const DWORD n = GetPrivateProfileStringA(UserName().c_str(), nullptr, "", buf.data(),
                                           static_cast<DWORD>(buf.size()), path.c_str());
  std::vector<std::string> keys;
  for (const char* p = buf.data(); p < buf.data() + n && *p; p += strlen(p) + 1) keys.emplace_back(p);
  return keys;
}

void WriteSettings(const ProgramCopy& copy, const std::string& lines) {
  WriteFileBytes(copy.IniPath(), "[" + UserName() + "]\r\n" + lines);
}

RECT WindowRect(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return r;
}

const std::vector<std::string> kStoredKeys{"SetupFormTop",       "SetupFormLeft", "BrowseStockCode",
                                           "StockSiteSelect",    "SleepTime",     "AutoBrowseNetMileAD",
                                           "AutoBrowseInfoCash", "InfoCashID"};

}  // namespace

TEST(Settings, NothingIsWrittenUntilACloseMessageSavesTheTable) {
  ClipboardViewer behind;  // joined first: a notice here means the program has handled the change
  ProgramCopy copy(L"settings-first");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  RECT r = WindowRect(form);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  const long notices = behind.Count();
  PutClipboardText("7203");  // activity of any kind writes nothing
  ASSERT_TRUE(behind.WaitForCount(notices + 1)) << "the change was not passed on";
  EXPECT_FALSE(FileExists(copy.IniPath()));

  PostMessageW(form, WM_CLOSE, 0, 0);  // a close message from another program
  ASSERT_TRUE(program->Wait().has_value());
  ASSERT_TRUE(FileExists(copy.IniPath()));
  EXPECT_EQ(Keys(copy), kStoredKeys);
  const std::vector<std::pair<std::string, std::string>> values{
      {"SetupFormTop", "0"},       {"SetupFormLeft", "0"}, {"BrowseStockCode", "0"},
      {"StockSiteSelect", "0"},    {"SleepTime", "100"},   {"AutoBrowseNetMileAD", "0"},
      {"AutoBrowseInfoCash", "0"}, {"InfoCashID", ""}};
  for (const auto& [key, value] : values) EXPECT_EQ(Read(copy, key), value) << key;
}

TEST(Settings, StoredValuesAreReadBackAtStart) {
  ProgramCopy copy(L"settings-readback");
  const std::string longId(3000, 'i');
  WriteSettings(copy,
                "SetupFormTop=0x20\r\nSetupFormLeft=40\r\nStockSiteSelect=9\r\nBrowseStockCode=0x1\r\n"
                "SleepTime=123456\r\nInfoCashID=" +
                    longId + "\r\n");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  // The window exists before the settings are loaded into it.
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(form).top == 32 && WindowRect(form).left == 40; }));
  PostMessageW(form, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program->Wait().has_value());
  EXPECT_EQ(Read(copy, "SetupFormTop"), "32");
  EXPECT_EQ(Read(copy, "StockSiteSelect"), "4");
  EXPECT_EQ(Read(copy, "BrowseStockCode"), "1");
  EXPECT_EQ(Read(copy, "SleepTime"), "123456");
  EXPECT_EQ(Read(copy, "InfoCashID"), std::string(2047, 'i'));
  EXPECT_EQ(Read(copy, "AutoBrowseNetMileAD"), "0");  // missing: the default, then saved
}

TEST(Settings, AnAnalyserSwitchedOnInTheFileActs) {
  ProgramCopy copy(L"settings-stock", "BRIVOLA_PROBE_EXE");
  WriteSettings(copy, "SetupFormTop=5\r\nBrowseStockCode=1\r\nStockSiteSelect=0\r\n");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_TRUE(WaitUntil([&] { return WindowRect(form).top == 5; })) << "settings not loaded";
  PutClipboardText("7203");
  ASSERT_TRUE(WaitUntil([&] { return !ReadProbeLog(copy.ProbeLog()).empty(); })) << "not taken";
  ASSERT_TRUE(WaitUntil([&] { return !copy.OpenedUrls().empty(); })) << "nothing opened";
  EXPECT_EQ(copy.OpenedUrls().front().url, "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=7203");
}

// Each chart site clicked in the dialog, as a user's hand does it, opens its own chart for the next code
// copied, before OK: the site buttons and the chart URLs stay in step.
TEST(Settings, EachChartSiteChosenInTheDialogOpensItsChart) {
  Running run(L"settings-sites");
  WriteSettings(run.copy, "BrowseStockCode=1\r\n");
  ASSERT_TRUE(run.Start());
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kSetup));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(run.form) != FALSE; }, 5000));
  const auto tabs = Descendants(run.form, WC_TABCONTROLW);
  ASSERT_EQ(tabs.size(), 1u);
  PostMessageW(tabs[0], WM_KEYDOWN, VK_RIGHT, 0);  // to the page of the chart sites
  ASSERT_TRUE(WaitUntil([&] { return SendMessageW(tabs[0], TCM_GETCURSEL, 0, 0) == 1; }, 5000));
  const struct {
    const wchar_t* site;
    const char* code;
    const char* chart;
  } rows[] = {
      {L"infoseek マネー", "7203", "http://money.www.infoseek.co.jp/MnStock/mn_schart.html?qt=7203"},
      {L"livedoor ファイナンス", "6758", "http://finance.livedoor.com/index?stock_id=6758"},
      {L"時事ストックナビ", "9984", "http://stocknavi.jiji.co.jp/cgi-bin/kobetsu.cgi?CODE_TEXT=9984"},
      {L"NIKKEI NET 株価サーチ", "8306", "http://company.nikkei.co.jp/index.cfm?scode=8306"},
      {L"Yahoo! ファイナンス", "7974", "http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=7974"},
  };
  std::vector<std::string> expected;
  for (const auto& r : rows) {
    SCOPED_TRACE(r.chart);
    HWND button = nullptr;
    for (HWND b : Descendants(run.form, L"Button"))
      if (WindowText(b) == r.site) button = b;
    ASSERT_NE(button, nullptr);
    RECT place{};
    GetWindowRect(button, &place);
    MouseClickAt({(place.left + place.right) / 2, (place.top + place.bottom) / 2});
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000));
    PutClipboardText(r.code);
    expected.push_back(r.chart);
    ASSERT_TRUE(WaitUntil([&] { return run.copy.OpenedUrls().size() >= expected.size(); }));
    std::vector<std::string> urls;
    for (const auto& o : run.copy.OpenedUrls()) urls.push_back(o.url);
    EXPECT_EQ(urls, expected);
  }
}

TEST(Settings, TheSessionEndQuerySavesAndAgrees) {
  ProgramCopy copy(L"settings-session");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  EXPECT_NE(SendMessageW(form, WM_QUERYENDSESSION, 0, 0), 0);
  EXPECT_EQ(Keys(copy), kStoredKeys);
}

TEST(Settings, AReadOnlyFileIsReportedAndNothingIsLost) {
  ProgramCopy copy(L"settings-readonly");
  WriteSettings(copy, "BrowseStockCode=1\r\n");
  SetFileAttributesW(copy.IniPath().c_str(), FILE_ATTRIBUTE_READONLY);
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);

  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(PressBox(*program), L"Can not save to IniFile");
  const std::wstring failure = PressBox(*program);
  EXPECT_NE(failure.find(L"Brivola.ini \u306b\u66f8\u304d\u8fbc\u3081\u307e\u305b\u3093"), std::wstring::npos)
      << "the failure's own message";
  EXPECT_TRUE(program->Running());

  // A session end waits on nobody: the query agrees at once and shows no box.
  auto query = [&] {
    std::atomic<bool> answered{false};
    DWORD_PTR answer = 0;
    std::thread asker([&] {
      SendMessageTimeoutW(form, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 60000, &answer);
      answered = true;
    });
    // Answered before any box comes up: a box inside the query would hold the answer back until pressed.
    HWND box = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] { return answered || (box = FindProcessWindow(L"#32770", nullptr, program->Id())) != nullptr; },
        30000));
    EXPECT_EQ(box, nullptr) << "a box in the query";
    if (box) PressBox(*program);
    asker.join();
    EXPECT_NE(answer, 0u);
    EXPECT_EQ(FindProcessWindow(L"#32770", nullptr, program->Id()), nullptr) << "a box after the query";
  };
  ASSERT_NO_FATAL_FAILURE(query());
  // Called off, the session goes on: the failure is shown now, as that of any save.
  SendMessageW(form, WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(PressBox(*program), L"Can not save to IniFile");
  EXPECT_NE(PressBox(*program), L"<no box>");
  EXPECT_TRUE(program->Running());
  // The session ends: the settings are saved at its end, when the file takes them by then.
  ASSERT_NO_FATAL_FAILURE(query());
  SetFileAttributesW(copy.IniPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  DWORD_PTR ended = 0;
  EXPECT_TRUE(SendMessageTimeoutW(form, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &ended));
  EXPECT_EQ(Keys(copy), (std::vector<std::string>{"BrowseStockCode", "SetupFormTop", "SetupFormLeft",
                                                  "StockSiteSelect", "SleepTime", "AutoBrowseNetMileAD",
                                                  "AutoBrowseInfoCash", "InfoCashID"}));
  EXPECT_EQ(FindProcessWindow(L"#32770", nullptr, program->Id()), nullptr);

  PostMessageW(form, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program->Wait().has_value());
  EXPECT_EQ(Read(copy, "BrowseStockCode"), "1");
  EXPECT_EQ(Keys(copy), (std::vector<std::string>{"BrowseStockCode", "SetupFormTop", "SetupFormLeft",
                                                  "StockSiteSelect", "SleepTime", "AutoBrowseNetMileAD",
                                                  "AutoBrowseInfoCash", "InfoCashID"}));
}

TEST(Settings, CancelRestoresTheFilesValuesButNotThePosition) {
  ProgramCopy copy(L"settings-cancel");
  WriteSettings(copy, "SetupFormTop=5\r\nBrowseStockCode=1\r\n");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_TRUE(WaitUntil([&] { return WindowRect(form).top == 5; }));
  HWND tray = WaitForWindow(L"TaskTrayHandle", nullptr, program->Id());
  SendMessageW(tray, WM_USER + 200, 7, WM_MBUTTONDOWN);  // the middle button shows the dialog
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(form) != FALSE; }, 5000));
  HWND cancel = FindWindowExW(form, nullptr, L"BUTTON", L"Cancel");
  ASSERT_NE(cancel, nullptr);
  // The file changes behind the program's back; Cancel takes it up.
  WriteSettings(copy, "SetupFormTop=60\r\nBrowseStockCode=0\r\n");
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(cancel), BN_CLICKED),
               reinterpret_cast<LPARAM>(cancel));
  EXPECT_EQ(WindowRect(form).top, 5);  // Cancel doesn't move the form
  PostMessageW(form, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program->Wait().has_value());
  EXPECT_EQ(Read(copy, "BrowseStockCode"), "0");
  EXPECT_EQ(Read(copy, "SetupFormTop"), "5");
}

TEST(Settings, MailAnalysersSwitchedOnInTheFileOpenTheirLinksWithThePause) {
  ProgramCopy copy(L"settings-mail", "BRIVOLA_PROBE_EXE");
  const std::string id = "ic123456";
  WriteSettings(
      copy, "AutoBrowseNetMileAD=1\r\nAutoBrowseInfoCash=1\r\nInfoCashID=" + id + "\r\nSleepTime=300\r\n");
  auto program = copy.Start();
  const std::wstring data = EnvPath("BRIVOLA_TEST_DATA");
  for (const SampleMail* mail : {&kMagazine, &kHtml}) {
    const std::string text = ReadFileBytes(data + L"\\" + mail->file);
    const std::vector<std::string>& expected = mail->urls;
    const size_t logged = copy.OpenedUrls().size(), before = copy.ShellOpens().size();
    PutClipboardText(text);
    // The program notes each open once the shell has returned, which can be after the browser logged it.
    ASSERT_TRUE(WaitUntil(
        [&] {
          return copy.OpenedUrls().size() >= logged + expected.size() &&
                 copy.ShellOpens().size() >= before + expected.size();
        },
        30000));
    // In order where the program hands the links to the shell; the stand-in browsers, each started by a
    // process of its own, may log them in another order on a loaded machine, but every one arrives.
    const auto opens = copy.ShellOpens();
    std::vector<std::string> handed, reached;
    for (size_t i = before; i < opens.size(); ++i) handed.push_back(opens[i].target);
    EXPECT_EQ(handed, expected);
    const auto opened = copy.OpenedUrls();
    for (size_t i = logged; i < opened.size(); ++i) reached.push_back(opened[i].url);
    std::vector<std::string> sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    std::sort(reached.begin(), reached.end());
    EXPECT_EQ(reached, sorted);
    // Each open is followed by the 300 ms pause, measured there too: the browser's start-up takes its own
    // time.
    for (size_t i = before + 1; i < opens.size(); ++i)
      EXPECT_GE(opens[i].us - opens[i - 1].us, 300000u) << opens[i].target;
  }
}

TEST(Settings, CancelWithoutAFileLeavesTypedTextsExactlyAsTheyAre) {
  ProgramCopy copy(L"settings-cancel-blank");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  HWND tray = WaitForWindow(L"TaskTrayHandle", nullptr, program->Id());
  ASSERT_NE(tray, nullptr);
  SendMessageW(tray, WM_USER + 200, 7, WM_MBUTTONDOWN);  // the middle button shows the dialog
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(form) != FALSE; }, 5000));

  // The pause and the Info-Cash ID, as pasted: blanks at the end, and an ID longer than a profile value.
  HWND sleepTime = nullptr, infoCashId = nullptr;
  for (HWND edit : Descendants(form, L"Edit")) (WindowText(edit) == L"100" ? sleepTime : infoCashId) = edit;
  ASSERT_TRUE(sleepTime && infoCashId);
  const std::wstring longId = L"ic" + std::wstring(2100, L'9') + L" ";
  for (const std::wstring& id : {std::wstring(L"ic123  "), longId}) {
    SendMessageW(sleepTime, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"12 "));
    SendMessageW(infoCashId, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(id.c_str()));
    HWND cancel = FindWindowExW(form, nullptr, L"BUTTON", L"Cancel");
    SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(cancel), BN_CLICKED),
                 reinterpret_cast<LPARAM>(cancel));
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_EQ(WindowText(sleepTime), L"12 ");
    EXPECT_EQ(WindowText(infoCashId), id);
  }
  EXPECT_FALSE(FileExists(copy.IniPath()));
}
