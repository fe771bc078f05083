// The tray icon component against a fake shell: registration, retries,
// hiding, taskbar restarts, the mouse events the shell's reports become,
// balloon fields, tool-tip colours, animation and the minimise hooks.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Forms.h"
#include "Harness.h"
#include "Taskbar.h"
#include "WinText.h"

using namespace harness;

namespace {
// The colour of an icon's middle pixel; CLR_INVALID without an image.
COLORREF IconColour(HICON icon) {
  if (!icon) return CLR_INVALID;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
  const COLORREF colour = GetPixel(dc, 8, 8);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return colour;
}

struct Call {
  DWORD message;
  DWORD size, flags, state, mask;
  HWND wnd;
  UINT id, callback;
  std::string tip;
  COLORREF colour;
  DWORD infoFlags;
};

// Records every shell call; answers from a script (then success).
struct FakeShell {
  std::vector<Call> calls;
  std::vector<DWORD> sleeps;
  std::vector<std::pair<HWND, UINT>> allowed;  // messages let through the filter of an elevated program
  std::deque<DWORD> failures;                  // last-error values of the next failing calls
  bool alwaysTimeOut = false;
  bool elevated = true;
  std::optional<RECT> iconRect;  // where the icon is, when the shell tells

  explicit FakeShell(DWORD version = 0x60000) {
    TrayShell().NotifyIcon = [this](DWORD m, NOTIFYICONDATAA* d) {
      calls.push_back({m, d->cbSize, d->uFlags, d->dwState, d->dwStateMask, d->hWnd, d->uID,
                       d->uCallbackMessage, d->szTip, m == NIM_DELETE ? CLR_INVALID : IconColour(d->hIcon),
                       d->dwInfoFlags});
      if (alwaysTimeOut || !failures.empty()) {
        DWORD error = ERROR_TIMEOUT;
        if (!alwaysTimeOut) error = failures.front(), failures.pop_front();
        SetLastError(error);
        return FALSE;
      }
      return TRUE;
    };
    TrayShell().Sleep = [this](DWORD ms) { sleeps.push_back(ms); };
    TrayShell().ShellVersion = [version] { return version; };
    TrayShell().AllowMessage = [this](HWND wnd, UINT message) { allowed.emplace_back(wnd, message); };
    TrayShell().Elevated = [this] { return elevated; };
    TrayShell().IconRect = [this](HWND, UINT, RECT& rect) { return iconRect && (rect = *iconRect, true); };
  }
  ~FakeShell() { ResetTrayShell(); }
  std::vector<DWORD> Messages() const {
    std::vector<DWORD> out;
    for (const Call& c : calls) out.push_back(c.message);
    return out;
  }
};

HICON TestIcon() { return LoadIcon(nullptr, IDI_APPLICATION); }

// A tray icon on a root owner, loaded with an icon as a form would load it.
struct Fixture {
  TComponent root{nullptr};
  TTrayIcon* tray;
  std::vector<std::string> events;

  Fixture() {
    root.BeginLoad();
    tray = &root.Add<TTrayIcon>();
    tray->SetIcon(TestIcon());
    tray->SetTipHelp("Brivola");
  }
  void Load() { root.EndLoad(); }
  HWND Window() { return tray->Inner().Handle(); }
  void Report(LPARAM mouse, WPARAM wParam = TRAY_ICON_ID) {
    SendMessageW(Window(), WM_TRAYNOTIFY, wParam, mouse);
  }
  void Record() {
    const char* names = "LRM";
    tray->OnMouseDown = [this, names](TComponent*, TMouseButton b, TShiftState s, int, int) {
      events.push_back(std::string("down ") + names[b] + (s == (1u << b) ? "" : " bad-shift"));
    };
    tray->OnMouseUp = [this, names](TComponent*, TMouseButton b, TShiftState, int, int) {
      events.push_back(std::string("up ") + names[b]);
    };
    tray->OnMouseClick = [this, names](TComponent*, TMouseButton b, TShiftState s, int, int) {
      events.push_back(std::string("click ") + names[b] + (s == 0 ? "" : " bad-shift"));
    };
    tray->OnDblClick = [this](TComponent*) { events.push_back("dbl L"); };
    tray->OnRDblClick = [this](TComponent*) { events.push_back("dbl R"); };
    tray->OnMouseMove = [this](TComponent*, TShiftState, int, int) { events.push_back("move"); };
    tray->OnMouseEnter = [this](TComponent*) { events.push_back("enter"); };
    tray->OnMouseExit = [this](TComponent*) { events.push_back("exit"); };
  }
};

// Handles this thread's messages for a while, or until the condition holds.
bool Pump(DWORD ms, const std::function<bool()>& until = nullptr) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (until && until()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Handles this thread's messages until a message posted now comes back: by then everything posted before it
// has been handled.
bool Settle() {
  constexpr UINT kMarker = WM_APP + 38;
  PostThreadMessageW(GetCurrentThreadId(), kMarker, 0, 0);
  const ULONGLONG end = GetTickCount64() + 10000;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!msg.hwnd && msg.message == kMarker) return true;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// The threads of this process.
std::set<DWORD> Threads() {
  std::set<DWORD> ids;
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
  return ids;
}

// The one thread started since the threads were those given, opened to see its end; null unless just one.
UniqueHandle StartedThread(const std::set<DWORD>& before) {
  std::vector<DWORD> started;
  for (DWORD id : Threads())
    if (!before.count(id)) started.push_back(id);
  return UniqueHandle(started.size() == 1 ? OpenThread(SYNCHRONIZE, FALSE, started[0]) : nullptr);
}

bool Ended(const UniqueHandle& thread) { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }

class FakeMenu : public TPopupMenu {
 public:
  using TPopupMenu::TPopupMenu;
  void PopupAt(int x, int y) override {
    popups.push_back({x, y});
    SetCancelled(cancel);
  }
  std::vector<POINT> popups;
  bool cancel = false;  // closed by Escape, else an item chosen
};
}  // namespace

TEST(TrayIcon, RegistersAtTheEndOfLoadingWithTheRecordOfItsShell) {
  // The shell's version-1 and version-2 record sizes for this program's architecture:
  // window and icon handles are 8 bytes in a 64-bit program.
  constexpr DWORD v1 = sizeof(void*) == 8 ? 104 : 88, v2 = sizeof(void*) == 8 ? 504 : 488;
  struct Case {
    DWORD version;
    DWORD size;
    size_t tipLimit;
  } cases[] = {{0x60000, v2, 127}, {0x50000, v2, 127}, {0x40047, v1, 63}, {0, v1, 63}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    FakeShell shell(c.version);
    {
      Fixture f;
      EXPECT_TRUE(shell.calls.empty()) << "no shell call while loading";
      f.Load();
      ASSERT_EQ(shell.Messages(), std::vector<DWORD>{NIM_ADD});
      const Call& add = shell.calls[0];
      EXPECT_EQ(add.size, c.size);
      EXPECT_EQ(add.id, 7u);
      EXPECT_EQ(add.callback, 1224u);
      EXPECT_EQ(add.flags, 7u);
      EXPECT_EQ(add.wnd, f.Window());
      EXPECT_EQ(add.tip, "Brivola");
      EXPECT_EQ(f.tray->TipHelp(), "Brivola");

      const std::string longTip = std::string(100, 'a') + "\r\n" + std::string(98, 'b');
      f.tray->SetTipHelp(longTip);
      std::string expected = longTip;
      if (c.size == v1) expected.replace(100, 2, " ");
      expected.resize(c.tipLimit);
      EXPECT_EQ(f.tray->TipHelp(), expected);
      EXPECT_EQ(shell.calls.back().message, static_cast<DWORD>(NIM_MODIFY));
      f.tray->SetTipHelp("");
      EXPECT_EQ(shell.calls.back().tip, "");
    }
    EXPECT_EQ(shell.calls.back().message, static_cast<DWORD>(NIM_DELETE)) << "destroying removes the icon";
  }
}

TEST(TrayIcon, RetriesTimeOutsEveryTwoSecondsAndGivesUpAfterSixSteps) {
  const std::string changeFailed = TextFromUtf8("タスクトレイのアイコンを変更できません。");
  const std::string addFailed = TextFromUtf8("タスクトレイにアイコンを登録できません。");
  {
    FakeShell shell;
    shell.alwaysTimeOut = true;
    Fixture f;
    f.tray->Inner().SetIconHandle(f.tray->Icon().Handle());
    try {
      f.tray->Inner().AddIcon();
      FAIL() << "no error";
    } catch (const ENotifyIconError& e) {
      EXPECT_EQ(e.what(), changeFailed);
    }
    EXPECT_EQ(shell.sleeps, std::vector<DWORD>(6, 2000));
    std::vector<DWORD> expected{NIM_ADD};
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {NIM_MODIFY, NIM_ADD});
    EXPECT_EQ(shell.Messages(), expected);
    EXPECT_FALSE(f.tray->Inner().Added());
  }
  {
    FakeShell shell;
    shell.failures = {ERROR_ACCESS_DENIED};
    Fixture f;
    f.tray->Inner().SetIconHandle(f.tray->Icon().Handle());
    try {
      f.tray->Inner().AddIcon();
      FAIL() << "no error";
    } catch (const ENotifyIconError& e) {
      EXPECT_EQ(e.what(), addFailed);
    }
    EXPECT_TRUE(shell.sleeps.empty());
  }
  {
    // The shell took the icon although it timed out: the modify confirms it.
    FakeShell shell;
    shell.failures = {ERROR_TIMEOUT};
    Fixture f;
    f.Load();
    EXPECT_EQ(shell.sleeps, std::vector<DWORD>{2000});
    EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
    EXPECT_TRUE(f.tray->Inner().Shown());
  }
}

TEST(TrayIcon, HidingKeepsTheIconOnShellFiveAndDeletesItOnOlderShells) {
  {
    FakeShell shell;
    Fixture f;
    f.Load();
    f.tray->SetVisible(false);
    ASSERT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
    EXPECT_EQ(shell.calls[1].flags, static_cast<DWORD>(NIF_STATE));
    EXPECT_EQ(shell.calls[1].state, static_cast<DWORD>(NIS_HIDDEN));
    EXPECT_EQ(shell.calls[1].mask, 3u);
    EXPECT_TRUE(f.tray->Inner().Added());
    f.tray->SetVisible(true);
    ASSERT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_MODIFY}));
    EXPECT_EQ(shell.calls[2].flags, 15u);
    EXPECT_EQ(shell.calls[2].state, 0u);
    EXPECT_EQ(shell.calls[2].mask, 3u);
    EXPECT_EQ(shell.calls[2].tip, "Brivola");
    EXPECT_TRUE(f.tray->Inner().Shown());
  }
  {
    FakeShell shell(0x40000);
    Fixture f;
    f.Load();
    f.tray->SetVisible(false);
    f.tray->SetVisible(true);
    EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_DELETE, NIM_ADD}));
  }
}

TEST(TrayIcon, TaskbarRestartRegistersAShownIconAgainAndTellsTheOwner) {
  {
    // Not elevated: the system's message filter stays as it is.
    FakeShell standard;
    standard.elevated = false;
    Fixture plain;
    plain.Load();
    EXPECT_TRUE(standard.allowed.empty());
  }
  FakeShell shell;
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  Fixture f;
  f.Load();
  int restarts = 0;
  f.tray->OnRestartTaskbar = [&](TComponent* sender) {
    EXPECT_EQ(sender, f.tray);
    ++restarts;
  };
  // The broadcast and the callbacks reach the window of an elevated program too.
  EXPECT_EQ(shell.allowed,
            (std::vector<std::pair<HWND, UINT>>{{f.Window(), taskbarCreated}, {f.Window(), 1224}}));
  SendMessageW(f.Window(), taskbarCreated, 0, 0);
  ASSERT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD}));
  EXPECT_EQ(shell.calls[1].tip, "Brivola");
  EXPECT_EQ(shell.calls[1].id, 7u);
  EXPECT_EQ(restarts, 1);

  // A broadcast from some other program while the shell still has the icon: the add is refused, a modify
  // finds the icon there, and nothing is shown. One that neither takes is retried, still without a box.
  std::vector<std::string> errors;
  Application().OnException = [&](const std::exception& e) { errors.push_back(e.what()); };
  f.tray->AddRetryInterval = 20;
  shell.failures = {ERROR_INVALID_PARAMETER};
  SendMessageW(f.Window(), taskbarCreated, 0, 0);
  EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD, NIM_ADD, NIM_MODIFY}));
  EXPECT_TRUE(f.tray->Inner().Shown());
  shell.failures = {ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER, ERROR_ACCESS_DENIED,
                    ERROR_ACCESS_DENIED};
  SendMessageW(f.Window(), taskbarCreated, 0, 0);
  EXPECT_TRUE(Pump(5000, [&] { return f.tray->Inner().Shown(); })) << "retried";
  EXPECT_EQ(shell.Messages().size(), 9u);
  Application().OnException = nullptr;
  EXPECT_EQ(errors, std::vector<std::string>{});
  EXPECT_EQ(restarts, 3);
  shell.calls.resize(2);

  f.tray->SetVisible(false);  // hidden: forgotten, added anew when shown
  SendMessageW(f.Window(), taskbarCreated, 0, 0);
  EXPECT_EQ(restarts, 4);
  f.tray->SetVisible(true);
  EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD, NIM_MODIFY, NIM_ADD}));
  EXPECT_EQ(SendMessageW(f.Window(), WM_QUERYENDSESSION, 0, 0), 1);
}

TEST(TrayIcon, AnIconRefusedAtTheEndOfLoadingIsAddedLaterWithoutAnError) {
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  const struct {
    const char* name;
    std::deque<DWORD> failures;
    size_t callsAtLoad, callsInAll;
    DWORD lastCall;
    bool added;
  } cases[] = {
      {"refused twice, taken by the second retry", {ERROR_ACCESS_DENIED, 0}, 1, 3, NIM_ADD, true},
      // The waiting retries at the end of loading, then one add that times out, confirmed by a modify.
      {"a shell that times out", std::deque<DWORD>(14, ERROR_TIMEOUT), 13, 15, NIM_MODIFY, true},
      {"never taken: three retries, then no more", std::deque<DWORD>(4, ERROR_ACCESS_DENIED), 1, 4, NIM_ADD,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeShell shell;
    shell.failures = c.failures;
    Fixture f;
    f.tray->AddRetryInterval = 20;
    f.tray->AddRetryCount = 3;
    ASSERT_NO_THROW(f.Load());
    EXPECT_EQ(shell.calls.size(), c.callsAtLoad);
    EXPECT_TRUE(f.tray->AddPending());
    Pump(5000, [&] { return shell.calls.size() >= c.callsInAll; });
    Pump(300);  // ten retry intervals more: nothing once the icon is added or the retries are spent
    EXPECT_EQ(shell.calls.size(), c.callsInAll);
    EXPECT_EQ(shell.calls.back().message, c.lastCall);
    EXPECT_EQ(f.tray->Inner().Shown(), c.added);
    EXPECT_EQ(f.tray->AddPending(), !c.added);
    if (c.added) continue;
    // The taskbar comes: its broadcast adds the icon at once.
    SendMessageW(f.Window(), taskbarCreated, 0, 0);
    EXPECT_EQ(shell.Messages().size(), c.callsInAll + 1);
    EXPECT_TRUE(f.tray->Inner().Shown());
    EXPECT_FALSE(f.tray->AddPending());
  }
}

TEST(TrayIcon, ResourceIconIdIsClampedToTheList) {
  FakeShell shell;
  Fixture f;
  f.Load();
  struct Case {
    std::vector<std::string> list;
    int written, stored;
  } cases[] = {{{"A", "B", "C"}, 5, 2}, {{}, 5, -1}, {{"A"}, -7, -1}, {{"A", "B"}, 1, 1}};
  for (const Case& c : cases) {
    f.tray->SetResourceIconList(c.list);
    f.tray->SetResourceIconID(c.written);
    EXPECT_EQ(f.tray->ResourceIconID(), c.stored) << c.written;
  }
  f.tray->SetResourceIconList({"A"});
  f.tray->SetResourceIconID(0);
  f.tray->SetIcon(TestIcon());
  f.tray->SetResourceIconID(0);  // same value 0: still clears the image
  EXPECT_TRUE(f.tray->Icon().Empty());
}

TEST(TrayIcon, EachComponentGetsOnlyItsOwnCallbacks) {
  FakeShell shell;
  Fixture a, b;
  a.Load();
  b.Load();
  a.Record();
  b.Record();
  ASSERT_NE(a.Window(), b.Window());
  a.Report(WM_MBUTTONDOWN);
  b.Report(WM_LBUTTONDOWN);
  EXPECT_EQ(a.events, std::vector<std::string>{"down M"});
  EXPECT_EQ(b.events, std::vector<std::string>{"down L"});
}

TEST(TrayIcon, ClicksAndDoubleClicksArriveInOrder) {
  FakeShell shell;
  struct Case {
    const char* name;
    bool checkSingleDouble;
    std::vector<std::pair<LPARAM, WPARAM>> reports;
    std::vector<std::string> expected;
  } cases[] = {
      {"single, immediate", false, {{WM_LBUTTONDOWN, 7}, {WM_LBUTTONUP, 7}}, {"down L", "click L", "up L"}},
      {"single, after the double-click time",
       true,
       {{WM_LBUTTONDOWN, 7}, {WM_LBUTTONUP, 7}},
       {"down L", "up L", "click L"}},
      {"double",
       true,
       {{WM_LBUTTONDOWN, 7}, {WM_LBUTTONUP, 7}, {WM_LBUTTONDBLCLK, 7}, {WM_LBUTTONUP, 7}},
       {"down L", "up L", "dbl L", "up L", "down L"}},
      {"middle double",
       true,
       {{WM_MBUTTONDOWN, 7}, {WM_MBUTTONUP, 7}, {WM_MBUTTONDBLCLK, 7}, {WM_MBUTTONUP, 7}},
       {"down M", "up M", "up M", "down M"}},
      {"release without a press", false, {{WM_RBUTTONUP, 7}}, {"up R"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.Load();
    f.Record();
    f.tray->SetCheckSingleDoubleClick(c.checkSingleDouble);
    for (auto [mouse, wParam] : c.reports) f.Report(mouse, wParam);
    // The click timer has fired, and then the press it re-posts has been handled.
    ASSERT_TRUE(
        Pump(10000,
             [&] { return f.events.size() >= c.expected.size() && !f.tray->ToolTipStyle().ClickPending(); }))
        << f.events.size() << " events";
    ASSERT_TRUE(Settle());
    EXPECT_EQ(f.events, c.expected);
  }
}

TEST(TrayIcon, MenusOpenAtTheCursorOrFromTheKeysAtTheIconUnlessTurnedOffOrRemoved) {
  FakeShell shell;
  Fixture f;
  auto& menu = f.root.Add<FakeMenu>();
  f.Load();
  f.Record();
  f.tray->RButtonPopupMenu = &menu;
  SetCursorPos(210, 120);
  POINT cursor{};
  GetCursorPos(&cursor);
  f.Report(WM_RBUTTONDOWN);
  f.Report(WM_RBUTTONUP);
  ASSERT_EQ(menu.popups.size(), 1u);
  EXPECT_EQ(menu.popups[0].x, cursor.x);
  EXPECT_EQ(menu.popups[0].y, cursor.y);
  EXPECT_EQ(menu.PopupComponent(), f.tray);
  EXPECT_EQ(f.events, std::vector<std::string>{"up R"});

  // Where the shell tells the icon's place, the keys on the icon (a right-button report with the pointer
  // elsewhere, or WM_CONTEXTMENU) open the menu at its middle; Escape then gives the focus back to the
  // notification area.
  shell.iconRect = RECT{600, 580, 616, 596};
  struct Row {
    POINT cursor;
    LPARAM report;
    bool cancel;
    POINT at;
    size_t focusCalls;
  } rows[] = {{{605, 585}, WM_RBUTTONDOWN, true, {605, 585}, 0},
              {{210, 120}, WM_RBUTTONDOWN, true, {608, 588}, 1},
              {{605, 585}, WM_CONTEXTMENU, true, {608, 588}, 1},
              {{210, 120}, WM_RBUTTONDOWN, false, {608, 588}, 0}};
  for (const Row& r : rows) {
    SetCursorPos(r.cursor.x, r.cursor.y);
    ASSERT_TRUE(GetCursorPos(&cursor) && cursor.x == r.cursor.x && cursor.y == r.cursor.y);
    menu.cancel = r.cancel;
    shell.calls.clear();
    f.Report(r.report);
    EXPECT_EQ(std::vector<LONG>({menu.popups.back().x, menu.popups.back().y}),
              std::vector<LONG>({r.at.x, r.at.y}));
    EXPECT_EQ(shell.Messages(), std::vector<DWORD>(r.focusCalls, NIM_SETFOCUS))
        << r.report << " " << r.cursor.x;
  }
  shell.iconRect.reset();

  f.events.clear();
  f.tray->AutoPopup = false;
  f.Report(WM_RBUTTONDOWN);
  EXPECT_EQ(f.events, std::vector<std::string>{"down R"});
  EXPECT_EQ(menu.popups.size(), 5u);

  f.events.clear();
  f.tray->AutoPopup = true;
  f.root.RemoveComponent(&menu);
  EXPECT_EQ(f.tray->RButtonPopupMenu, nullptr);
  f.Report(WM_RBUTTONDOWN);
  EXPECT_EQ(f.events, std::vector<std::string>{"down R"});
}

TEST(TrayIcon, HoverEntersBeforeTheMoveAndLeavesWhenTheCursorDoes) {
  FakeShell shell;
  Fixture f;
  f.Load();
  f.Record();
  SetCursorPos(100, 100);
  f.Report(WM_MOUSEMOVE);
  EXPECT_EQ(f.events, (std::vector<std::string>{"enter", "move"}));
  const RECT& r = f.tray->ToolTipStyle().HoverRect;
  SetCursorPos(140, 100);  // 40 pixels: a new rectangle at the new point
  f.Report(WM_MOUSEMOVE);
  EXPECT_EQ(r.left, 140);
  EXPECT_EQ(r.right, 140);
  SetCursorPos(150, 110);
  f.Report(WM_MOUSEMOVE);
  EXPECT_EQ(r.right, 150);
  EXPECT_EQ(r.bottom, 110);
  EXPECT_TRUE(Pump(1000, [&] { return f.tray->ToolTipStyle().HoverThread()->Checks() >= 2; }))
      << "polls while inside";
  EXPECT_EQ(f.events.size(), 4u) << "still inside";

  SetCursorPos(400, 400);
  ASSERT_TRUE(Pump(3000, [&] { return f.events.back() == "exit"; }));
  const unsigned checks = f.tray->ToolTipStyle().HoverThread()->Checks();
  // The clock: another icon with the cursor on it polls meanwhile, as this one would if it went on.
  Fixture other;
  other.Load();
  other.Report(WM_MOUSEMOVE);
  const TMouseEventMaker* clock = other.tray->ToolTipStyle().HoverThread();
  ASSERT_NE(clock, nullptr);
  ASSERT_TRUE(Pump(5000, [&] { return clock->Checks() >= 4; })) << "the other icon polls";
  EXPECT_LE(f.tray->ToolTipStyle().HoverThread()->Checks(), checks + 1) << "no polling outside";
}

TEST(TrayIcon, DestroyingStopsTheHoverThreadWhereverItIs) {
  FakeShell shell;
  for (bool blockedInCheck : {false, true}) {
    SCOPED_TRACE(blockedInCheck);
    auto f = std::make_unique<Fixture>();
    f->Load();
    SetCursorPos(100, 100);
    const auto before = Threads();
    f->Report(WM_MOUSEMOVE);
    const TMouseEventMaker* thread = f->tray->ToolTipStyle().HoverThread();
    ASSERT_NE(thread, nullptr);
    const UniqueHandle started = StartedThread(before);
    ASSERT_TRUE(started) << "the hover thread";
    if (blockedInCheck) {
      // Without handling messages, the thread's check waits on this thread.
      ASSERT_TRUE(WaitUntil([&] { return thread->Checks() >= 1 && thread->SyncPending(); }, 3000));
    } else {
      SetCursorPos(400, 400);
      ASSERT_TRUE(Pump(3000, [&] { return !f->tray->ToolTipStyle().MouseInside(); }));
    }
    {
      Deadline bound(blockedInCheck ? "destroying the icon while its hover check waits"
                                    : "destroying the icon while its hover thread waits");
      f.reset();  // neither a waiting nor a blocked thread holds it up
    }
    EXPECT_TRUE(Ended(started)) << "the hover thread is gone once the icon is";
  }
}

TEST(TrayIcon, AFailedUpdateRegistersTheIconAnewAndNeverThrows) {
  struct Case {
    const char* name;
    std::deque<DWORD> failures;
    std::vector<DWORD> calls;  // after the first registration
    bool shown;
  } cases[] = {
      {"time-out: nothing more", {ERROR_TIMEOUT}, {NIM_MODIFY}, true},
      {"lost icon: added again", {ERROR_INVALID_WINDOW_HANDLE}, {NIM_MODIFY, NIM_ADD}, true},
      {"re-add refused: dropped", {ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED}, {NIM_MODIFY, NIM_ADD}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeShell shell;
    Fixture f;
    f.Load();
    shell.calls.clear();
    shell.failures = c.failures;
    EXPECT_NO_THROW(f.tray->SetTipHelp("new tip"));
    EXPECT_EQ(shell.Messages(), c.calls);
    EXPECT_EQ(f.tray->Inner().Shown(), c.shown);
    EXPECT_EQ(shell.calls.back().tip, "new tip");
  }
}

// ---- balloon fields

TEST(TrayIcon, BalloonFieldsAreCutToTheirFieldsAndNeverShown) {
  FakeShell shell;
  Fixture f;
  f.Load();
  const std::string dbcsAtCut =
      std::string(254, 'a') + "\x82\xA0";  // the character would need bytes 255 and 256
  struct Case {
    std::string title, text, titleRead, textRead;
  } cases[] = {
      {std::string(100, 't'), std::string(300, 'x'), std::string(63, 't'), std::string(255, 'x')},
      {std::string(63, 't'), std::string(255, 'x'), std::string(63, 't'), std::string(255, 'x')},
      {std::string(62, 't') + "\x93\xFA", dbcsAtCut, std::string(62, 't'), std::string(254, 'a')},
      {std::string(61, 't') + "\x93\xFA", std::string(253, 'a') + "\x82\xA0",
       std::string(61, 't') + "\x93\xFA", std::string(253, 'a') + "\x82\xA0"},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    f.tray->SetBalloonHelpTitle(c.title);
    f.tray->SetBalloonHelpText(c.text);
    EXPECT_EQ(f.tray->BalloonHelpTitle(), c.titleRead);
    EXPECT_EQ(f.tray->BalloonHelpText(), c.textRead);
  }
  f.tray->SetBalloonHelpTimeOut(15000);
  EXPECT_EQ(f.tray->BalloonHelpTimeOut(), 15000);
  f.tray->SetBalloonHelpText("shown?");
  f.tray->SetTipHelp("tip");
  f.tray->SetVisible(false);
  f.tray->SetVisible(true);
  for (const Call& call : shell.calls) EXPECT_EQ(call.flags & NIF_INFO, 0u) << "no balloon is ever asked for";
}

TEST(TrayIcon, BalloonIconReadsNoneAfterTheNextRegistrationOnShellFive) {
  for (DWORD version : {0x60000u, 0x40000u}) {
    SCOPED_TRACE(version);
    FakeShell shell(version);
    Fixture f;
    f.Load();
    for (TBalloonIconType icon : {bitInfo, bitError, bitNone, bitWarning}) {
      f.tray->SetBalloonHelpIcon(icon);
      EXPECT_EQ(f.tray->BalloonHelpIcon(), icon);
    }
    f.tray->SetTipHelp("changed");  // an update is no registration
    EXPECT_EQ(f.tray->BalloonHelpIcon(), bitWarning);
    f.tray->SetVisible(false);
    f.tray->SetVisible(true);
    EXPECT_EQ(f.tray->BalloonHelpIcon(), version >= 0x50000 ? bitNone : bitWarning);
  }
}

// ---- tool-tip style

TEST(TrayIcon, ToolTipStyleAssignmentCopiesUseDefaultAndBackgroundOnly) {
  FakeShell shell;
  Fixture f;
  TToolTipStyle& style = f.tray->ToolTipStyle();
  EXPECT_TRUE(style.UseDefault);
  EXPECT_EQ(style.BackGroundColor(), clBlack);
  EXPECT_EQ(style.TextColor(), 0xFF000008u) << "clWindowText";

  TToolTipStyle source;
  source.UseDefault = false;
  source.SetBackGroundColor(0x123456);
  source.SetTextColor(0x654321);
  f.tray->SetToolTipStyle(source);
  EXPECT_FALSE(style.UseDefault);
  EXPECT_EQ(style.BackGroundColor(), 0x123456u);
  EXPECT_EQ(style.TextColor(), clWindowText);

  class TOther : public TPersistent {};
  EXPECT_THROW(f.tray->SetToolTipStyle(TOther()), EConvertError);

  struct Case {
    int index;
    TColor written, read;
  } cases[] = {{1, 0x0000FF, 0x0000FF}, {2, 0x00FF00, 0x00FF00}, {0, 0xFFFFFF, 0}, {3, 0xFFFFFF, 0}};
  for (const Case& c : cases) {
    style.SetColor(c.index, c.written);
    EXPECT_EQ(style.GetColor(c.index), c.read) << c.index;
  }
  EXPECT_EQ(style.BackGroundColor(), 0x0000FFu) << "other indexes write nothing";
  EXPECT_EQ(style.TextColor(), 0x00FF00u);
}

namespace {
// A stand-in taskbar with tool-tip windows of this process; records the
// colour messages that reach the one the tray should find.
struct FakeTaskbar {
  HWND taskbar = nullptr, tip = nullptr, noPrefixTip = nullptr;
  static inline std::vector<std::pair<UINT, WPARAM>>* log = nullptr;
  std::vector<std::pair<UINT, WPARAM>> messages;

  FakeTaskbar() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Shell_TrayWnd";
    RegisterClassA(&wc);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    // Found from the top of the z-order: the taskbar and the matching tip
    // first, then a tip with TTS_NOPREFIX above it that must be passed over.
    taskbar = CreateWindowExA(WS_EX_TOPMOST, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              wc.hInstance, nullptr);
    tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                          nullptr, nullptr, wc.hInstance, nullptr);
    noPrefixTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0, 0,
                                  0, nullptr, nullptr, wc.hInstance, nullptr);
    log = &messages;
    SetWindowSubclass(tip, &Record, 1, 0);
  }
  ~FakeTaskbar() {
    RemoveWindowSubclass(tip, &Record, 1);
    log = nullptr;
    DestroyWindow(noPrefixTip);
    DestroyWindow(tip);
    DestroyWindow(taskbar);
    UnregisterClassA("Shell_TrayWnd", GetModuleHandleA(nullptr));
  }
  static LRESULT CALLBACK Record(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (log && (msg == TTM_SETTIPBKCOLOR || msg == TTM_SETTIPTEXTCOLOR || msg == TTM_POP))
      log->push_back({msg, wParam});
    return DefSubclassProc(wnd, msg, wParam, lParam);
  }
};
}  // namespace

TEST(TrayIcon, TheTrayToolTipTakesTheStyleColoursWhileTheCursorRestsOnTheIcon) {
  FakeShell shell;
  if (!FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", nullptr)) {
    Fixture none;
    EXPECT_EQ(none.tray->ToolTipStyle().ToolTipWindow, nullptr) << "no taskbar: no tool tip, nothing sent";
  }
  FakeTaskbar bar;
  ASSERT_NE(bar.tip, nullptr);
  ASSERT_EQ(FindTrayToolTipWindow(), bar.tip);
  using M = std::vector<std::pair<UINT, WPARAM>>;
  const M restore{{TTM_POP, 0},
                  {TTM_SETTIPBKCOLOR, GetSysColor(COLOR_INFOBK)},
                  {TTM_SETTIPTEXTCOLOR, GetSysColor(COLOR_INFOTEXT)}};
  for (bool useDefault : {false, true}) {
    SCOPED_TRACE(useDefault);
    bar.messages.clear();
    {
      Fixture f;
      f.Load();
      TToolTipStyle& style = f.tray->ToolTipStyle();
      EXPECT_EQ(style.ToolTipWindow, bar.tip);
      style.UseDefault = useDefault;
      style.SetTextColor(clHighlight);
      SetCursorPos(100, 100);
      f.Report(WM_MOUSEMOVE);
      const M applied{{TTM_SETTIPBKCOLOR, clBlack}, {TTM_SETTIPTEXTCOLOR, GetSysColor(COLOR_HIGHLIGHT)}};
      EXPECT_EQ(bar.messages, useDefault ? M{} : applied);
      if (!useDefault) {
        EXPECT_EQ(SendMessageA(bar.tip, TTM_GETTIPBKCOLOR, 0, 0), static_cast<LRESULT>(clBlack));
      }
      bar.messages.clear();
      SetCursorPos(400, 400);
      ASSERT_TRUE(Pump(3000, [&] { return !style.MouseInside(); }));
      EXPECT_EQ(bar.messages, useDefault ? M{} : restore);
      bar.messages.clear();
    }
    EXPECT_EQ(bar.messages, restore) << "destroying the style restores the system colours";
  }
}

namespace {
// A stand-in taskbar and its tool tip on a thread of their own, which can
// stop answering messages for a while, as a hung shell does.
class HangingTaskbar {
 public:
  HangingTaskbar() {
    thread_ = std::thread([this] { Run(); });
    WaitForSingleObject(ready_.get(), 10000);
  }
  ~HangingTaskbar() {
    Answer();
    SetEvent(quit_.get());
    thread_.join();
  }
  HWND Tip() const { return tip_; }
  // True once the thread has stopped answering; it answers again after Answer().
  bool StopAnswering() {
    ResetEvent(answer_.get());  // an answer given while it was answering anyway
    SetEvent(hang_.get());
    return WaitUntil([&] { return hung_.load(); }, 5000);
  }
  void Answer() { SetEvent(answer_.get()); }
  bool Hung() const { return hung_; }

 private:
  void Run() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Shell_TrayWnd";
    RegisterClassA(&wc);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    HWND taskbar = CreateWindowExA(WS_EX_TOPMOST, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   wc.hInstance, nullptr);
    tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                           nullptr, nullptr, wc.hInstance, nullptr);
    SetEvent(ready_.get());
    const HANDLE wake[] = {hang_.get(), quit_.get()};
    for (;;) {
      const DWORD r = MsgWaitForMultipleObjects(2, wake, FALSE, INFINITE, QS_ALLINPUT);
      if (r == WAIT_OBJECT_0) {
        hung_ = true;
        const HANDLE end[] = {answer_.get(), quit_.get()};
        const bool quit = WaitForMultipleObjects(2, end, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
        hung_ = false;
        if (quit) break;
      } else if (r == WAIT_OBJECT_0 + 1) {
        break;
      }
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    DestroyWindow(tip_);
    DestroyWindow(taskbar);
    UnregisterClassA("Shell_TrayWnd", GetModuleHandleA(nullptr));
  }

  static UniqueHandle Event() { return UniqueHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr)); }
  UniqueHandle ready_ = Event(), hang_ = Event(), answer_ = Event(), quit_ = Event();
  std::atomic<bool> hung_{false};
  HWND tip_ = nullptr;
  std::thread thread_;
};

}  // namespace

// The tool tip is the shell's window: when the shell stops answering, taking
// the colours and giving them back at the icon's end don't wait for its answer.
TEST(TrayIcon, AToolTipThatStopsAnsweringHoldsUpNeitherTheHoverNorTheEnd) {
  FakeShell shell;
  HangingTaskbar bar;
  ASSERT_NE(bar.Tip(), nullptr);
  ASSERT_EQ(FindTrayToolTipWindow(), bar.Tip());
  std::optional<Deadline> end;
  {
    Fixture f;
    f.Load();
    TToolTipStyle& style = f.tray->ToolTipStyle();
    ASSERT_EQ(style.ToolTipWindow, bar.Tip());
    style.UseDefault = false;
    ASSERT_TRUE(bar.StopAnswering());
    SetCursorPos(100, 100);
    {
      Deadline bound("entering the icon while the tool tip doesn't answer");
      f.Report(WM_MOUSEMOVE);  // the cursor enters: the colours go to the tip
    }
    EXPECT_TRUE(bar.Hung()) << "entering the icon waited for the tool tip's answer";
    EXPECT_TRUE(style.MouseInside());
    bar.Answer();
    ASSERT_TRUE(bar.StopAnswering());
    end.emplace("the end of the icon while the tool tip doesn't answer");
  }  // the icon's end gives the system colours back
  end.reset();
  EXPECT_TRUE(bar.Hung()) << "the end of the icon waited for the tool tip's answer";
  bar.Answer();
}

// ---- animation

namespace {
const COLORREF kImages[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};  // ANIM0, ANIM1, ANIM2

// The animation image of each icon update from the given call on (-1: another image).
std::vector<int> ImagesShown(const FakeShell& shell, size_t from = 0) {
  std::vector<int> images;
  for (size_t i = from; i < shell.calls.size(); ++i) {
    const Call& c = shell.calls[i];
    if (c.message != NIM_MODIFY || !(c.flags & NIF_ICON)) continue;
    const auto* hit = std::find(std::begin(kImages), std::end(kImages), c.colour);
    images.push_back(hit == std::end(kImages) ? -1 : static_cast<int>(hit - std::begin(kImages)));
  }
  return images;
}

// A loaded tray icon with the three animation images, showing the first.
struct Animated : Fixture {
  explicit Animated(unsigned interval = 0) {
    Load();
    tray->SetResourceIconList({"ANIM0", "ANIM1", "ANIM2"});
    tray->SetResourceIconID(0);
    tray->SetInterval(interval);
  }
  bool Paused() const { return tray->Animation() && tray->Animation()->Paused(); }
};
}  // namespace

TEST(TrayIcon, ReplacingTheResourceListUpdatesTheIconOnlyWhenItsImageChanges) {
  struct Case {
    const char* name;
    TStringList before;
    int id;
    TStringList after;
    int idAfter;
    std::vector<int> images;  // of the updates the replacement sends
  } cases[] = {
      {"from empty", {}, -1, {"ANIM1", "ANIM0"}, -1, {-1}},
      {"same name at the index", {"ANIM0", "ANIM1", "ANIM2"}, 2, {"ANIM1", "ANIM0", "ANIM2"}, 2, {}},
      {"another name at the index", {"ANIM0", "ANIM1", "ANIM2"}, 2, {"ANIM2", "ANIM1", "ANIM0"}, 2, {0}},
      {"index past the new end", {"ANIM0", "ANIM1", "ANIM2"}, 2, {"ANIM1"}, 0, {1, 1}},
      {"emptied", {"ANIM0", "ANIM1"}, 1, {}, -1, {}},  // the test program has no icon of its own to show
      {"no index", {"ANIM0"}, -1, {"ANIM2"}, -1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeShell shell;
    Fixture f;
    f.Load();
    f.tray->SetResourceIconList(c.before);
    f.tray->SetResourceIconID(c.id);
    const size_t from = shell.calls.size();
    f.tray->SetResourceIconList(c.after);
    EXPECT_EQ(f.tray->ResourceIconList(), c.after);
    EXPECT_EQ(f.tray->ResourceIconID(), c.idAfter);
    EXPECT_EQ(ImagesShown(shell, from), c.images);
  }
}

TEST(TrayIcon, IntervalBelowFiftyIsRaisedAndZeroPausesAtOnce) {
  FakeShell shell;
  Fixture f;
  f.Load();
  struct Case {
    unsigned written, read;
  } cases[] = {{10, 50}, {1, 50}, {49, 50}, {50, 50}, {120, 120}, {0, 0}};
  for (const Case& c : cases) {
    f.tray->SetInterval(c.written);
    EXPECT_EQ(f.tray->Interval(), c.read) << c.written;
  }

  FakeShell animated;
  Animated a;
  EXPECT_EQ(a.tray->Animation(), nullptr) << "idle: no thread";
  a.tray->SetInterval(10);
  ASSERT_NE(a.tray->Animation(), nullptr);
  EXPECT_FALSE(a.Paused());
  ASSERT_TRUE(Pump(3000, [&] { return ImagesShown(animated).size() >= 3; }));
  a.tray->SetInterval(0);
  EXPECT_TRUE(a.Paused()) << "at once";
  const size_t calls = animated.calls.size();
  Pump(300);
  EXPECT_EQ(animated.calls.size(), calls) << "not even a tick that was waiting";
}

TEST(TrayIcon, ResourceIconsCycleThroughTheList) {
  FakeShell shell;
  Animated a;
  ASSERT_EQ(ImagesShown(shell).back(), 0) << "the first image is shown";
  a.tray->SetResourceIconID(2);
  const size_t from = shell.calls.size();
  a.tray->SetInterval(50);
  ASSERT_TRUE(Pump(3000, [&] { return ImagesShown(shell, from).size() >= 4; }));
  a.tray->SetInterval(0);
  EXPECT_EQ(ImagesShown(shell, from), (std::vector<int>{0, 1, 2, 0}));
  EXPECT_EQ(a.tray->ResourceIconID(), 0);
}

TEST(TrayIcon, AnAnimationHandlerReplacesTheSteppingAndItsChangeReachesTheShell) {
  FakeShell shell;
  Animated a;
  a.tray->SetResourceIconID(1);
  int ticks = 0;
  a.tray->OnIconAnimation = [&](TComponent* sender) {
    EXPECT_EQ(sender, a.tray);
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(a.Window(), nullptr)) << "on the GUI thread";
    ++ticks;
    // Changes the image without announcing it: the update after the handler sends it.
    TIcon& icon = a.tray->Icon();
    auto notify = std::move(icon.OnChange);
    icon.Assign(LoadIconA(GetModuleHandleA(nullptr), ticks % 2 ? "ANIM2" : "ANIM0"));
    icon.OnChange = std::move(notify);
  };
  const size_t from = shell.calls.size();
  a.tray->SetInterval(50);
  ASSERT_TRUE(Pump(3000, [&] { return ticks >= 3; }));
  a.tray->SetInterval(0);
  EXPECT_EQ(ImagesShown(shell, from), (std::vector<int>{2, 0, 2}));
  EXPECT_EQ(a.tray->ResourceIconID(), 1) << "the list is not stepped";
}

TEST(TrayIcon, HidingPausesTheAnimationAndShowingResumesIt) {
  FakeShell shell;
  Animated a(50);
  ASSERT_TRUE(Pump(3000, [&] { return ImagesShown(shell).size() >= 3; }));
  a.tray->SetVisible(false);
  EXPECT_TRUE(a.Paused());
  const size_t hidden = shell.calls.size();
  Pump(300);
  EXPECT_EQ(shell.calls.size(), hidden);
  a.tray->SetVisible(true);
  EXPECT_FALSE(a.Paused());
  const size_t shown = shell.calls.size();
  EXPECT_TRUE(Pump(3000, [&] { return ImagesShown(shell, shown).size() >= 2; }));
}

TEST(TrayIcon, ATaskbarRestartStartsAnAnimationThreadAfresh) {
  FakeShell shell;
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  Animated a(50);
  SendMessageW(a.Window(), taskbarCreated, 0, 0);
  ASSERT_NE(a.tray->Animation(), nullptr);
  EXPECT_FALSE(a.Paused());
  const size_t from = shell.calls.size();
  EXPECT_TRUE(Pump(3000, [&] { return ImagesShown(shell, from).size() >= 2; })) << "still animating";
  a.tray->SetInterval(0);
  SendMessageW(a.Window(), taskbarCreated, 0, 0);
  EXPECT_EQ(a.tray->Animation(), nullptr) << "no interval: the thread goes and none follows";
}

TEST(TrayIcon, DestroyingWhileAnimatingEndsCleanlyEveryTime) {
  FakeShell shell;
  for (int i = 0; i < 300; ++i) {
    const auto before = Threads();
    auto a = std::make_unique<Animated>(50);
    const TIconAnimation* thread = a->tray->Animation();
    ASSERT_NE(thread, nullptr);
    const UniqueHandle started = StartedThread(before);
    ASSERT_TRUE(started) << i << ": the animation thread";
    switch (i % 3) {
      case 0:  // at once, the thread perhaps not yet running
        break;
      case 1:  // a tick waits for this thread, which does not answer
        ASSERT_TRUE(WaitUntil([&] { return thread->SyncPending(); }, 3000)) << i;
        break;
      case 2: {  // between ticks
        const size_t from = shell.calls.size();
        ASSERT_TRUE(Pump(3000, [&] { return !ImagesShown(shell, from).empty(); })) << i;
        break;
      }
    }
    const size_t from = shell.calls.size();
    {
      Deadline bound("destroying an animated icon (case " + std::to_string(i % 3) + ")");
      a.reset();
    }
    ASSERT_TRUE(Ended(started)) << i << ": the animation thread is gone once the icon is";
    // The icon leaves the shell, with no image of a tick after it.
    ASSERT_EQ(ImagesShown(shell, from), std::vector<int>{}) << i;
    ASSERT_EQ(shell.Messages().back(), static_cast<DWORD>(NIM_DELETE)) << i;
    shell.calls.clear();
  }
  // A request posted by a thread now gone finds nobody: handled, it reaches no shell.
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(shell.calls.empty());
}

// ---- minimise and restore

TEST(TrayIcon, MinimisedTheIconStandsInForTheApplication) {
  Application().Initialize();
  HWND app = Application().Handle();
  for (bool hideOnTaskBar : {true, false}) {
    SCOPED_TRACE(hideOnTaskBar);
    FakeShell shell;
    int minimizes = 0, restores = 0;
    Application().OnMinimize = [&](TComponent*) { ++minimizes; };
    Application().OnRestore = [&](TComponent*) { ++restores; };
    auto& form = Application().Add<TForm>();
    form.SetCaption(L"Owner");
    form.Show();
    form.BeginLoad();
    auto& tray = form.Add<TTrayIcon>();
    tray.SetIcon(TestIcon());
    tray.SetMinimized(true);
    tray.HideOnTaskBar = hideOnTaskBar;
    form.EndLoad();
    EXPECT_TRUE(shell.calls.empty()) << "not minimised: no icon";

    Application().Minimize();
    EXPECT_EQ(minimizes, 1) << "the handler installed before is still called";
    EXPECT_TRUE(IsIconic(app));
    ASSERT_EQ(shell.Messages(), std::vector<DWORD>{NIM_ADD});
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_EQ(IsWindowVisible(app) != FALSE, !hideOnTaskBar) << "the application's taskbar button";

    Application().Restore();
    EXPECT_EQ(restores, 1);
    EXPECT_FALSE(IsIconic(app));
    EXPECT_FALSE(IsWindowVisible(app));
    ASSERT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
    EXPECT_EQ(shell.calls[1].state, static_cast<DWORD>(NIS_HIDDEN));
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    EXPECT_TRUE(Pump(5000, [&] { return GetForegroundWindow() == form.Handle(); })) << "the form in front";

    Application().RemoveComponent(&form);
    Application().OnMinimize(nullptr);
    EXPECT_EQ(minimizes, 2) << "the saved handler is back";
    Application().OnMinimize = nullptr;
    Application().OnRestore = nullptr;
  }
}

TEST(TrayIcon, TrayIconsMayLeaveTheApplicationHooksInAnyOrder) {
  FakeShell shell;
  for (bool firstGoesFirst : {true, false}) {
    SCOPED_TRACE(firstGoesFirst);
    int minimizes = 0;
    Application().OnMinimize = [&](TComponent*) { ++minimizes; };
    auto a = std::make_unique<Fixture>();
    auto b = std::make_unique<Fixture>();
    (firstGoesFirst ? a : b).reset();
    Application().OnMinimize(nullptr);
    EXPECT_EQ(minimizes, 1);
    (firstGoesFirst ? b : a).reset();
    Application().OnMinimize(nullptr);
    EXPECT_EQ(minimizes, 2);
    Application().OnMinimize = nullptr;
  }
}
