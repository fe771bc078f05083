#include "TrayDriver.h"

#include <gtest/gtest.h>

namespace harness {

OpenMenu::OpenMenu(HWND tray, DWORD pid, int dpi) : dpi_(dpi) {
  // The menu opens at the cursor: the same place each time, with room below and to the right.
  const POINT at{200, 200};
  MouseMoveTo(at);
  WaitUntil(
      [&] {
        POINT p{};
        return GetCursorPos(&p) && p.x == at.x && p.y == at.y;
      },
      5000);
  PostMessageW(tray, kTrayNotify, 7, WM_RBUTTONDOWN);
  // Visible: the window of a menu that has just closed may linger hidden.
  WaitUntil(
      [&] {
        wnd_ = FindProcessWindow(L"#32768", nullptr, pid);
        return wnd_ && IsWindowVisible(wnd_);
      },
      10000);
  if (wnd_) WaitUntil([&] { return FindBar(); }, 5000);
}

std::pair<int, int> OpenMenu::Highlighted(const Capture& c) const {
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  const int x = bar_.x + Scaled(kBarWidth) + Scaled(22);  // between the image and the caption
  int top = -1, bottom = -1;
  for (int y = 0; y < c.height; ++y)
    if (c.At(x, y) == highlight) {
      if (top < 0) top = y;
      bottom = y + 1;
    }
  return {top, bottom};
}

std::pair<int, int> OpenMenu::Down() {
  const std::pair<int, int> before = Highlighted(CaptureClient(wnd_));
  std::pair<int, int> rows;
  PostMessageW(wnd_, WM_KEYDOWN, VK_DOWN, 0);
  if (!WaitUntil([&] { return (rows = Highlighted(CaptureClient(wnd_))) != before && rows.first >= 0; },
                 5000)) {
    SaveArtifact(CaptureClient(wnd_), "TrayMenu-no-selection-move.bmp");
    return {-1, -1};
  }
  return rows;
}

std::pair<int, int> OpenMenu::SelectByKeyboard(Command command) {
  std::pair<int, int> rows{-1, -1};
  for (int i = 0; i <= command && (i == 0 || rows.first >= 0); ++i) rows = Down();
  return rows;
}

Capture OpenMenu::HoverOver(std::pair<int, int> rows) const {
  MouseMoveTo(PointOf(rows));
  Capture c;
  WaitUntil([&] { return Highlighted(c = CaptureClient(wnd_)) == rows; }, 5000);
  return c;
}

POINT OpenMenu::PointOf(std::pair<int, int> rows) const {
  POINT p{bar_.x + Scaled(kBarWidth) + Scaled(40), (rows.first + rows.second) / 2};
  ClientToScreen(wnd_, &p);
  return p;
}

bool OpenMenu::Closed() const {
  return WaitUntil([&] { return !IsWindow(wnd_) || !IsWindowVisible(wnd_); }, 5000);
}

// The bar's pure blue top-left pixel, once the menu has painted it, and its column painted down to its last
// row, as far from the bottom as its first is from the top: each item paints its own slice after its text, so
// the menu is whole once the last slice shows.
bool OpenMenu::FindBar() {
  atOpen_ = CaptureClient(wnd_);
  for (int y = 0; y < 8 && y < atOpen_.height; ++y)
    for (int x = 0; x < 8 && x < atOpen_.width; ++x)
      if (atOpen_.At(x, y) == RGB(0, 0, 255)) {
        for (int row = y; row < atOpen_.height - y; ++row)
          if (GetRValue(atOpen_.At(x, row)) != 0 || GetGValue(atOpen_.At(x, row)) != 0) return false;
        bar_ = {x, y};
        return true;
      }
  return false;
}

bool Running::Start(const std::vector<std::wstring>& extraEnv) {
  program = copy.Start(&form, extraEnv);
  tray = program ? WaitForWindow(L"TaskTrayHandle", nullptr, program->Id()) : nullptr;
  return form && tray;
}

Running::~Running() {
  if (program && program->Running()) {
    PostMessageW(form, WM_CLOSE, 0, 0);  // a visible form only hides
    WaitUntil([&] { return !IsWindowVisible(form); }, 5000);
    PostMessageW(form, WM_CLOSE, 0, 0);
    program->Wait(10000);
  }
}

void ClickCommand(Running& run, Command command) {
  OpenMenu menu(run.tray, run.program->Id());
  ASSERT_TRUE(menu) << "the menu opens with its bar";
  const auto rows = menu.SelectByKeyboard(command);
  ASSERT_GE(rows.first, 0) << "the item is highlighted";
  MouseClickAt(menu.PointOf(rows));
  ASSERT_TRUE(menu.Closed());
}

}  // namespace harness
