// The settings dialog in this process: its controls, the spin edit's keys and
// buttons, the dialog keys, the close rules, and screenshots of its pages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Harness.h"
#include "Handles.h"
#include "WinText.h"
#include "uSetupForm.h"

using namespace harness;

namespace {
int beeps = 0;

TSetupForm& Form() {
  static TSetupForm* form = [] {
    // Start from the defaults: no settings file beside this executable.
    DeleteFileW(ChangeFileExt(ModuleFileName(), L".ini").c_str());
    Application().Initialize();
    Application().ShowMainForm = false;
    OnDefaultBeep = [] { ++beeps; };
    return &Application().CreateForm<TSetupForm>();
  }();
  return *form;
}

void Pump() {
  // Posted keys go through the form's dialog keys; a few rounds let follow-up messages arrive.
  for (int i = 0; i < 5; ++i) Application().ProcessMessages();
}

void ShowOn(int page) {
  TSetupForm& f = Form();
  f.AppSetupExecute(&f);
  f.PageControl1->SetActivePageIndex(page);
  Pump();
}

void Key(HWND target, WPARAM vk) {
  PostMessageW(target, WM_KEYDOWN, vk, 1);
  PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
  Pump();
}

void Char(HWND target, wchar_t c) {
  PostMessageW(target, WM_CHAR, c, 1);
  Pump();
}

BOOL CALLBACK FindHintWindow(HWND wnd, LPARAM out) {
  wchar_t cls[64]{};
  GetClassNameW(wnd, cls, 64);
  if (_wcsicmp(cls, L"tooltips_class32") == 0 && GetWindow(wnd, GW_OWNER) == Form().Handle()) {
    *reinterpret_cast<HWND*>(out) = wnd;
    return FALSE;
  }
  return TRUE;
}

HWND Focused(TWinControl& c) {
  c.SetFocus();
  Pump();
  return c.Handle();
}

// Keys as a user's hand types them into the window in front: pressed in order, released in reverse.
void Chord(const std::vector<WORD>& keys) {
  const size_t n = keys.size();
  std::vector<INPUT> in(2 * n, INPUT{INPUT_KEYBOARD, {}});
  for (size_t i = 0; i < 2 * n; ++i) {
    in[i].ki.wVk = keys[i < n ? i : 2 * n - 1 - i];
    in[i].ki.dwFlags = i < n ? 0 : KEYEVENTF_KEYUP;
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// The pixels of the colour in a window's client area, as the screen shows it.
int Pixels(HWND wnd, COLORREF colour) {
  const auto shown = CaptureClient(wnd).pixels;
  return static_cast<int>(std::count(shown.begin(), shown.end(), colour));
}
}  // namespace

TEST(SetupDialog, ControlsCarryTheirNamesDefaultsAndBounds) {
  TSetupForm& f = Form();
  RECT client{};
  GetClientRect(f.Handle(), &client);
  EXPECT_EQ(client.right, Scale(480));
  EXPECT_EQ(client.bottom, Scale(320));
  const LONG style = GetWindowLongW(f.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_TRUE(style & WS_SYSMENU);

  struct Row {
    TControl* control;
    const char* name;
    int l, t, w, h;
  } rows[] = {
      {f.OK, "OK", 312, 288, 75, 25},
      {f.Cancel, "Cancel", 392, 288, 75, 25},
      {f.PageControl1, "PageControl1", 0, 0, 480, 273},
      {f.BrowseStockCode, "BrowseStockCode", 8, 8, 273, 17},
      {f.StockSiteSelect, "StockSiteSelect", 304, 8, 161, 105},
      {f.Label1, "Label1", 8, 8, 66, 13},
      {f.SleepTime, "SleepTime", 80, 4, 57, 22},
      {f.Label2, "Label2", 144, 8, 13, 13},
      {f.AutoBrowseNetMileAD, "AutoBrowseNetMileAD", 8, 32, 201, 17},
      {f.AutoBrowseInfoCash, "AutoBrowseInfoCash", 8, 56, 225, 17},
      {f.Label3, "Label3", 24, 80, 69, 13},
      {f.InfoCashID, "InfoCashID", 96, 76, 113, 21},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_NE(r.control, nullptr);
    EXPECT_EQ(r.control->Name(), r.name);
    EXPECT_EQ(f.FindComponent(r.name), r.control);
    EXPECT_EQ(
        std::vector<int>({r.control->Left(), r.control->Top(), r.control->Width(), r.control->Height()}),
        std::vector<int>({r.l, r.t, r.w, r.h}));
  }
  EXPECT_FALSE(f.BrowseStockCode->Checked());
  EXPECT_EQ(f.StockSiteSelect->ItemIndex(), 0);
  EXPECT_EQ(f.StockSiteSelect->Items().size(), 5u);
  EXPECT_EQ(f.SleepTime->Text(), "100");
  EXPECT_EQ(f.SleepTime->Alignment(), TAlignment::taRightJustify);
  EXPECT_TRUE(GetWindowLongW(f.SleepTime->Handle(), GWL_STYLE) & ES_RIGHT);
  EXPECT_EQ(f.InfoCashID->Text(), "");
  EXPECT_EQ(f.PageControl1->ActivePage(), f.TabSheet1);
  // Screen readers name an edit after the static text just before it, and a control by its window text.
  std::vector<std::wstring> page3;
  for (HWND w = GetWindow(f.TabSheet3->Handle(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    wchar_t cls[16]{};
    GetClassNameW(w, cls, 16);
    const bool noPrefix = std::wstring(cls) == L"Static" && (GetWindowLongW(w, GWL_STYLE) & SS_NOPREFIX);
    page3.push_back(cls + (L" " + WindowText(w)) + (noPrefix ? L" &" : L""));
  }
  EXPECT_EQ(page3,
            (std::vector<std::wstring>{
                L"Static 表示タイミング &", L"Edit 100", L"Static ms &", L"Button NetMileの広告URLを自動表示",
                L"Button Info-CashのキャッシュバックURLを自動表示", L"Static Info-CashのID &", L"Edit "}));
  EXPECT_EQ(WindowText(f.SleepTime->Button().UpButton().Handle()), L"増やす");
  EXPECT_EQ(WindowText(f.SleepTime->Button().DownButton().Handle()), L"減らす");
  // The chart sites are one group for the arrow keys, from the first button to OK, where the dialog's order
  // comes back to after the page's last control.
  std::vector<bool> groups;
  for (TControl* c : f.StockSiteSelect->Controls())
    groups.push_back(GetWindowLongW(dynamic_cast<TWinControl*>(c)->Handle(), GWL_STYLE) & WS_GROUP);
  EXPECT_EQ(groups, (std::vector<bool>{true, false, false, false, false}));
  EXPECT_TRUE(GetWindowLongW(f.OK->Handle(), GWL_STYLE) & WS_GROUP);
  // Texts cross the window boundary as code page 932.
  f.InfoCashID->SetText("\x83\x65\x83\x58\x83\x67");  // テスト
  wchar_t shown[16]{};
  GetWindowTextW(f.InfoCashID->Handle(), shown, 16);
  EXPECT_STREQ(shown, L"テスト");
  EXPECT_EQ(f.InfoCashID->Text(), "\x83\x65\x83\x58\x83\x67");
  f.InfoCashID->SetText("");
  // One hint each for the five controls with their own hint switch on.
  HWND tips = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindHintWindow, reinterpret_cast<LPARAM>(&tips));
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 5);
  // The radio group's index stays within its items.
  for (auto [in, out] : {std::pair{4, 4}, {7, 4}, {-5, -1}, {2, 2}, {0, 0}}) {
    f.StockSiteSelect->SetItemIndex(in);
    EXPECT_EQ(f.StockSiteSelect->ItemIndex(), out) << in;
  }
}

TEST(SetupDialog, SpinEditTypingStepsAndPasting) {
  ShowOn(2);
  TSpEdit& s = *Form().SleepTime;
  HWND w = Focused(s);
  struct Row {
    const char* text;
    std::vector<wchar_t> chars;  // typed at the end of the text
    std::vector<WPARAM> keys;
    const char* expected;
    int value;
    int beeps;
  } rows[] = {
      {"100", {L'a'}, {}, "100", 100, 1},
      {"100", {L'\r'}, {}, "100", 100, 1},
      {"100", {}, {VK_RETURN}, "100", 100, 1},  // Enter stays in the field and is refused
      {"1234", {L'5'}, {}, "1234", 1234, 0},
      {"12", {L'-', L'+', L'3'}, {}, "12-+", 0, 0},
      {"12", {L'\b'}, {}, "1", 1, 0},
      {"9999", {}, {VK_UP}, "10000", 10000, 0},
      {"0", {}, {VK_DOWN}, "-1", -1, 0},
      {"1.5", {}, {}, "1.5", 0, 0},
      {"1.5", {}, {VK_UP}, "1", 1, 0},
      {"", {}, {VK_UP}, "1", 1, 0},
      {"", {}, {VK_DOWN, VK_DOWN}, "-2", -2, 0},
      {"2147483647", {}, {VK_UP}, "2147483647", 2147483647, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    s.SetText(r.text);
    SendMessageW(w, EM_SETSEL, 64, 64);
    beeps = 0;
    for (wchar_t c : r.chars) Char(w, c);
    for (WPARAM k : r.keys) Key(w, k);
    EXPECT_EQ(s.Text(), r.expected);
    EXPECT_EQ(s.Value(), r.value);
    EXPECT_EQ(beeps, r.beeps);
    EXPECT_TRUE(Form().Visible());
  }

  // A pasted text is not filtered, only cut at four characters.
  for (auto [clip, text, value] :
       {std::tuple{"$FF", "$FF", 255}, {"123456", "1234", 1234}, {"ab", "ab", 0}}) {
    s.SetText("");
    PutClipboardText(clip);
    Char(w, 0x16);  // Ctrl+V
    EXPECT_EQ(s.Text(), text);
    EXPECT_EQ(s.Value(), value);
  }
  s.SetText("100");
}

TEST(SetupDialog, SpinButtonsStepOnReleaseAndRepeatWhileHeld) {
  ShowOn(2);
  TSetupForm& f = Form();
  TSpEdit& s = *f.SleepTime;
  f.InfoCashID->SetFocus();
  HWND up = s.Button().UpButton().Handle();
  HWND down = s.Button().DownButton().Handle();
  RECT ur{}, dr{}, field{};
  GetWindowRect(up, &ur);
  GetWindowRect(down, &dr);
  GetWindowRect(s.Handle(), &field);
  // The pair sits at the field's right edge, the halves overlapping by a pixel.
  EXPECT_EQ(ur.right - ur.left, 15);
  EXPECT_EQ(dr.top, ur.bottom - 1);
  EXPECT_GE(field.bottom - field.top, 22);

  auto click = [&](HWND button) {
    RECT r{};
    GetWindowRect(button, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    Pump();
  };
  s.SetText("9999");
  click(up);
  EXPECT_EQ(s.Text(), "10000");
  EXPECT_EQ(GetFocus(), s.Handle());  // pressing a button focuses the field
  s.SetText("0");
  click(down);
  EXPECT_EQ(s.Text(), "-1");
  s.SetText("x");
  click(up);
  EXPECT_EQ(s.Text(), "1");

  // Held: steps after 400 ms and then every 100 ms.
  s.SetText("0");
  GetWindowRect(up, &ur);
  SetCursorPos((ur.left + ur.right) / 2, (ur.top + ur.bottom) / 2);
  const DWORD start = GetTickCount();
  SendMessageW(up, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  ASSERT_TRUE(WaitUntil(
      [&] {
        Application().ProcessMessages();
        return s.Value() >= 3;
      },
      5000));
  EXPECT_GE(GetTickCount() - start, 550u);
  SendMessageW(up, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  const int released = s.Value();
  Pump();
  EXPECT_EQ(s.Value(), released);
  s.SetText("100");

  // High contrast (black face, white text): each triangle, 9 by 5 pixels in rows of 1 to 9, in the text
  // colour; in the grey text colour while the field is disabled. The edges' light colour is set apart here.
  const int elements[] = {COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_GRAYTEXT, COLOR_BTNHIGHLIGHT};
  const COLORREF contrast[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 255, 0), RGB(0, 255, 255)};
  COLORREF saved[4];
  for (int i = 0; i < 4; ++i) saved[i] = GetSysColor(elements[i]);
  SetSysColors(4, elements, contrast);
  for (bool enabled : {true, false}) {
    s.SetEnabled(enabled);
    for (HWND button : {up, down}) {
      RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      EXPECT_TRUE(WaitUntil([&] { return Pump(), Pixels(button, contrast[enabled ? 1 : 2]) == 25; }, 5000))
          << enabled;
    }
    if (enabled) SaveArtifact(CaptureClient(s.Handle()), "SetupDialog-spin-contrast.bmp");
  }
  s.SetEnabled(true);
  SetSysColors(4, elements, saved);
}

namespace {
LRESULT CALLBACK RecordUiState(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR log) {
  if (msg == WM_CHANGEUISTATE) reinterpret_cast<std::vector<WPARAM>*>(log)->push_back(wParam);
  return DefSubclassProc(wnd, msg, wParam, lParam);
}
}  // namespace

TEST(SetupDialog, TabOrderAndSelectionOnEntry) {
  ShowOn(2);
  TSetupForm& f = Form();
  f.OK->SetFocus();
  // The first Tab shows the focus rectangles, as in a dialog that Windows runs.
  std::vector<WPARAM> uiState;
  SetWindowSubclass(f.Handle(), &RecordUiState, 1, reinterpret_cast<DWORD_PTR>(&uiState));
  std::vector<HWND> order;
  for (int i = 0; i < 7; ++i) {
    Key(GetFocus(), VK_TAB);
    order.push_back(GetFocus());
  }
  RemoveWindowSubclass(f.Handle(), &RecordUiState, 1);
  EXPECT_EQ(uiState, std::vector<WPARAM>(order.size(), MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS)));
  EXPECT_EQ(order, (std::vector<HWND>{f.Cancel->Handle(), f.PageControl1->Handle(), f.SleepTime->Handle(),
                                      f.AutoBrowseNetMileAD->Handle(), f.AutoBrowseInfoCash->Handle(),
                                      f.InfoCashID->Handle(), f.OK->Handle()}));

  // The arrows go round the chart sites; Tab leaves them, and comes back at the checked one.
  ShowOn(1);
  auto site = [&](int i) { return dynamic_cast<TWinControl*>(f.StockSiteSelect->Controls()[i])->Handle(); };
  for (auto [from, key, to] : {std::tuple{4, VK_DOWN, 0}, {0, VK_UP, 4}, {1, VK_DOWN, 2}}) {
    SetFocus(site(from));
    Key(site(from), key);
    EXPECT_EQ(GetFocus(), site(to)) << from << " " << key;
  }
  f.StockSiteSelect->SetItemIndex(3);
  Key(Focused(*f.BrowseStockCode), VK_TAB);
  EXPECT_EQ(GetFocus(), site(3));
  Key(site(3), VK_TAB);
  EXPECT_EQ(GetFocus(), f.OK->Handle());
  f.StockSiteSelect->SetItemIndex(0);
  ShowOn(2);
  // Entered by keyboard the spin edit's text is selected; by a click it is not.
  f.SleepTime->SetText("250");
  f.AutoBrowseNetMileAD->SetFocus();
  Pump();
  BYTE keys[256]{};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  Key(GetFocus(), VK_TAB);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  ASSERT_EQ(GetFocus(), f.SleepTime->Handle());
  DWORD from = 1, to = 0;
  SendMessageW(f.SleepTime->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 3u);
  f.InfoCashID->SetFocus();
  SendMessageW(f.SleepTime->Handle(), EM_SETSEL, 1, 1);
  SendMessageW(f.SleepTime->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageW(f.SleepTime->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  Pump();
  SendMessageW(f.SleepTime->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, to);
  f.SleepTime->SetText("100");
}

TEST(SetupDialog, CtrlTabAndCtrlPageKeysTurnThePagesRoundAsATabClickWould) {
  TSetupForm& f = Form();
  int changes = 0;
  f.PageControl1->OnChange = [&](TComponent*) { ++changes; };
  // Rows: from page, focus, keys, to page, focus after. Focus inside the old page goes to the new page's
  // first control (the tabs, for the empty first page).
  using Row = std::tuple<int, TWinControl*, std::vector<WORD>, int, TWinControl*>;
  for (const auto& [from, focus, keys, to, focused] :
       std::vector<Row>{{0, f.OK, {VK_CONTROL, VK_TAB}, 1, f.OK},
                        {1, f.BrowseStockCode, {VK_CONTROL, VK_NEXT}, 2, f.SleepTime},
                        {2, f.InfoCashID, {VK_CONTROL, VK_TAB}, 0, f.PageControl1},
                        {2, f.PageControl1, {VK_CONTROL, VK_SHIFT, VK_TAB}, 1, f.PageControl1},
                        {0, f.Cancel, {VK_CONTROL, VK_PRIOR}, 2, f.Cancel}}) {
    ShowOn(from);
    Focused(*focus);
    changes = 0;
    Chord(keys);
    EXPECT_TRUE(WaitUntil([&] { return Pump(), f.PageControl1->ActivePageIndex() == to; }, 5000)) << from;
    EXPECT_EQ(changes, 1) << from;
    EXPECT_EQ(GetFocus(), focused->Handle()) << from;
  }
  f.PageControl1->OnChange = nullptr;
  f.Hide();
}

TEST(SetupDialog, DialogKeysAndCloseRequestsHide) {
  TSetupForm& f = Form();
  struct Row {
    const char* what;
    TWinControl* focus;
    WPARAM key;
    bool hides;
  } rows[] = {
      {"Enter in InfoCashID", f.InfoCashID, VK_RETURN, true},
      {"Enter on a check box", f.AutoBrowseInfoCash, VK_RETURN, true},
      {"Enter in SleepTime", f.SleepTime, VK_RETURN, false},
      {"Escape on a check box", f.AutoBrowseNetMileAD, VK_ESCAPE, true},
      {"Escape in InfoCashID", f.InfoCashID, VK_ESCAPE, true},
      {"Escape in SleepTime", f.SleepTime, VK_ESCAPE, true},
      {"Escape on the tabs", f.PageControl1, VK_ESCAPE, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    ShowOn(2);
    ASSERT_TRUE(IsWindowVisible(f.Handle()));
    Key(Focused(*r.focus), r.key);
    EXPECT_EQ(!IsWindowVisible(f.Handle()), r.hides);
  }

  // The close box and Alt+F4 only hide; the values shown stay in the controls.
  for (int way = 0; way < 2; ++way) {
    ShowOn(2);
    f.SleepTime->SetText("321");
    f.AutoBrowseNetMileAD->SetChecked(true);
    if (way == 0)
      PostMessageW(f.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    else
      PostMessageW(f.Handle(), WM_SYSKEYDOWN, VK_F4, 0x20000001);
    Pump();
    EXPECT_FALSE(IsWindowVisible(f.Handle())) << way;
    EXPECT_EQ(f.SleepTime->Value(), 321);
    EXPECT_TRUE(f.AutoBrowseNetMileAD->Checked());
  }
  f.AutoBrowseNetMileAD->SetChecked(false);
  f.SleepTime->SetText("100");
}

namespace {
// Rows of a rendered text that carry ink: 一 is one stroke, a missing-glyph box many rows.
int InkRows(HFONT font, const wchar_t* text) {
  WindowDC screen(nullptr);
  MemoryDC mem(screen.get());
  UniqueBitmap bmp(CreateCompatibleBitmap(screen.get(), 64, 32));
  SelectGuard sel(mem.get(), bmp.get());
  SelectGuard f(mem.get(), font);
  RECT r{0, 0, 64, 32};
  FillRect(mem.get(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(mem.get(), TRANSPARENT);
  TextOutW(mem.get(), 2, 2, text, static_cast<int>(wcslen(text)));
  int rows = 0;
  for (int y = 0; y < 32; ++y) {
    bool ink = false;
    for (int x = 0; x < 64 && !ink; ++x) ink = GetRValue(GetPixel(mem.get(), x, y)) < 128;
    rows += ink;
  }
  return rows;
}
}  // namespace

TEST(SetupDialog, PagesRenderTheirJapaneseCaptions) {
  TSetupForm& f = Form();
  // The dialog's font draws Japanese: 一 as a single stroke, not a box.
  EXPECT_GE(InkRows(f.FontHandle(), L"一"), 1);
  EXPECT_LE(InkRows(f.FontHandle(), L"一"), 3);
  EXPECT_GE(InkRows(f.FontHandle(), L"株"), 8);

  for (int page = 0; page < 3; ++page) {
    SCOPED_TRACE(page);
    ShowOn(page);
    RedrawWindow(f.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    const Capture shot = CaptureClient(f.Handle());
    EXPECT_EQ(shot.width, Scale(480));
    EXPECT_EQ(shot.height, Scale(320));
    SaveArtifact(shot, ("SetupDialog-page" + std::to_string(page + 1) + ".bmp").c_str());
    // Some dark ink (captions) lies on the page below the tabs.
    const RECT sheet = f.PageControl1->DisplayRect();
    int dark = 0;
    for (int y = sheet.top; y < sheet.bottom; ++y)
      for (int x = sheet.left; x < sheet.right; ++x) {
        const COLORREF p = shot.At(x, y);
        dark += GetRValue(p) + GetGValue(p) + GetBValue(p) < 150;
      }
    if (page == 0)
      EXPECT_LT(dark, 50);  // the first page is empty
    else
      EXPECT_GT(dark, 200);
  }
  f.Hide();
}

TEST(SetupDialog, OkSavesAndCancelRestoresTheSettingsFile) {
  TSetupForm& f = Form();
  ShowOn(2);
  f.SleepTime->SetText("555");
  f.InfoCashID->SetText("abc");
  f.BrowseStockCode->SetChecked(true);
  f.StockSiteSelect->SetItemIndex(3);
  const int left = f.Left();
  Key(Focused(*f.InfoCashID), VK_RETURN);
  ASSERT_FALSE(IsWindowVisible(f.Handle()));
  const std::string ini = ReadFileBytes(f.AutoSave->IniPath);
  EXPECT_NE(ini.find("SleepTime=555"), std::string::npos) << ini;

  ShowOn(2);
  f.SleepTime->SetText("7");
  f.InfoCashID->SetText("changed");
  f.BrowseStockCode->SetChecked(false);
  f.StockSiteSelect->SetItemIndex(1);
  SetWindowPos(f.Handle(), nullptr, left + 40, f.Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Key(Focused(*f.AutoBrowseNetMileAD), VK_ESCAPE);
  ASSERT_FALSE(IsWindowVisible(f.Handle()));
  EXPECT_EQ(f.SleepTime->Text(), "555");
  EXPECT_EQ(f.InfoCashID->Text(), "abc");
  EXPECT_TRUE(f.BrowseStockCode->Checked());
  EXPECT_EQ(f.StockSiteSelect->ItemIndex(), 3);
  RECT r{};
  GetWindowRect(f.Handle(), &r);
  EXPECT_EQ(r.left, left + 40);  // Cancel doesn't move the form
  EXPECT_TRUE(f.AutoSave->CheckWinState);

  // A new alignment rebuilds the field's window and keeps its text.
  HWND before = f.SleepTime->Handle();
  f.SleepTime->SetAlignment(TAlignment::taCenter);
  EXPECT_NE(f.SleepTime->Handle(), before);
  EXPECT_EQ(GetWindow(f.SleepTime->Handle(), GW_HWNDPREV), f.Label1->Handle());  // still named by its label
  EXPECT_TRUE(GetWindowLongW(f.SleepTime->Handle(), GWL_STYLE) & ES_CENTER);
  EXPECT_EQ(f.SleepTime->Text(), "555");
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = f.Handle();
  ti.uId = reinterpret_cast<UINT_PTR>(f.SleepTime->Handle());
  HWND tips = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindHintWindow, reinterpret_cast<LPARAM>(&tips));
  EXPECT_TRUE(SendMessageW(tips, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&ti)));  // its hint follows it
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 5);
  f.SleepTime->SetAlignment(TAlignment::taRightJustify);
  f.SleepTime->SetText("100");
  f.InfoCashID->SetText("");
  f.BrowseStockCode->SetChecked(false);
  f.StockSiteSelect->SetItemIndex(0);
}
