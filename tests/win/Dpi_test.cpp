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
#include <set>
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
  int barPainted;                // the side bar: 31 scaled, less its 2-pixel gap
  std::pair<int, int> titleInk;  // the title's upright letters across the bar, from-to
  int fontHeight;                // the dialog's font: -11 scaled
  SIZE client;                   // 480 x 320 scaled
  int spinButton;                // the button pair: 15 scaled
  SIZE triangle;                 // 9 x 6 scaled: odd, as wide as its rows allow
  int spinMinHeight;             // a text line of the font, a quarter more, borders
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

std::string Name(const AtDpi& at, const char* what) {
  return "Dpi" + std::to_string(at.dpi) + "-" + what + ".bmp";
}

bool Dark(COLORREF p) { return GetRValue(p) + GetGValue(p) + GetBValue(p) < 3 * 96; }

// ---- the dialog, in this process, which declares itself aware of the DPI as the program does

TSetupForm& Form() {
  static TSetupForm* form = [] {
    std::string ini = ModuleFileName();
    ini.replace(ini.find_last_of('.'), std::string::npos, ".ini");
    DeleteFileA(ini.c_str());
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

RECT WindowRect(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return r;
}

std::vector<int> Edges(RECT r) { return {r.left, r.top, r.right, r.bottom}; }

LONG FontHeight(HWND control) {
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf.lfHeight;
}

SIZE TextSize(HFONT font, const std::wstring& text) {
  WindowDC dc(nullptr);
  SelectGuard select(dc.get(), font);
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

// The dark pixels of a caption drawn alone in the font.
struct Ink {
  int width = 0, height = 0, right = -1, count = 0;
  std::vector<char> dark;
  bool At(int x, int y) const { return dark[static_cast<size_t>(y) * width + x] != 0; }
};

Ink Rendered(HFONT font, const std::wstring& text) {
  Ink ink;
  const SIZE size = TextSize(font, text);
  ink.width = size.cx + 8;
  ink.height = size.cy;
  WindowDC screen(nullptr);
  MemoryDC memory(screen.get());
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), ink.width, ink.height));
  SelectGuard select(memory.get(), bitmap.get()), selectFont(memory.get(), font);
  const RECT all{0, 0, ink.width, ink.height};
  FillRect(memory.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(memory.get(), TRANSPARENT);
  TextOutW(memory.get(), 4, 0, text.c_str(), static_cast<int>(text.size()));
  for (int y = 0; y < ink.height; ++y)
    for (int x = 0; x < ink.width; ++x) {
      const bool on = Dark(GetPixel(memory.get(), x, y));
      ink.dark.push_back(on);
      ink.count += on;
      if (on) ink.right = std::max(ink.right, x);
    }
  return ink;
}

// Whether a capture shows the whole caption: placed by its right edge, the rendering's dark pixels are dark
// there too (all but a few that smoothing may shade otherwise). A cut caption ends at the cut, where the
// rendering doesn't fit. Frame lines (dark nearly all the way down) are no text.
bool ShowsWhole(const Capture& c, const Ink& ink, int rows) {
  int right = -1;
  for (int x = 0; x < c.width; ++x) {
    int down = 0;
    for (int y = 0; y < c.height; ++y) down += Dark(c.At(x, y));
    for (int y = 0; y < std::min(rows, c.height) && down * 10 < c.height * 9; ++y)
      if (Dark(c.At(x, y))) right = x;
  }
  int best = 0;
  for (int dx = right - ink.right - 1; dx <= right - ink.right + 1; ++dx)
    for (int dy = -ink.height; dy < c.height; ++dy) {
      int hits = 0;
      for (int y = 0; y < ink.height; ++y)
        for (int x = 0; x < ink.width; ++x)
          if (ink.At(x, y) && x + dx >= 0 && x + dx < c.width && y + dy >= 0 && y + dy < c.height &&
              Dark(c.At(x + dx, y + dy)))
            ++hits;
      best = std::max(best, hits);
    }
  return ink.count > 0 && best * 100 >= ink.count * 97;
}

// The dialog's controls at the DPI: where they are, their font, and that no caption is cut and no control
// covers another.
void ExpectLaidOutFor(const AtDpi& at) {
  SCOPED_TRACE(std::to_string(at.dpi) + " dpi");
  TSetupForm& f = Form();
  const struct {
    TControl* control;
    int l, t, w, h;
  } designed[] = {
      {f.OK, 312, 288, 75, 25},
      {f.Cancel, 392, 288, 75, 25},
      {f.PageControl1, 0, 0, 480, 273},
      {f.BrowseStockCode, 8, 8, 273, 17},
      {f.StockSiteSelect, 304, 8, 161, 105},
      {f.SleepTime, 80, 4, 57, 22},
      {f.AutoBrowseNetMileAD, 8, 32, 201, 17},
      {f.AutoBrowseInfoCash, 8, 56, 225, 17},
      {f.InfoCashID, 96, 76, 113, 21},
  };
  auto scaled = [&](int v) { return MulDiv(v, at.dpi, 96); };
  // Each control where its design puts it, scaled: the rows exact; a caption to the left that needs a few
  // pixels more than its share may push a control right, and one's own caption may widen it.
  for (int page : {1, 2}) {
    ShowPage(page);
    for (const auto& d : designed) {
      auto* wc = dynamic_cast<TWinControl*>(d.control);
      if (!IsWindowVisible(wc->Handle())) continue;
      SCOPED_TRACE(d.control->Name());
      const RECT r = InParent(wc->Handle());
      EXPECT_EQ(std::vector<int>({r.top, r.bottom}), std::vector<int>({scaled(d.t), scaled(d.t + d.h)}));
      EXPECT_GE(r.left, scaled(d.l));
      EXPECT_LE(r.left, scaled(d.l) + scaled(8));
      EXPECT_GE(r.right - r.left, scaled(d.l + d.w) - scaled(d.l));
      EXPECT_EQ(FontHeight(wc->Handle()), at.fontHeight);
    }
  }
  for (TControl* fixed : {static_cast<TControl*>(f.OK), static_cast<TControl*>(f.Cancel),
                          static_cast<TControl*>(f.PageControl1)}) {
    const RECT design{fixed->Left(), fixed->Top(), fixed->Left() + fixed->Width(),
                      fixed->Top() + fixed->Height()};
    EXPECT_EQ(Edges(InParent(dynamic_cast<TWinControl*>(fixed)->Handle())),
              (std::vector<int>{scaled(design.left), scaled(design.top), scaled(design.right),
                                scaled(design.bottom)}))
        << fixed->Name();
  }

  // Captions whole: each ends within its control.
  struct Captioned {
    std::string what;
    HWND wnd;
    std::wstring caption;
    bool frame;
    int page;
  };
  std::vector<Captioned> captioned = {
      {"OK", f.OK->Handle(), L"OK", false, 2},
      {"Cancel", f.Cancel->Handle(), L"Cancel", false, 2},
      {"BrowseStockCode", f.BrowseStockCode->Handle(), f.BrowseStockCode->Caption(), false, 1},
      {"StockSiteSelect", f.StockSiteSelect->Handle(), f.StockSiteSelect->Caption(), true, 1},
      {"AutoBrowseNetMileAD", f.AutoBrowseNetMileAD->Handle(), f.AutoBrowseNetMileAD->Caption(), false, 2},
      {"AutoBrowseInfoCash", f.AutoBrowseInfoCash->Handle(), f.AutoBrowseInfoCash->Caption(), false, 2},
  };
  for (TControl* c : f.StockSiteSelect->Controls())
    if (auto* b = dynamic_cast<TRadioButton*>(c))
      captioned.push_back(
          {"item " + std::to_string(captioned.size() - 5), b->Handle(), b->Caption(), false, 1});
  for (const Captioned& c : captioned) {
    ShowPage(c.page);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(c.wnd, WM_GETFONT, 0, 0));
    const Capture shot = CaptureClient(c.wnd);
    // A group box's caption stands in its top rows.
    EXPECT_TRUE(
        ShowsWhole(shot, Rendered(font, c.caption), c.frame ? TextSize(font, c.caption).cy : shot.height))
        << c.what << "'s caption is cut";
  }

  // No control covers another, each lies within its parent, and each label's text keeps clear of them.
  const struct {
    TWinControl* parent;
    int page;
  } parents[] = {{&f, 1}, {f.TabSheet2, 1}, {f.StockSiteSelect, 1}, {f.TabSheet3, 2}};
  for (const auto& p : parents) {
    ShowPage(p.page);
    RECT client{};
    GetClientRect(p.parent->Handle(), &client);
    std::vector<std::pair<std::string, RECT>> placed;
    for (TControl* c : p.parent->Controls()) {
      RECT r = c->ScaledBounds();
      if (auto* wc = dynamic_cast<TWinControl*>(c)) {
        if (dynamic_cast<TTabSheet*>(c)) continue;
        r = InParent(wc->Handle());
      } else if (auto* label = dynamic_cast<TLabel*>(c)) {
        const SIZE text = TextSize(f.FontHandle(), label->Caption());
        r.right = r.left + text.cx;
        r.bottom = r.top + text.cy;
      }
      RECT outside{};
      SubtractRect(&outside, &r, &client);
      EXPECT_TRUE(IsRectEmpty(&outside)) << c->Name() << " reaches out of " << p.parent->Name();
      for (const auto& [name, other] : placed) {
        RECT common{};
        EXPECT_FALSE(IntersectRect(&common, &r, &other)) << c->Name() << " overlaps " << name;
      }
      placed.emplace_back(c->Name(), r);
    }
  }

  // The spin edit: its text area short of its buttons, the buttons and their triangles scaled.
  ShowPage(2);
  TSpEdit& spin = *f.SleepTime;
  RECT text{}, client{};
  SendMessageW(spin.Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  GetClientRect(spin.Handle(), &client);
  const RECT pair = InParent(spin.Button().Handle());
  EXPECT_EQ(pair.right - pair.left, at.spinButton);
  EXPECT_LE(text.right, pair.left);
  EXPECT_LE(pair.right, client.right);
  EXPECT_LE(pair.bottom, client.bottom);
  const SIZE digits = TextSize(f.FontHandle(), L"9999");
  EXPECT_LE(digits.cx, text.right - text.left);
  EXPECT_LE(digits.cy, client.bottom);
  const Capture up = CaptureClient(spin.Button().UpButton().Handle());
  RECT ink{up.width, up.height, -1, -1};
  for (int y = 0; y < up.height; ++y)
    for (int x = 0; x < up.width; ++x)
      if (up.At(x, y) == RGB(0, 0, 0))
        ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
               std::max<LONG>(ink.bottom, y + 1)};
  EXPECT_EQ(ink.right - ink.left, at.triangle.cx);
  EXPECT_EQ(ink.bottom - ink.top, at.triangle.cy);
}

}  // namespace

TEST(Dpi, TrayIconReachesTheShellAtTheSmallIconSize) {
  const AtDpi& at = Harness();
  TraySpy spy;
  ASSERT_TRUE(spy.InFront());
  Running run(L"dpi-tray");
  ASSERT_TRUE(run.Start());
  const DWORD pid = run.program->Id();
  auto calls = spy.WaitForCalls(pid, 1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_TRUE(calls[0].wholeIcon);
  EXPECT_EQ(std::vector<int>({calls[0].width, calls[0].height, calls[0].bitsPerPixel}),
            std::vector<int>({at.smallIcon, at.smallIcon, 32}));

  // The notification area's monitor takes another scale: the icon follows it.
  const AtDpi& other = Dpi(at.dpi == 192 ? 120 : 192);
  RECT suggested{0, 0, 0, 0};
  SendMessageW(run.tray, WM_DPICHANGED, MAKEWPARAM(other.dpi, other.dpi),
               reinterpret_cast<LPARAM>(&suggested));
  calls = spy.WaitForCalls(pid, 2);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(std::vector<int>({calls[1].width, calls[1].height}),
            std::vector<int>({other.smallIcon, other.smallIcon}));

  // A new shell, which doesn't know the icon (the spy counts this call to the icon's window too): it is
  // registered again and comes back at the size of the system's DPI.
  NOTIFYICONDATAW forget{};
  forget.cbSize = sizeof forget;
  forget.hWnd = run.tray;
  forget.uID = 7;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &forget));
  PostMessageW(run.tray, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  calls = spy.WaitForCalls(pid, 5);
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[3].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(calls[4].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(std::vector<int>({calls[4].width, calls[4].height}),
            std::vector<int>({at.smallIcon, at.smallIcon}));
}

namespace {
// The images beside the bar, one run of rows each (separator lines are thinner).
std::vector<RECT> ImagesBeside(const Capture& c, POINT bar, int barWidth, int height, const AtDpi& at) {
  const COLORREF back = GetSysColor(COLOR_MENU);
  const int left = bar.x + barWidth, right = left + MulDiv(6, at.dpi, 96) + at.smallIcon;
  std::vector<RECT> images;
  RECT span{c.width, -1, -1, -1};
  for (int y = bar.y; y <= bar.y + height; ++y) {
    int from = c.width, to = -1;
    for (int x = left; x < right && y < bar.y + height; ++x)
      if (c.At(x, y) != back) from = std::min(from, x), to = std::max(to, x + 1);
    if (to >= 0) {
      if (span.top < 0) span.top = y;
      span = {std::min<LONG>(span.left, from), span.top, std::max<LONG>(span.right, to), y + 1};
    } else if (span.top >= 0) {
      if (span.bottom - span.top > at.smallIcon / 2) images.push_back(span);
      span = {c.width, -1, -1, -1};
    }
  }
  return images;
}
}  // namespace

TEST(Dpi, TrayMenuBarTitleAndImagesGrowWithTheDpi) {
  const AtDpi& at = Harness();
  Running run(L"dpi-menu");
  ASSERT_TRUE(run.Start());
  OpenMenu menu(run.tray, run.program->Id(), at.dpi);
  ASSERT_TRUE(menu);
  const POINT bar = menu.BarOrigin();
  // Once every item has been painted: the bar, pure blue along its top row, as high as the rows without red
  // or green down its first column, and the five images beside it.
  Capture c;
  int width = 0, height = 0;
  std::vector<RECT> images;
  ASSERT_TRUE(WaitUntil(
      [&] {
        c = CaptureClient(menu.Window());
        for (width = 0; bar.x + width < c.width && c.At(bar.x + width, bar.y) == RGB(0, 0, 255);) ++width;
        for (height = 0; bar.y + height < c.height && (c.At(bar.x, bar.y + height) & 0x00FFFF) == 0;)
          ++height;
        images = ImagesBeside(c, bar, width + 2, height, at);
        return images.size() == 5;
      },
      5000));
  SaveArtifact(c, Name(at, "menu").c_str());
  EXPECT_EQ(width, at.barPainted);

  // The title: its white letters span the bar's width as the font's upright letters would, and end above the
  // bar's foot by the scaled offset (-6) and the letters' side bearing.
  RECT title{c.width, c.height, -1, -1};
  for (int y = bar.y; y < bar.y + height; ++y)
    for (int x = bar.x; x < bar.x + width; ++x)
      if (c.At(x, y) == RGB(255, 255, 255))
        title = {std::min<LONG>(title.left, x), std::min<LONG>(title.top, y),
                 std::max<LONG>(title.right, x + 1), std::max<LONG>(title.bottom, y + 1)};
  EXPECT_GE(title.right - title.left, at.titleInk.first);
  EXPECT_LE(title.right - title.left, at.titleInk.second);
  const int foot = bar.y + height - title.bottom;
  EXPECT_GE(foot, MulDiv(6 + 1, at.dpi, 96));
  EXPECT_LE(foot, MulDiv(6 + 3, at.dpi, 96));

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
  EXPECT_EQ(widest, at.smallIcon);
  EXPECT_EQ(tallest, at.smallIcon);
  PostMessageW(menu.Window(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(menu.Closed());
}

TEST(Dpi, DialogScalesWithNothingCutOrOverlapping) {
  const AtDpi& at = Harness();
  TSetupForm& f = Form();
  ShowPage(1);
  RECT client{};
  GetClientRect(f.Handle(), &client);
  EXPECT_EQ(std::vector<LONG>({client.right, client.bottom}),
            std::vector<LONG>({at.client.cx, at.client.cy}));
  ExpectLaidOutFor(at);
  for (int page : {1, 2}) {
    ShowPage(page);
    SaveArtifact(CaptureClient(f.Handle()), Name(at, page == 1 ? "dialog-stock" : "dialog-mail").c_str());
  }
  // The spin edit is never lower than a text line of its font.
  f.SleepTime->SetBounds(80, 4, 57, 5);
  EXPECT_EQ(InParent(f.SleepTime->Handle()).bottom - InParent(f.SleepTime->Handle()).top, at.spinMinHeight);
  f.SleepTime->SetBounds(80, 4, 57, 22);
  f.Hide();
}

TEST(Dpi, ADpiChangeSentToTheShownDialogRescalesIt) {
  const AtDpi& at = Harness();
  const AtDpi& other = Dpi(at.dpi == 144 ? 96 : 144);
  TSetupForm& f = Form();
  ShowPage(2);
  const RECT before = WindowRect(f.Handle());
  // Where the system would put it: the same corner, the client area of the new DPI in the frame as Wine
  // draws it (at the system's DPI; Windows would scale the frame too).
  RECT client{};
  GetClientRect(f.Handle(), &client);
  const RECT suggested{before.left, before.top, before.right - client.right + other.client.cx,
                       before.bottom - client.bottom + other.client.cy};
  SendMessageW(f.Handle(), WM_DPICHANGED, MAKEWPARAM(other.dpi, other.dpi),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(Edges(WindowRect(f.Handle())), Edges(suggested));
  GetClientRect(f.Handle(), &client);
  EXPECT_EQ(std::vector<LONG>({client.right, client.bottom}),
            std::vector<LONG>({other.client.cx, other.client.cy}));
  ExpectLaidOutFor(other);
  SaveArtifact(CaptureClient(f.Handle()), Name(at, ("to" + std::to_string(other.dpi)).c_str()).c_str());

  SendMessageW(f.Handle(), WM_DPICHANGED, MAKEWPARAM(at.dpi, at.dpi), reinterpret_cast<LPARAM>(&before));
  EXPECT_EQ(Edges(WindowRect(f.Handle())), Edges(before));
  GetClientRect(f.Handle(), &client);
  EXPECT_EQ(std::vector<LONG>({client.right, client.bottom}),
            std::vector<LONG>({at.client.cx, at.client.cy}));
  ExpectLaidOutFor(at);
  f.Hide();
}

TEST(Dpi, TheProgramsIconHoldsAnImageForEachSizeAndScalesDownForOthers) {
  HMODULE program = LoadLibraryExW(EnvPath("BRIVOLA_EXE").c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  HRSRC found = FindResourceW(program, L"MAINICON", MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(found, nullptr);
  const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(program, found)));
  std::vector<std::pair<int, int>> images;  // size, bits per pixel
  for (int i = 0; i < (group[4] | group[5] << 8); ++i)
    images.emplace_back(group[6 + i * 14] ? group[6 + i * 14] : 256, group[6 + i * 14 + 6]);
  EXPECT_EQ(images, (std::vector<std::pair<int, int>>{
                        {16, 32}, {20, 32}, {24, 32}, {32, 32}, {40, 32}, {48, 32}, {64, 32}, {256, 32}}));
  // 175 % asks for 28 pixels: the 32-pixel image scaled down.
  for (int size : {16, 28, 32}) {
    UniqueIcon icon(LoadIconOfSize(program, L"MAINICON", size));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info)) << size;
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(std::vector<LONG>({colour.bmWidth, colour.bmHeight}), std::vector<LONG>({size, size}));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  FreeLibrary(program);
}
