// The running program's tray icon and menu, driven from outside as a user's
// hand and the system drive them: a right-button report on the icon opens the
// side-bar menu, keys and the mouse move its selection, captures show it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Harness.h"

namespace harness {

constexpr UINT kTrayNotify = WM_USER + 200;
constexpr int kBarWidth = 31;

// The commands' places in the menu, counting the items a user can select (separators skipped).
enum Command { kSetup, kHelp, kLink, kVerInfo, kExit };

// The open menu, seen from outside the program: where its bar starts in the client area.
// Its sizes are those of the DPI it was opened at.
class OpenMenu {
 public:
  OpenMenu(HWND tray, DWORD pid, int dpi = 96);
  // Open, painted, and nothing selected yet.
  explicit operator bool() const { return wnd_ && bar_.x >= 0 && Highlighted(atOpen_).first < 0; }
  HWND Window() const { return wnd_; }
  const Capture& AtOpen() const { return atOpen_; }
  POINT BarOrigin() const { return bar_; }

  // The rows of the highlighted item in the capture, [top, bottom); (-1, -1) when none.
  std::pair<int, int> Highlighted(const Capture& c) const;
  // Moves the selection one item down with the arrow key; returns the rows now highlighted.
  std::pair<int, int> Down();
  // From a menu without a selection: selects the command's item by keyboard; returns its rows.
  std::pair<int, int> SelectByKeyboard(Command command);
  // Moves the mouse onto the rows and waits until they are highlighted; returns the capture.
  Capture HoverOver(std::pair<int, int> rows) const;
  // A screen point in the middle of the caption column of the rows.
  POINT PointOf(std::pair<int, int> rows) const;
  bool Closed() const;

 private:
  bool FindBar();

  int Scaled(int designPixels) const { return MulDiv(designPixels, dpi_, 96); }
  int dpi_;
  HWND wnd_ = nullptr;
  POINT bar_{-1, -1};
  Capture atOpen_;
};

// A running copy of the program with its tray window; closed at the end.
struct Running {
  explicit Running(const wchar_t* name, const char* exeEnv = "BRIVOLA_EXE",
                   const wchar_t* fileName = L"Brivola.exe")
      : copy(name, exeEnv, fileName) {}
  bool Start(const std::vector<std::wstring>& extraEnv = {});
  ~Running();
  ProgramCopy copy;
  std::unique_ptr<Process> program;
  HWND form = nullptr;
  HWND tray = nullptr;
};

// Opens the menu and clicks the command's item with the mouse, as a user does.
void ClickCommand(Running& run, Command command);

}  // namespace harness
