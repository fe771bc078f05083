// The side-bar popup menu under Wine: the menu opens, its bar is captured from
// the screen, a selection change repaints items only; and the version reader.
#include "BarPopupMenu.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "ActnList.h"
#include "BIOS.h"
#include "Forms.h"
#include "Harness.h"
#include "ImgList.h"

using harness::Capture;
using harness::CaptureClient;
using harness::CopyInto;
using harness::EnvPath;
using harness::SaveArtifact;
using harness::ScratchDir;

namespace {
// The part of a capture from the corner o on.
Capture Shifted(const Capture& c, POINT o) {
  Capture s;
  s.width = std::max(0, c.width - static_cast<int>(o.x));
  s.height = std::max(0, c.height - static_cast<int>(o.y));
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) s.pixels.push_back(c.At(x + o.x, y + o.y));
  return s;
}

// The client area of a window of this thread as its own device context holds
// it: up to date as soon as a paint returns, while the screen shows it only
// once the thread's loop has gone idle.
Capture CaptureOwnWindow(HWND wnd) {
  Capture c;
  RECT rc{};
  GetClientRect(wnd, &rc);
  c.width = rc.right;
  c.height = rc.bottom;
  WindowDC source(wnd);
  MemoryDC memory(source.get());
  UniqueBitmap bitmap(CreateCompatibleBitmap(source.get(), c.width, c.height));
  {
    SelectGuard select(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, c.width, c.height, source.get(), 0, 0, SRCCOPY);
  }
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), c.width, -c.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> raw(static_cast<size_t>(c.width) * c.height);
  GetDIBits(memory.get(), bitmap.get(), 0, c.height, raw.data(), &info, DIB_RGB_COLORS);
  for (DWORD bgra : raw) c.pixels.push_back(RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF));
  return c;
}

void RepaintFully(HWND wnd) {
  RedrawWindow(wnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

HBITMAP SolidImage(COLORREF colour) {
  WindowDC screen(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), 16, 16);
  MemoryDC memory(screen.get());
  SelectGuard select(memory.get(), bitmap);
  UniqueBrush back(CreateSolidBrush(RGB(255, 0, 255)));
  UniqueBrush fore(CreateSolidBrush(colour));
  const RECT all{0, 0, 16, 16}, inner{3, 3, 13, 13};
  FillRect(memory.get(), &all, back.get());
  FillRect(memory.get(), &inner, fore.get());
  return bitmap;
}

// Drives an open menu from a timer: the steps run in order, each until it returns true.
std::vector<std::function<bool(HWND)>>* gSteps = nullptr;
size_t gStep = 0;
int gTicks = 0;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (!gSteps) return;
  if (++gTicks > 200) {  // 10 s bound: give up and close the menu
    EndMenu();
    return;
  }
  HWND menu = FindWindowW(L"#32768", nullptr);
  if (!menu || !IsWindowVisible(menu)) return;
  if (gStep < gSteps->size() && (*gSteps)[gStep](menu)) ++gStep;
}

void RunOpenMenu(TPopupMenu& popup, std::vector<std::function<bool(HWND)>> steps) {
  gSteps = &steps;
  gStep = 0;
  gTicks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &Tick);
  popup.PopupAt(100, 100);
  KillTimer(nullptr, timer);
  gSteps = nullptr;
  EXPECT_EQ(gStep, steps.size()) << "menu steps reached";
}
}  // namespace

TEST(BarPopupMenu, DefaultsAndPicture) {
  TComponent owner(nullptr);
  auto& menu = owner.Add<TBarPopupMenu>();
  EXPECT_TRUE(menu.OwnerDraw);
  EXPECT_EQ(menu.BarWidth, 31);
  EXPECT_EQ(menu.GradientStart, 0xFF0000u);
  EXPECT_EQ(menu.GradientEnd, 0u);
  EXPECT_EQ(menu.VerticalTextOffsetY, -6);
  EXPECT_EQ(menu.BitmapVertAlignment, TBitmapVertAlignment::bvaBottom);
  EXPECT_EQ(menu.BitmapHorzAlignment, TBitmapHorzAlignment::bhaLeft);
  EXPECT_EQ(menu.VerticalFont.Name, L"Tahoma");
  EXPECT_EQ(menu.VerticalFont.Size, 14);
  EXPECT_TRUE(menu.VerticalFont.Bold && menu.VerticalFont.Italic);
  EXPECT_EQ(menu.VerticalFont.Color, 0xFFFFFFu);
  EXPECT_FALSE(menu.Transparent());
  menu.SetTransparent(true);
  EXPECT_FALSE(menu.Transparent());
  EXPECT_TRUE(menu.Bitmap().Empty());
  EXPECT_TRUE(menu.Transparent());
  EXPECT_FALSE(menu.HasBitmap());
}

TEST(BarPopupMenu, PaintsTheBarOnceAndItemsOnSelection) {
  TComponent owner(nullptr);
  auto& images = owner.Add<TImageList>();
  for (COLORREF c : {RGB(200, 0, 0), RGB(0, 160, 0), RGB(0, 0, 200)}) {
    UniqueBitmap image(SolidImage(c));
    images.AddMasked(image.get(), RGB(255, 0, 255));
  }
  auto& actions = owner.Add<TActionList>();
  int executed = 0;
  auto& act = actions.AddAction("Act", L"アクション", 2, [&](TComponent*) { ++executed; });
  auto& menu = owner.Add<TBarPopupMenu>();
  menu.Images = &images;
  menu.VerticalText = L"Brivola";
  menu.VerticalFont.Height = -17;
  menu.Items.Add("A", L"最初の項目").ImageIndex = 0;
  menu.Items.Add("S", L"-");
  menu.Items.Add("H", L"隠れた項目").Visible = false;
  auto& disabled = menu.Items.Add("D", L"使えない項目");
  disabled.Enabled = false;
  disabled.ImageIndex = 1;
  menu.Items.AddAction("B", act);

  Capture before, after;
  std::vector<std::wstring> strings, names;  // each item's own string, and the name in its MSAAMENUINFO
  RunOpenMenu(menu, {
                        [&](HWND wnd) {
                          if (!menu.BarDrawn()) return false;
                          const auto open = reinterpret_cast<HMENU>(SendMessageW(wnd, MN_GETHMENU, 0, 0));
                          for (int i = 0; i < GetMenuItemCount(open); ++i) {
                            wchar_t text[32]{};
                            GetMenuStringW(open, i, text, 32, MF_BYPOSITION);
                            strings.push_back(text);
                            MENUITEMINFOW info{};
                            info.cbSize = sizeof info;
                            info.fMask = MIIM_DATA;
                            GetMenuItemInfoW(open, i, TRUE, &info);
                            const auto* msaa = reinterpret_cast<const MSAAMENUINFO*>(info.dwItemData);
                            names.push_back(msaa->dwMSAASignature == static_cast<DWORD>(MSAA_MENU_SIG)
                                                ? std::wstring(msaa->pszWText, msaa->cchWText)
                                                : L"?");
                          }
                          before = CaptureClient(wnd);
                          SaveArtifact(before, "BarPopupMenu-open.bmp");
                          PostMessageW(wnd, WM_KEYDOWN, VK_DOWN, 0);
                          return true;
                        },
                        [&](HWND wnd) {
                          after = CaptureClient(wnd);
                          // Wait until the highlight shows in the item column.
                          for (int y = 0; y < after.height; ++y)
                            if (after.At(menu.BarWidth + 12, y) != before.At(menu.BarWidth + 12, y))
                              return true;
                          PostMessageW(wnd, WM_KEYDOWN, VK_DOWN, 0);
                          return false;
                        },
                        [&](HWND wnd) {
                          SaveArtifact(after, "BarPopupMenu-selected.bmp");
                          PostMessageW(wnd, WM_KEYDOWN, VK_ESCAPE, 0);
                          return true;
                        },
                    });
  ASSERT_GT(menu.MenuHeight(), 0);
  const std::vector<std::wstring> captions{L"最初の項目", L"", L"使えない項目", L"アクション"};
  EXPECT_EQ(strings, captions);
  EXPECT_EQ(names, captions);
  const POINT o = menu.ItemOrigin();
  before = Shifted(before, o);
  after = Shifted(after, o);
  ASSERT_GE(before.height, menu.MenuHeight());
  EXPECT_EQ(before.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(before.At(menu.BarWidth - 3, 1), GradientRowColor(0xFF0000, 0, 1, menu.MenuHeight()));
  EXPECT_LE(GetBValue(before.At(0, menu.MenuHeight() - 1)), 255 / menu.MenuHeight() + 1);
  int white = 0;
  for (int y = 0; y < menu.MenuHeight(); ++y)
    for (int x = 0; x < menu.BarWidth - 2; ++x) white += before.At(x, y) == RGB(255, 255, 255);
  EXPECT_GT(white, 20) << "the title shows on the bar";
  ASSERT_EQ(after.height, before.height);
  for (int y = 0; y < before.height; ++y)
    for (int x = 0; x < menu.BarWidth - 2; ++x)
      ASSERT_EQ(before.At(x, y), after.At(x, y)) << "bar pixel " << x << "," << y << " repainted";
  EXPECT_EQ(executed, 0);
}

TEST(BarPopupMenu, SystemColoursTurnIntoTheirRgbAndAHiddenLastItemLeavesTheBarComplete) {
  const struct {
    TColor start, end;
  } rows[] = {{clHighlight, clBtnFace}, {clBtnFace, clBtnFace}, {clMenu, 0x0000FF}};
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << r.start << " " << r.end);
    TComponent owner(nullptr);
    auto& menu = owner.Add<TBarPopupMenu>();
    menu.VerticalText.clear();
    menu.GradientStart = r.start;
    menu.GradientEnd = r.end;
    menu.Items.Add("A", L"一番目");
    menu.Items.Add("B", L"二番目");
    menu.Items.Add("H", L"隠れた項目").Visible = false;
    Capture bar;
    RunOpenMenu(menu, {[&](HWND wnd) {
                  if (!menu.BarDrawn()) return false;
                  bar = Shifted(CaptureClient(wnd), menu.ItemOrigin());
                  PostMessageW(wnd, WM_KEYDOWN, VK_ESCAPE, 0);
                  return true;
                }});
    ASSERT_TRUE(menu.BarDrawn());
    ASSERT_GE(bar.height, menu.MenuHeight());
    const COLORREF start = ColorToRGB(r.start), end = ColorToRGB(r.end);
    const int last = menu.MenuHeight() - 1;
    EXPECT_EQ(bar.At(0, 0), start);
    EXPECT_EQ(bar.At(menu.BarWidth - 3, 0), start);
    EXPECT_EQ(bar.At(0, last), GradientRowColor(start, end, last, menu.MenuHeight()));
    EXPECT_EQ(bar.At(menu.BarWidth - 3, last), bar.At(0, last));
  }
}

TEST(BarPopupMenu, EveryRepaintOfTheOpenMenuRestoresTheBarWithItsTitleAndPicture) {
  // A 12 x 40 picture of two colours (its bottom-left pixel, green, is the transparent one).
  const auto picture = [](bool transparent) {
    TBitmap b;
    WindowDC screen(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), 12, 40);
    {
      MemoryDC memory(screen.get());
      SelectGuard select(memory.get(), bitmap);
      UniqueBrush red(CreateSolidBrush(RGB(255, 0, 0))), green(CreateSolidBrush(RGB(0, 255, 0)));
      const RECT all{0, 0, 12, 40}, corner{0, 30, 4, 40};
      FillRect(memory.get(), &all, red.get());
      FillRect(memory.get(), &corner, green.get());
    }
    b.SetHandle(bitmap);
    b.Transparent = transparent;
    return b;
  };
  const struct {
    const char* name;
    const char* file;
    TColor start, end;
    bool withPicture, transparent;
    TBitmapVertAlignment vert;
  } rows[] = {
      {"gradient", "gradient", 0xFF0000, 0, false, true, TBitmapVertAlignment::bvaBottom},
      {"gradient, picture across items", "picture", 0xFF0000, 0, true, true, TBitmapVertAlignment::bvaMiddle},
      {"solid, picture at the bottom", "solid", 0x808000, 0x808000, true, true,
       TBitmapVertAlignment::bvaBottom},
      {"opaque picture at the top", "opaque", 0xFF0000, 0x0000FF, true, false, TBitmapVertAlignment::bvaTop},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    TComponent owner(nullptr);
    auto& menu = owner.Add<TBarPopupMenu>();
    menu.VerticalText = L"Brivola";
    menu.VerticalFont.Height = -17;
    menu.GradientStart = r.start;
    menu.GradientEnd = r.end;
    if (r.withPicture) {
      menu.SetBitmap(picture(r.transparent));
      menu.BitmapVertAlignment = r.vert;
      menu.BitmapHorzAlignment = TBitmapHorzAlignment::bhaCenter;
    }
    for (const wchar_t* caption : {L"一番目", L"二番目", L"-", L"三番目", L"四番目"})
      menu.Items.Add("I", caption);
    Capture open, repainted, selected;
    RunOpenMenu(menu, {
                          [&](HWND wnd) {
                            if (!menu.BarDrawn()) return false;
                            open = Shifted(CaptureOwnWindow(wnd), menu.ItemOrigin());
                            RepaintFully(wnd);
                            repainted = Shifted(CaptureOwnWindow(wnd), menu.ItemOrigin());
                            PostMessageW(wnd, WM_KEYDOWN, VK_DOWN, 0);
                            return true;
                          },
                          [&](HWND wnd) {
                            // The first item selected; then the whole menu again.
                            const Capture now = Shifted(CaptureOwnWindow(wnd), menu.ItemOrigin());
                            if (now.At(menu.BarWidth + 12, 2) == open.At(menu.BarWidth + 12, 2)) return false;
                            RepaintFully(wnd);
                            selected = Shifted(CaptureOwnWindow(wnd), menu.ItemOrigin());
                            PostMessageW(wnd, WM_KEYDOWN, VK_ESCAPE, 0);
                            return true;
                          },
                      });
    ASSERT_GE(open.height, menu.MenuHeight());
    ASSERT_EQ(repainted.height, open.height);
    ASSERT_EQ(selected.height, open.height);
    SaveArtifact(repainted, (std::string("BarPopupMenu-repainted-") + r.file + ".bmp").c_str());
    const int height = menu.MenuHeight();
    const COLORREF start = ColorToRGB(r.start), end = ColorToRGB(r.end);
    // The bar as drawn: the fill's rows, the title's white, the picture's red, and its green only when
    // opaque.
    int white = 0, red = 0, green = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < menu.BarWidth - 2; ++x) {
        const COLORREF p = open.At(x, y);
        white += p == RGB(255, 255, 255);
        red += p == RGB(255, 0, 0);
        green += p == RGB(0, 255, 0);
      }
    EXPECT_EQ(open.At(0, 0), start);  // the picture stands in the middle, from x 8
    EXPECT_EQ(open.At(0, height - 1), GradientRowColor(start, end, height - 1, height));
    EXPECT_GT(white, 20) << "the title";
    // The picture's red part, 12 x 40 pixels but the 4 x 10 corner: whole although it spans several items.
    EXPECT_EQ(red, r.withPicture ? 12 * 40 - 4 * 10 : 0);
    EXPECT_EQ(green, r.withPicture && !r.transparent ? 4 * 10 : 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < menu.BarWidth - 2; ++x) {
        ASSERT_EQ(repainted.At(x, y), open.At(x, y))
            << "bar pixel " << x << "," << y << " after a full repaint";
        ASSERT_EQ(selected.At(x, y), open.At(x, y)) << "bar pixel " << x << "," << y << " with a selection";
      }
  }
}

TEST(BarPopupMenu, ChosenItemRunsItsAction) {
  TComponent owner(nullptr);
  auto& actions = owner.Add<TActionList>();
  int executed = 0;
  auto& act = actions.AddAction("Act", L"実行", -1, [&](TComponent*) { ++executed; });
  auto& menu = owner.Add<TBarPopupMenu>();
  menu.Items.AddAction("A", act);
  RunOpenMenu(menu, {[&](HWND wnd) {
                PostMessageW(wnd, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageW(wnd, WM_KEYDOWN, VK_RETURN, 0);
                return true;
              }});
  EXPECT_EQ(executed, 1);
}

TEST(GetVersionInfo, ReadsTheStringOfTheKeyAndReportsWhatIsMissing) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring program = EnvPath("BRIVOLA_EXE");
  const std::wstring wintool = EnvPath("WINTOOL_EXE");  // translation 0409/1252 and only three strings
  ASSERT_FALSE(program.empty() || wintool.empty());
  // A folder named in Korean, which code page 932 can't write.
  const std::wstring korean = CopyInto(program, ScratchDir(L"\ubc84\uc804"), L"Brivola.exe");
  const struct {
    std::wstring file;
    int index;
    const char* text;
  } rows[] = {
      {self, 2, "unidentified"},  // no version resource
      {L"Z:\\no\\such\\file.exe", 2, "unidentified"},
      {korean, 2, "FileVersion : 1.0.0.14"},
      {program, 2, "FileVersion : 1.0.0.14"},
      {program, 8, "FileVersion : 1.0.0.14"},
      {program, 0, "CompanyName : Tornhaven"},
      {program, 1, "FileDescription : Clipboard Browse Utility."},
      {program, 3, "InternalName : Brivola"},
      {program, 4, "LegalCopyright : Copyright (C) 2026 Tornhaven"},
      {program, 5, "OriginalFilename : Brivola.exe"},
      {program, 6, "ProductName : Brivola"},
      {program, 7, "ProductVersion : 1.0.0.0"},
      {wintool, 2, "FileVersion : 2.3.0.1"},
      {wintool, 9, "FileVersion : 2.3.0.1"},
      {wintool, 6, "ProductName : wintool"},
      {wintool, 0, "CompanyName : None"},
      {wintool, 4, "LegalCopyright : None"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(GetVersionInfo(r.file, r.index), r.text) << testing::PrintToString(r.file) << " " << r.index;
}
