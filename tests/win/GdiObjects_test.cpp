// GDI objects of the running program: none is deleted while it is still
// selected into a device context (Windows refuses such a delete and the handle
// leaks; Wine delays it and says so in its gdi trace), and the objects the
// program owns come back to the same count after many menu openings.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "Harness.h"
#include "TrayDriver.h"

using namespace harness;

namespace {
// The lines of the text that contain the part.
std::vector<std::string> LinesWith(const std::string& text, const char* part) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.find(part) != std::string::npos) lines.push_back(line);
  return lines;
}

// Keeps the lines as a text file in BRIVOLA_ARTIFACTS (nothing when unset).
void SaveText(const std::vector<std::string>& lines, const char* name) {
  const char* dir = std::getenv("BRIVOLA_ARTIFACTS");
  if (!dir) return;
  CreateDirectoryA(dir, nullptr);
  if (FILE* f = std::fopen((std::string(dir) + "\\" + name).c_str(), "wb")) {
    for (const std::string& l : lines) std::fprintf(f, "%s\n", l.c_str());
    std::fclose(f);
  }
}

// Opens the menu and moves the selection over every item, down and up again, then closes it.
void WalkMenu(Running& run) {
  OpenMenu menu(run.tray, run.program->Id());
  ASSERT_TRUE(menu) << "the menu opens with its bar";
  std::vector<std::pair<int, int>> items;
  for (int i = kSetup; i <= kExit; ++i) {
    items.push_back(menu.Down());
    ASSERT_GE(items.back().first, 0) << "item " << i << " is highlighted";
  }
  for (auto it = items.rbegin(); it != items.rend(); ++it) menu.HoverOver(*it);
  PostMessageW(menu.Window(), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(menu.Closed());
}

// Opens the menu, moves the selection down over every item, and closes it.
void OpenAndSelectAll(Running& run) {
  OpenMenu menu(run.tray, run.program->Id());
  if (!menu && menu.Window()) SaveArtifact(CaptureClient(menu.Window()), "GdiObjects-menu-not-open.bmp");
  ASSERT_TRUE(menu) << "the menu opens with its bar (window " << menu.Window() << ", bar at "
                    << menu.BarOrigin().x << ", highlight at " << menu.Highlighted(menu.AtOpen()).first
                    << ")";
  for (int i = kSetup; i <= kExit; ++i) ASSERT_GE(menu.Down().first, 0) << "item " << i << " is highlighted";
  PostMessageW(menu.Window(), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(menu.Closed());
}

// Shows the dialog from the menu, visits its three pages, steps the spin
// edit up and down with its buttons, and closes it with Cancel.
void WalkDialog(Running& run) {
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kSetup));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(run.form) != FALSE; }, 5000));
  const auto tabs = Descendants(run.form, WC_TABCONTROLW);
  ASSERT_EQ(tabs.size(), 1u);
  const auto repaint = [&] {
    RedrawWindow(run.form, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  };
  repaint();
  for (int page = 1; page <= 2; ++page) {
    PostMessageW(tabs[0], WM_KEYDOWN, VK_RIGHT, 0);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(tabs[0], TCM_GETCURSEL, 0, 0) == page; }, 5000))
        << "page " << page;
    repaint();
  }
  const auto edits = Descendants(run.form, L"Edit");
  const auto spin = Descendants(run.form, L"TTimerSpeedButton");
  ASSERT_EQ(spin.size(), 2u);
  ASSERT_FALSE(edits.empty());
  for (HWND button : spin) {
    RECT r{};
    GetWindowRect(button, &r);
    const std::wstring before = WindowText(edits.front());
    MouseClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    EXPECT_TRUE(WaitUntil([&] { return WindowText(edits.front()) != before; }, 5000)) << "a spin step";
  }
  repaint();
  for (HWND button : Descendants(run.form, L"Button"))
    if (WindowText(button) == L"Cancel") PostMessageW(button, BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(run.form); }, 5000));
}
}  // namespace

TEST(GdiObjects, NoneIsDeletedWhileSelectedAsTheMenuAndTheDialogAreUsed) {
  const std::wstring stderrLog = EnvPath("BRIVOLA_WINE_STDERR");
  ASSERT_FALSE(stderrLog.empty())
      << "run through ctest: Wine's trace of the program goes to BRIVOLA_WINE_STDERR";
  const size_t traceStart = ReadFileBytes(stderrLog).size();

  Running run(L"gdi-trace");
  // Only the program traces its GDI calls (and a helper it happens to start,
  // such as the desktop process); +pid puts its process id before each line.
  ASSERT_TRUE(run.Start({L"WINEDEBUG=+pid,trace+gdi"}));
  for (int i = 0; i < 3; ++i) ASSERT_NO_FATAL_FAILURE(WalkMenu(run)) << "opening " << i;
  ASSERT_NO_FATAL_FAILURE(WalkDialog(run));
  ASSERT_NO_FATAL_FAILURE(WalkMenu(run));
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kExit));
  const DWORD pid = run.program->Id();
  const auto code = run.program->Wait();
  ASSERT_TRUE(code.has_value()) << "the program exits";
  EXPECT_EQ(*code, 0u);

  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%04lx:", static_cast<unsigned long>(pid));
  std::string trace;
  for (const std::string& line : LinesWith(ReadFileBytes(stderrLog).substr(traceStart), ":trace:gdi:"))
    if (line.rfind(prefix, 0) == 0) trace += line + "\n";
  ASSERT_GT(LinesWith(trace, ":trace:gdi:").size(), 100u) << "the program's gdi trace was captured";
  const auto delayed = LinesWith(trace, "delayed for");
  SaveText(delayed, "GdiObjects-delayed.txt");
  EXPECT_EQ(delayed.size(), 0u) << "objects deleted while selected, first: "
                                << (delayed.empty() ? "" : delayed[0]);
}

TEST(GdiObjects, ThreeHundredMenuOpeningsLeaveTheCountOfLiveObjectsWhereItBegan) {
  Running run(L"gdi-count", "BRIVOLA_PROBE_EXE");
  ASSERT_TRUE(run.Start());
  // The first opening draws the menu images, which then stay for the program's life, and makes the
  // application window (the menu's foreground owner), which answers the count query.
  ASSERT_NO_FATAL_FAILURE(OpenAndSelectAll(run));
  HWND app = WaitForWindow(L"TApplication", nullptr, run.program->Id());
  ASSERT_NE(app, nullptr);
  const UINT query = RegisterWindowMessageW(L"BrivolaGdiCount");
  // 0: the objects and device contexts the guards hold now; 1: deleted while a guard had them selected.
  const auto count = [&](WPARAM what) {
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutW(app, query, what, 0, SMTO_ABORTIFHUNG, 5000, &result));
    return static_cast<long>(result);
  };
  const long atStart = count(0);
  EXPECT_GT(atStart, 0) << "the menu images at least";
  for (int i = 1; i < 300; ++i) ASSERT_NO_FATAL_FAILURE(OpenAndSelectAll(run)) << "opening " << i;
  const long atEnd = count(0);
  RecordProperty("live_at_start", atStart);
  RecordProperty("live_at_end", atEnd);
  EXPECT_EQ(atEnd, atStart);
  EXPECT_EQ(count(1), 0) << "objects deleted while a guard had them selected";
}
