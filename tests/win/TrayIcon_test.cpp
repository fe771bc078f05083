// The tray icon component against a fake shell: registration, retries,
// hiding, taskbar restarts, and the mouse events the shell's reports become.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "Harness.h"
#include "Taskbar.h"
#include "WinText.h"

using namespace harness;

namespace {
struct Call {
  DWORD message;
  DWORD size, flags, state, mask;
  HWND wnd;
  UINT id, callback;
  std::string tip;
};

// Records every shell call; answers from a script (then success).
struct FakeShell {
  std::vector<Call> calls;
  std::vector<DWORD> sleeps;
  std::deque<DWORD> failures;  // last-error values of the next failing calls
  bool alwaysTimeOut = false;

  explicit FakeShell(DWORD version = 0x60000) {
    TrayShell().NotifyIcon = [this](DWORD m, NOTIFYICONDATAA* d) {
      calls.push_back({m, d->cbSize, d->uFlags, d->dwState, d->dwStateMask, d->hWnd, d->uID, d->uCallbackMessage,
                       d->szTip});
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
  void Report(LPARAM mouse, WPARAM wParam = TRAY_ICON_ID) { SendMessageW(Window(), WM_TRAYNOTIFY, wParam, mouse); }
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

class FakeMenu : public TPopupMenu {
 public:
  using TPopupMenu::TPopupMenu;
  void PopupAt(int x, int y) override { popups.push_back({x, y}); }
  std::vector<POINT> popups;
};
}  // namespace

TEST(TrayIcon, RegistersAtTheEndOfLoadingWithTheRecordOfItsShell) {
  struct Case {
    DWORD version;
    DWORD size;
    size_t tipLimit;
  } cases[] = {{0x60000, 488, 127}, {0x50000, 488, 127}, {0x40047, 88, 63}, {0, 88, 63}};
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
      if (c.size == 88) expected.replace(100, 2, " ");
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
  const std::string changeFailed = AnsiFromUtf8("タスクトレイのアイコンを変更できません。");
  const std::string addFailed = AnsiFromUtf8("タスクトレイにアイコンを登録できません。");
  {
    FakeShell shell;
    shell.alwaysTimeOut = true;
    Fixture f;
    try {
      f.Load();
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
    try {
      f.Load();
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
  FakeShell shell;
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  Fixture f;
  f.Load();
  int restarts = 0;
  f.tray->OnRestartTaskbar = [&](TComponent* sender) {
    EXPECT_EQ(sender, f.tray);
    ++restarts;
  };
  SendMessageW(f.Window(), taskbarCreated, 0, 0);
  ASSERT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD}));
  EXPECT_EQ(shell.calls[1].tip, "Brivola");
  EXPECT_EQ(shell.calls[1].id, 7u);
  EXPECT_EQ(restarts, 1);

  f.tray->SetVisible(false);  // hidden: forgotten, added anew when shown
  SendMessageW(f.Window(), taskbarCreated, 0, 0);
  EXPECT_EQ(restarts, 2);
  f.tray->SetVisible(true);
  EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD, NIM_MODIFY, NIM_ADD}));
  EXPECT_EQ(SendMessageW(f.Window(), WM_QUERYENDSESSION, 0, 0), 1);
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
  const DWORD wait = GetDoubleClickTime() + 300;
  struct Case {
    const char* name;
    bool checkSingleDouble;
    std::vector<std::pair<LPARAM, WPARAM>> reports;
    std::vector<std::string> expected;
  } cases[] = {
      {"single, immediate", false, {{WM_LBUTTONDOWN, 7}, {WM_LBUTTONUP, 7}}, {"down L", "click L", "up L"}},
      {"single, after the double-click time", true, {{WM_LBUTTONDOWN, 7}, {WM_LBUTTONUP, 7}},
       {"down L", "up L", "click L"}},
      {"double", true,
       {{WM_LBUTTONDOWN, 7}, {WM_LBUTTONUP, 7}, {WM_LBUTTONDBLCLK, 7}, {WM_LBUTTONUP, 7}},
       {"down L", "up L", "dbl L", "up L", "down L"}},
      {"middle double", true,
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
    Pump(wait);  // the click timer, the re-posted press
    EXPECT_EQ(f.events, c.expected);
    EXPECT_FALSE(f.tray->ToolTipStyle().ClickPending());
  }
}

TEST(TrayIcon, ButtonMenusOpenAtTheCursorUnlessTurnedOffOrRemoved) {
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

  f.events.clear();
  f.tray->AutoPopup = false;
  f.Report(WM_RBUTTONDOWN);
  EXPECT_EQ(f.events, std::vector<std::string>{"down R"});
  EXPECT_EQ(menu.popups.size(), 1u);

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
  Pump(400);
  EXPECT_LE(f.tray->ToolTipStyle().HoverThread()->Checks(), checks + 1) << "no polling outside";
}

TEST(TrayIcon, DestroyingStopsTheHoverThreadWhereverItIs) {
  FakeShell shell;
  for (bool blockedInCheck : {false, true}) {
    SCOPED_TRACE(blockedInCheck);
    auto f = std::make_unique<Fixture>();
    f->Load();
    SetCursorPos(100, 100);
    f->Report(WM_MOUSEMOVE);
    const TMouseEventMaker* thread = f->tray->ToolTipStyle().HoverThread();
    ASSERT_NE(thread, nullptr);
    if (blockedInCheck) {
      // Without handling messages, the thread's check waits on this thread.
      ASSERT_TRUE(WaitUntil([&] { return thread->Checks() >= 1; }, 3000));
    } else {
      SetCursorPos(400, 400);
      ASSERT_TRUE(Pump(3000, [&] { return !f->tray->ToolTipStyle().MouseInside(); }));
    }
    f.reset();  // returns: neither a waiting nor a blocked thread holds it up
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
