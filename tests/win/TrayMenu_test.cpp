// The program's tray menu under Wine: a right-button press opens the side-bar
// menu, kept as a screenshot.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Handles.h"
#include "Harness.h"

using namespace harness;

namespace {
constexpr UINT kTrayNotify = WM_USER + 200;

HWND OpenMenu(HWND tray, DWORD pid) {
  PostMessageW(tray, kTrayNotify, 7, WM_RBUTTONDOWN);
  return WaitForWindow(L"#32768", nullptr, pid, 10000);
}

// Whether the bar's blue top shows near the menu's top-left corner.
bool BarIsBlueAtTheTop(HWND menu) {
  WindowDC dc(menu);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      if (GetPixel(dc.get(), x, y) == RGB(0, 0, 255)) return true;
  return false;
}

// Keeps the open menu's client area as a BMP artefact.
void SaveScreenshot(HWND menu, const char* name) {
  const char* dir = std::getenv("BRIVOLA_ARTIFACTS");
  if (!dir) return;
  RECT rc{};
  GetClientRect(menu, &rc);
  WindowDC screen(menu);
  MemoryDC memory(screen.get());
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), rc.right, rc.bottom));
  {
    SelectGuard select(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, rc.right, rc.bottom, screen.get(), 0, 0, SRCCOPY);
  }
  BITMAPINFOHEADER ih{sizeof ih, rc.right, rc.bottom, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const int stride = (rc.right * 3 + 3) & ~3;
  std::string data(static_cast<size_t>(stride) * rc.bottom, '\0');
  GetDIBits(memory.get(), bitmap.get(), 0, rc.bottom, data.data(), reinterpret_cast<BITMAPINFO*>(&ih), DIB_RGB_COLORS);
  ih.biSizeImage = static_cast<DWORD>(data.size());
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof ih + data.size()), 0, 0, sizeof fh + sizeof ih};
  CreateDirectoryA(dir, nullptr);
  if (FILE* f = std::fopen((std::string(dir) + "\\" + name).c_str(), "wb")) {
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
}
}  // namespace

TEST(TrayMenu, RightButtonOpensTheBarMenu) {
  ProgramCopy copy(L"traymenu");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  HWND tray = WaitForWindow(L"TaskTrayHandle", nullptr, program->Id());
  ASSERT_NE(tray, nullptr);

  HWND menu = OpenMenu(tray, program->Id());
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return BarIsBlueAtTheTop(menu); }, 5000));
  SaveScreenshot(menu, "TrayMenu-open.bmp");
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, 5000));
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program->Wait().has_value());
}
