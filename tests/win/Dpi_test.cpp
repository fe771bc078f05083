// The program at the system DPI of its harness (ctest runs this test at 96,
// 120, 144 and 192 dpi, each in a Wine prefix of its own): the tray icon
// reaches the shell at the small-icon size, the tray menu's bar, title and
// images grow with the DPI, and the settings dialog scales without a control
// cut or overlapping another; a DPI change sent to the shown dialog rescales it.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Dpi.h"
#include "Handles.h"
#include "Harness.h"
#include "TrayDriver.h"
#include "WinText.h"
#include "uSetupForm.h"

using namespace harness;

namespace {

// Each DPI's sizes in pixels: the 96-dpi sizes times DPI / 96, rounded.
struct AtDpi {
  int dpi;
  int smallIcon;                 // the notification area's icon and the menu's images
  int barPainted;                // the side bar: 31, less its 2-pixel gap
  std::pair<int, int> titleInk;  // the title's upright letters across the bar, from-to
  int fontHeight;                // the dialog's font: -11
  SIZE client;                   // 480 x 320
  int spinButton;                // the button pair: 15
  SIZE triangle;                 // 9 x 6: odd, as wide as its rows allow
  int spinMinHeight;             // a line of the font (12, 15, 18, 23), a quarter of it, 4 borders, 2 scaled
};
constexpr AtDpi kDpis[] = {
    {96, 16, 29, {12, 14}, -11, {480, 320}, 15, {9, 5}, 21},
    {120, 20, 37, {15, 17}, -14, {600, 400}, 19, {11, 6}, 25},
    {144, 24, 45, {19, 21}, -17, {720, 480}, 23, {13, 7}, 29},
    {192, 32, 60, {25, 27}, -22, {960, 640}, 30, {17, 9}, 36},
};

const AtDpi& Dpi(int dpi) {
  for (const AtDpi& d : kDpis)
    if (d.dpi == dpi) return d;
  ADD_FAILURE() << "no sizes for " << dpi << " dpi";
  return kDpis[0];
}

// The DPI the harness was started with, which the system must report.
const AtDpi& Harness() {
  const char* asked = std::getenv("BRIVOLA_DPI");
  const AtDpi& at = Dpi(asked ? std::atoi(asked) : 96);
  WindowDC screen(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen.get(), LOGPIXELSY), at.dpi) << "the harness's DPI";
  return at;
}

std::string Name(const AtDpi& at, const std::string& what) {
  return "Dpi" + std::to_string(at.dpi) + "-" + what + ".bmp";
}

bool Dark(COLORREF p) { return GetRValue(p) + GetGValue(p) + GetBValue(p) < 3 * 96; }

// The bounds of the pixels within the area that are inked; empty when none is.
RECT Bounds(const Capture& c, const std::function<bool(COLORREF)>& inked, RECT area) {
  RECT ink{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (inked(c.At(x, y)))
        ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
               std::max<LONG>(ink.bottom, y + 1)};
  return ink.left < ink.right ? ink : RECT{};
}

bool NotMenu(COLORREF p) { return p != GetSysColor(COLOR_MENU); }

// The dialog in this process, which carries the program's manifest and so is aware of the DPI as it is.
TSetupForm& Form() {
  static TSetupForm* form = [] {
    DeleteFileW(ChangeFileExt(ModuleFileName(), L".ini").c_str());
    Application().Initialize();
    Application().ShowMainForm = false;
    return &Application().CreateForm<TSetupForm>();
  }();
  return *form;
}

void ShowPage(int page) {
  TSetupForm& f = Form();
  f.AppSetupExecute(&f);
  f.PageControl1->SetActivePageIndex(page);
  f.PageControl1->SetFocus();  // no focus rectangle on the controls captured
  RedrawWindow(f.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  for (int i = 0; i < 5; ++i) Application().ProcessMessages();
}

RECT InParent(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::vector<int> Edges(RECT r) { return {r.left, r.top, r.right, r.bottom}; }

HFONT FontOf(HWND control) { return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)); }

SIZE TextSize(HFONT font, const std::wstring& text) {
  WindowDC dc(nullptr);
  SelectGuard select(dc.get(), font);
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

// Whether a capture of a control shows its whole caption: the caption drawn alone in the control's font,
// placed by its right edge on the capture's last column of ink (frame lines, dark nearly all the way down,
// are no ink), has all but a few smoothed pixels of its ink there. A cut caption ends at the cut.
bool ShowsWhole(const Capture& c, HFONT font, const std::wstring& text, int rows) {
  const SIZE size = TextSize(font, text);
  Capture ink;
  {
    WindowDC screen(nullptr);
    MemoryDC memory(screen.get());
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), size.cx + 8, size.cy));
    SelectGuard select(memory.get(), bitmap.get()), selectFont(memory.get(), font);
    const RECT all{0, 0, size.cx + 8, size.cy};
    FillRect(memory.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(memory.get(), TRANSPARENT);
    TextOutW(memory.get(), 4, 0, text.c_str(), static_cast<int>(text.size()));
    ink = {all.right, all.bottom, {}};
    for (int y = 0; y < ink.height; ++y)
      for (int x = 0; x < ink.width; ++x) ink.pixels.push_back(GetPixel(memory.get(), x, y));
  }
  const int inkRight = Bounds(ink, Dark, {0, 0, ink.width, ink.height}).right;
  const int count = static_cast<int>(std::count_if(ink.pixels.begin(), ink.pixels.end(), Dark));
  int right = 0, best = 0;
  for (int x = 0; x < c.width; ++x) {
    int down = 0, inRows = 0;
    for (int y = 0; y < c.height; ++y) {
      down += Dark(c.At(x, y));
      inRows += y < rows && Dark(c.At(x, y));
    }
    if (inRows > 0 && down * 10 < c.height * 9) right = x + 1;
  }
  for (int dx = right - inkRight - 1; dx <= right - inkRight + 1; ++dx)
    for (int dy = -ink.height; dy < c.height; ++dy) {
      int hits = 0;
      for (int y = 0; y < ink.height; ++y)
        for (int x = 0; x < ink.width; ++x)
          hits += Dark(ink.At(x, y)) && x + dx >= 0 && x + dx < c.width && y + dy >= 0 && y + dy < c.height &&
                  Dark(c.At(x + dx, y + dy));
      best = std::max(best, hits);
    }
  return count > 0 && best * 100 >= count * 97;
}

// The dialog at the DPI: its font and fixed controls scaled, no caption cut, no control covering another
// or reaching out of its parent, the spin edit's buttons and triangles scaled.
void ExpectLaidOutFor(const AtDpi& at) {
  SCOPED_TRACE(std::to_string(at.dpi) + " dpi");
  TSetupForm& f = Form();
  auto scaled = [&](int v) { return MulDiv(v, at.dpi, 96); };
  ShowPage(2);
  EXPECT_EQ(Edges(InParent(f.OK->Handle())),
            (std::vector{scaled(312), scaled(288), scaled(387), scaled(313)}));
  EXPECT_EQ(Edges(InParent(f.PageControl1->Handle())), (std::vector{0, 0, scaled(480), scaled(273)}));
  for (TWinControl* c :
       {static_cast<TWinControl*>(f.OK), static_cast<TWinControl*>(f.SleepTime),
        static_cast<TWinControl*>(f.InfoCashID), static_cast<TWinControl*>(f.BrowseStockCode)}) {
    LOGFONTW lf{};
    GetObjectW(FontOf(c->Handle()), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, at.fontHeight) << c->Name();
  }

  struct Captioned {
    TControl* control;
    std::wstring caption;
    int page;
  };
  std::vector<Captioned> captioned{{f.OK, L"OK", 2}, {f.Cancel, L"Cancel", 2}};
  for (TButtonControl* b :
       {static_cast<TButtonControl*>(f.BrowseStockCode), static_cast<TButtonControl*>(f.AutoBrowseNetMileAD),
        static_cast<TButtonControl*>(f.AutoBrowseInfoCash)})
    captioned.push_back({b, b->Caption(), b == f.BrowseStockCode ? 1 : 2});
  for (TControl* c : f.StockSiteSelect->Controls())
    captioned.push_back({c, dynamic_cast<TRadioButton*>(c)->Caption(), 1});
  for (TLabel* label : {f.Label1, f.Label2, f.Label3}) captioned.push_back({label, label->Caption(), 2});
  captioned.push_back({f.StockSiteSelect, f.StockSiteSelect->Caption(), 1});  // in the group's top rows
  for (size_t i = 0; i < captioned.size(); ++i) {
    const Captioned& c = captioned[i];
    ShowPage(c.page);
    HWND wnd = dynamic_cast<TWinControl*>(c.control)->Handle();
    const int rows = c.control == f.StockSiteSelect ? TextSize(FontOf(wnd), c.caption).cy : 1 << 20;
    EXPECT_TRUE(ShowsWhole(CaptureClient(wnd), FontOf(wnd), c.caption, rows))
        << "caption " << i << " cut: " << c.control->Name();
  }

  for (auto [parent, page] :
       {std::pair<TWinControl*, int>{&f, 1}, {f.TabSheet2, 1}, {f.StockSiteSelect, 1}, {f.TabSheet3, 2}}) {
    ShowPage(page);
    RECT client{};
    GetClientRect(parent->Handle(), &client);
    std::vector<std::pair<std::string, RECT>> placed;
    for (TControl* c : parent->Controls()) {
      if (dynamic_cast<TTabSheet*>(c)) continue;
      RECT r = c->ScaledBounds();  // a label: its text where it is painted
      if (auto* wc = dynamic_cast<TWinControl*>(c)) r = InParent(wc->Handle());
      if (auto* label = dynamic_cast<TLabel*>(c)) {
        const SIZE text = TextSize(f.FontHandle(), label->Caption());
        r = {r.left, r.top, r.left + text.cx, r.top + text.cy};
      }
      RECT outside{}, common{};
      SubtractRect(&outside, &r, &client);
      EXPECT_TRUE(IsRectEmpty(&outside)) << c->Name() << " reaches out of " << parent->Name();
      for (const auto& [name, other] : placed)
        EXPECT_FALSE(IntersectRect(&common, &r, &other)) << c->Name() << " overlaps " << name;
      placed.emplace_back(c->Name(), r);
    }
  }

  ShowPage(2);
  RECT text{}, client{};
  SendMessageW(f.SleepTime->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  GetClientRect(f.SleepTime->Handle(), &client);
  const RECT pair = InParent(f.SleepTime->Button().Handle());
  EXPECT_EQ(pair.right - pair.left, at.spinButton);
  EXPECT_TRUE(text.right <= pair.left && pair.right <= client.right && pair.bottom <= client.bottom);
  EXPECT_LE(TextSize(f.FontHandle(), L"9999").cx, text.right - text.left);
  const Capture up = CaptureClient(f.SleepTime->Button().UpButton().Handle());
  const RECT triangle = Bounds(up, [](COLORREF p) { return p == RGB(0, 0, 0); }, {0, 0, up.width, up.height});
  EXPECT_EQ(std::vector({triangle.right - triangle.left, triangle.bottom - triangle.top}),
            std::vector({at.triangle.cx, at.triangle.cy}));
}

struct ShellCall {
  DWORD message;
  int width, height, bitsPerPixel, whole;
};

// The calls for the process's icons in the tray spy's log, once there are count of them.
std::vector<ShellCall> CallsFor(const std::wstring& log, DWORD pid, size_t count) {
  std::vector<ShellCall> calls;
  WaitUntil([&] {
    calls.clear();
    for (const std::string& line : ReadLines(log)) {
      std::istringstream in(line);
      DWORD process = 0;
      ShellCall c{};
      if (in >> process >> c.message >> c.width >> c.height >> c.bitsPerPixel >> c.whole && process == pid)
        calls.push_back(c);
    }
    return calls.size() >= count;
  });
  return calls;
}

}  // namespace

TEST(Dpi, TrayIconReachesTheShellAtTheSmallIconSize) {
  const AtDpi& at = Harness();
  const std::wstring dir = ScratchDir(L"dpi-spy"), log = dir + L"\\calls.log", ready = dir + L"\\ready";
  Process spy(L"\"" + EnvPath("WINTOOL_EXE") + L"\" tray-spy \"" + log + L"\" \"" + ready + L"\"");
  ASSERT_TRUE(WaitUntil([&] { return FileExists(ready); }));
  Running run(L"dpi-tray");
  ASSERT_TRUE(run.Start());
  auto calls = CallsFor(log, run.program->Id(), 1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(std::vector({int(calls[0].message), calls[0].width, calls[0].height, calls[0].bitsPerPixel,
                         calls[0].whole}),
            std::vector({NIM_ADD, at.smallIcon, at.smallIcon, 32, 1}));

  // The notification area's monitor takes another scale: the icon follows it.
  const AtDpi& other = Dpi(at.dpi == 192 ? 120 : 192);
  RECT suggested{};
  SendMessageW(run.tray, WM_DPICHANGED, MAKEWPARAM(other.dpi, other.dpi),
               reinterpret_cast<LPARAM>(&suggested));
  calls = CallsFor(log, run.program->Id(), 2);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(std::vector({int(calls[1].message), calls[1].width}), std::vector({NIM_MODIFY, other.smallIcon}));

  // A new shell, which doesn't know the icon (the spy counts this call to the icon's window too): it is
  // registered again and comes back at the size of the system's DPI.
  NOTIFYICONDATAW forget{};
  forget.cbSize = sizeof forget;
  forget.hWnd = run.tray;
  forget.uID = 7;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &forget));
  PostMessageW(run.tray, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  calls = CallsFor(log, run.program->Id(), 5);
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(std::vector({int(calls[3].message), int(calls[4].message), calls[4].width}),
            std::vector({NIM_ADD, NIM_MODIFY, at.smallIcon}));

  // A scale changed while running, told by none of those: the primary monitor's is taken again on a display
  // or settings change.
  size_t count = calls.size();
  for (const UINT change : {WM_DISPLAYCHANGE, WM_SETTINGCHANGE}) {
    SendMessageW(run.tray, WM_DPICHANGED, MAKEWPARAM(other.dpi, other.dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    SendMessageW(run.tray, change, 0, 0);
    calls = CallsFor(log, run.program->Id(), count += 2);
    ASSERT_EQ(calls.size(), count) << change;
    EXPECT_EQ(std::vector({int(calls[count - 1].message), calls[count - 1].width}),
              std::vector({NIM_MODIFY, at.smallIcon}))
        << change;
  }
}

TEST(Dpi, TrayMenuBarTitleAndImagesGrowWithTheDpi) {
  const AtDpi& at = Harness();
  Running run(L"dpi-menu");
  ASSERT_TRUE(run.Start());
  OpenMenu menu(run.tray, run.program->Id(), at.dpi);
  ASSERT_TRUE(menu);
  const POINT bar = menu.BarOrigin();
  // Once every item is painted: the bar, pure blue along its top row, as high as the rows without red or
  // green down its first column; beside it the five images, one run of rows each (separators are thinner).
  Capture c;
  int width = 0, height = 0;
  std::vector<RECT> images;
  ASSERT_TRUE(WaitUntil(
      [&] {
        c = CaptureClient(menu.Window());
        for (width = 0; bar.x + width < c.width && c.At(bar.x + width, bar.y) == RGB(0, 0, 255);) ++width;
        for (height = 0; bar.y + height < c.height && (c.At(bar.x, bar.y + height) & 0x00FFFF) == 0;)
          ++height;
        images.clear();
        const int left = bar.x + width + 2, right = left + MulDiv(6, at.dpi, 96) + at.smallIcon;
        for (int y = bar.y, top = -1; y <= bar.y + height; ++y) {
          RECT row = Bounds(c, NotMenu, {left, y, right, y + 1});
          const bool drawn = y < bar.y + height && !IsRectEmpty(&row);
          if (drawn && top < 0) top = y;
          if (!drawn && top >= 0 && y - top > at.smallIcon / 2)
            images.push_back(Bounds(c, NotMenu, {left, top, right, y}));
          if (!drawn) top = -1;
        }
        return images.size() == 5;
      },
      5000));
  SaveArtifact(c, Name(at, "menu").c_str());
  EXPECT_EQ(width, at.barPainted);

  // The title: its white letters span the bar as the font's upright letters do, and end above the bar's
  // foot by the offset (-6) and the letters' side bearing.
  const RECT title = Bounds(c, [](COLORREF p) { return p == RGB(255, 255, 255); },
                            {bar.x, bar.y, bar.x + width, bar.y + height});
  EXPECT_GE(title.right - title.left, at.titleInk.first);
  EXPECT_LE(title.right - title.left, at.titleInk.second);
  EXPECT_GE(bar.y + height - title.bottom, MulDiv(6 + 1, at.dpi, 96));
  EXPECT_LE(bar.y + height - title.bottom, MulDiv(6 + 3, at.dpi, 96));

  // The images as large as the small icon, and drawn for it: a handful of plain colours each, where a
  // stretched picture would blend.
  LONG widest = 0, tallest = 0;
  for (const RECT& r : images) {
    widest = std::max(widest, r.right - r.left);
    tallest = std::max(tallest, r.bottom - r.top);
    std::set<COLORREF> colours;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) colours.insert(c.At(x, y));
    EXPECT_LE(colours.size(), 6u) << "image at row " << r.top;
  }
  EXPECT_EQ(std::vector({widest, tallest}), std::vector<LONG>({at.smallIcon, at.smallIcon}));
  PostMessageW(menu.Window(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(menu.Closed());
}

TEST(Dpi, DialogScalesWithNothingCutOrOverlapping) {
  const AtDpi& at = Harness();
  TSetupForm& f = Form();
  ShowPage(1);
  RECT client{};
  GetClientRect(f.Handle(), &client);
  EXPECT_EQ(std::vector({client.right, client.bottom}), std::vector({at.client.cx, at.client.cy}));
  ExpectLaidOutFor(at);
  for (int page : {1, 2}) {
    ShowPage(page);
    SaveArtifact(CaptureClient(f.Handle()), Name(at, page == 1 ? "dialog-stock" : "dialog-mail").c_str());
  }
  // The spin edit is never lower than a text line of its font.
  f.SleepTime->SetBounds(80, 4, 57, 5);
  const RECT raised = InParent(f.SleepTime->Handle());
  EXPECT_EQ(raised.bottom - raised.top, at.spinMinHeight);
  f.SleepTime->SetBounds(80, 4, 57, 22);
  f.Hide();
}

TEST(Dpi, ADpiChangeSentToTheShownDialogRescalesIt) {
  const AtDpi& at = Harness();
  const AtDpi& other = Dpi(at.dpi == 144 ? 96 : 144);
  TSetupForm& f = Form();
  ShowPage(2);
  RECT before{}, client{}, now{};
  GetWindowRect(f.Handle(), &before);
  GetClientRect(f.Handle(), &client);
  // Where the system would put it: the same corner, the new DPI's client area in the frame as Wine draws it
  // (at the system's DPI; Windows would scale the frame too).
  const RECT suggested{before.left, before.top, before.right - client.right + other.client.cx,
                       before.bottom - client.bottom + other.client.cy};
  for (auto [to, rect] : {std::pair{&other, suggested}, std::pair{&at, before}}) {
    SendMessageW(f.Handle(), WM_DPICHANGED, MAKEWPARAM(to->dpi, to->dpi), reinterpret_cast<LPARAM>(&rect));
    GetWindowRect(f.Handle(), &now);
    GetClientRect(f.Handle(), &client);
    EXPECT_EQ(Edges(now), Edges(rect));
    EXPECT_EQ(std::vector({client.right, client.bottom}), std::vector({to->client.cx, to->client.cy}));
    ExpectLaidOutFor(*to);
    SaveArtifact(CaptureClient(f.Handle()), Name(at, "to" + std::to_string(to->dpi)).c_str());
  }
  f.Hide();
}

TEST(Dpi, TheProgramsIconHoldsAnImageForEachSizeAndScalesDownForOthers) {
  HMODULE program = LoadLibraryExW(EnvPath("BRIVOLA_EXE").c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  HRSRC found = FindResourceW(program, L"MAINICON", MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(found, nullptr);
  const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(program, found)));
  std::vector<std::pair<int, int>> images;  // size, bits per pixel
  for (const BYTE* e = group + 6; e < group + 6 + 14 * (group[4] | group[5] << 8); e += 14)
    images.emplace_back(e[0] ? e[0] : 256, e[6]);
  EXPECT_EQ(images, (std::vector<std::pair<int, int>>{
                        {16, 32}, {20, 32}, {24, 32}, {32, 32}, {40, 32}, {48, 32}, {64, 32}, {256, 32}}));
  for (int size : {16, 28, 32}) {  // 175 % asks for 28 pixels: the 32-pixel image scaled down
    UniqueIcon icon(LoadIconOfSize(program, L"MAINICON", size));
    ICONINFO info{};
    BITMAP colour{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info)) << size;
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(std::vector({colour.bmWidth, colour.bmHeight}), std::vector<LONG>({size, size}));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  FreeLibrary(program);
}
