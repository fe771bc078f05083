// Where the settings dialog opens: where the user last moved it, whichever way
// the settings were saved, and always within reach of the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "Harness.h"

using namespace harness;

namespace {

constexpr UINT kTrayNotify = WM_USER + 200;

std::string Stored(const ProgramCopy& copy, const char* key) {
  char buf[256] = {};
  const std::wstring wide = copy.IniPath();
  GetPrivateProfileStringA(UserName().c_str(), key, "<none>", buf, sizeof buf,
                           std::string(wide.begin(), wide.end()).c_str());
  return buf;
}

RECT WindowRect(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return r;
}

// The program, started, with its dialog shown by the middle button on the tray icon.
struct Shown {
  explicit Shown(const ProgramCopy& copy) {
    program = copy.Start(&form);
    tray = program ? WaitForWindow(L"TaskTrayHandle", nullptr, program->Id()) : nullptr;
    if (!tray) return;
    SendMessageW(tray, kTrayNotify, 7, WM_MBUTTONDOWN);
    SendMessageW(tray, kTrayNotify, 7, WM_MBUTTONUP);
    shown = WaitUntil([&] { return IsWindowVisible(form) != FALSE; }, 5000);
  }
  // Ends the program as the exit command does: the form hidden, then closed.
  bool Exit() {
    PostMessageW(form, WM_CLOSE, 0, 0);
    WaitUntil([&] { return !IsWindowVisible(form); }, 5000);
    PostMessageW(form, WM_CLOSE, 0, 0);
    return program->Wait().has_value();
  }
  std::unique_ptr<Process> program;
  HWND form = nullptr;
  HWND tray = nullptr;
  bool shown = false;
};

void PressButton(HWND form, const wchar_t* caption) {
  HWND button = FindWindowExW(form, nullptr, L"BUTTON", caption);
  ASSERT_NE(button, nullptr) << "no button " << caption;
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

RECT WorkArea() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

}  // namespace

TEST(DialogPlace, AMovedDialogReopensThereAfterOkExitOrSessionEnd) {
  const struct {
    const wchar_t* name;
    std::function<void(Shown&)> save;
  } ways[] = {
      {L"place-ok", [](Shown& s) { PressButton(s.form, L"OK"); }},
      {L"place-exit", [](Shown& s) { ASSERT_TRUE(s.Exit()); }},
      {L"place-session", [](Shown& s) { EXPECT_NE(SendMessageW(s.form, WM_QUERYENDSESSION, 0, 0), 0); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(std::wstring(way.name));
    ProgramCopy copy(way.name);
    {
      Shown first(copy);
      ASSERT_TRUE(first.shown);
      // The user drags the dialog by its caption.
      SetWindowPos(first.form, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      way.save(first);
      EXPECT_EQ(Stored(copy, "SetupFormLeft"), "300");
      EXPECT_EQ(Stored(copy, "SetupFormTop"), "200");
      if (first.program->Running()) {
        ASSERT_TRUE(first.Exit());
      }
    }
    Shown second(copy);
    ASSERT_TRUE(second.shown);
    const RECT r = WindowRect(second.form);
    EXPECT_EQ(r.left, 300);
    EXPECT_EQ(r.top, 200);
    ASSERT_TRUE(second.Exit());
  }
}

TEST(DialogPlace, AFarOffPlaceOpensOnScreenWhileAnOnScreenOneIsKeptToThePixel) {
  const RECT work = WorkArea();
  const struct {
    int left, top;
    bool kept;
  } places[] = {
      {5000, 4000, false}, {-3000, -2000, false}, {37, 23, true}, {work.right - 400, work.bottom - 250, true},
      {0, 0, true},
  };
  for (const auto& place : places) {
    SCOPED_TRACE(std::to_string(place.left) + "," + std::to_string(place.top));
    ProgramCopy copy(L"place-reach");
    const std::string left = std::to_string(place.left), top = std::to_string(place.top);
    WriteFileBytes(copy.IniPath(),
                   "[" + UserName() + "]\r\nSetupFormTop=" + top + "\r\nSetupFormLeft=" + left + "\r\n");
    Shown run(copy);
    ASSERT_TRUE(run.shown);
    const RECT r = WindowRect(run.form);
    if (place.kept) {
      // Even when a part of it lies off the screen, as long as most of it is on.
      EXPECT_EQ(r.left, place.left);
      EXPECT_EQ(r.top, place.top);
    } else {
      EXPECT_GE(r.left, work.left);
      EXPECT_GE(r.top, work.top);
      EXPECT_LE(r.right, work.right);
      EXPECT_LE(r.bottom, work.bottom);
    }
    // Saved without a move, the file keeps the user's own place.
    PressButton(run.form, L"OK");
    EXPECT_EQ(Stored(copy, "SetupFormLeft"), left);
    EXPECT_EQ(Stored(copy, "SetupFormTop"), top);
    ASSERT_TRUE(run.Exit());
  }
}
