// The program's tray icon under Wine: registered while the form loads, the
// middle button opens the settings form, a taskbar restart registers it
// again, exit removes it.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "Harness.h"

using namespace harness;

namespace {
constexpr UINT kTrayNotify = WM_USER + 200;

std::vector<std::string> TrayLog(const ProgramCopy& copy) { return ReadLines(copy.ProbeLog() + L".tray"); }
std::string Line(DWORD message, const char* tip) { return std::to_string(message) + " 7 1 " + tip; }
}  // namespace

TEST(TrayProgram, IconLivesFromLoadingToExitAndTheMiddleButtonShowsTheSettings) {
  ProgramCopy copy(L"tray", "BRIVOLA_PROBE_EXE");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  ASSERT_NE(form, nullptr);
  HWND tray = WaitForWindow(L"TaskTrayHandle", nullptr, program->Id());
  ASSERT_NE(tray, nullptr);
  ASSERT_EQ(TrayLog(copy), std::vector<std::string>{Line(NIM_ADD, "Brivola")});
  EXPECT_FALSE(IsWindowVisible(form));

  SendMessageW(tray, kTrayNotify, 7, WM_MBUTTONDOWN);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(form) != FALSE; }, 5000)) << "the settings form shows";
  SendMessageW(tray, kTrayNotify, 7, WM_MBUTTONUP);
  EXPECT_EQ(SendMessageW(tray, WM_QUERYENDSESSION, 0, 0), 1);

  // Any program may broadcast "TaskbarCreated" while the shell still has the icon: its refused add is
  // confirmed by a modify, and no box comes, however often.
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  for (int i = 0; i < 3; ++i) {
    DWORD_PTR answer = 0;
    ASSERT_NE(SendMessageTimeoutW(tray, taskbarCreated, 0, 0, SMTO_NORMAL, 10000, &answer), 0) << "a box";
  }
  const std::string refused = std::to_string(NIM_ADD) + " 7 0 Brivola";
  ASSERT_EQ(TrayLog(copy),
            (std::vector<std::string>{Line(NIM_ADD, "Brivola"), refused, Line(NIM_MODIFY, "Brivola"), refused,
                                      Line(NIM_MODIFY, "Brivola"), refused, Line(NIM_MODIFY, "Brivola")}));
  EXPECT_EQ(FindProcessWindow(L"#32770", nullptr, program->Id()), nullptr) << "a box";
  const std::vector<std::string> before = TrayLog(copy);
  auto with = [&](std::vector<std::string> lines) {
    lines.insert(lines.begin(), before.begin(), before.end());
    return lines;
  };

  // The taskbar forgets the icon and comes back: the program registers it again.
  NOTIFYICONDATAA gone{};
  gone.cbSize = NOTIFYICONDATAA_V2_SIZE;
  gone.hWnd = tray;
  gone.uID = 7;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
  SendMessageW(tray, taskbarCreated, 0, 0);
  ASSERT_EQ(TrayLog(copy), with({Line(NIM_ADD, "Brivola")}));

  PostMessageW(form, WM_CLOSE, 0, 0);  // a visible form only hides
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(form) == FALSE; }, 5000));
  PostMessageW(form, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program->Wait().has_value());
  // Hidden first, then deleted.
  EXPECT_EQ(TrayLog(copy),
            with({Line(NIM_ADD, "Brivola"), Line(NIM_MODIFY, "Brivola"), Line(NIM_DELETE, "Brivola")}));
}

TEST(TrayProgram, TheReleaseBuildAnswersTheShellsCallbacks) {
  ProgramCopy copy(L"tray-release");
  HWND form = nullptr;
  auto program = copy.Start(&form);
  HWND tray = WaitForWindow(L"TaskTrayHandle", nullptr, program->Id());
  ASSERT_NE(tray, nullptr);
  SendMessageW(tray, kTrayNotify, 7, WM_MBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(form) != FALSE; }, 5000));
}

TEST(TrayProgram, AnIconTheTaskbarRefusesAtStartComesWithTheTaskbarAndNoBox) {
  ProgramCopy copy(L"tray-late", "BRIVOLA_PROBE_EXE");
  const std::wstring ready = copy.Dir() + L"\\tray-ready";
  Process standIn(L"\"" + EnvPath("WINTOOL_EXE") + L"\" tray-refuse 1 \"" + ready + L"\"");
  ASSERT_TRUE(WaitUntil([&] { return FileExists(ready); })) << "no stand-in tray";
  HWND form = nullptr;
  // Retries too far apart to come first: the taskbar's broadcast brings the icon.
  auto program = copy.Start(&form, {L"BRIVOLA_PROBE_TRAY_RETRY_MS=600000"});
  ASSERT_NE(form, nullptr) << "the program didn't stay";
  HWND tray = WaitForWindow(L"TaskTrayHandle", nullptr, program->Id());
  ASSERT_NE(tray, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return !TrayLog(copy).empty(); }));
  EXPECT_EQ(TrayLog(copy), std::vector<std::string>{std::to_string(NIM_ADD) + " 7 0 Brivola"});

  SendMessageW(tray, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_EQ(TrayLog(copy),
            (std::vector<std::string>{std::to_string(NIM_ADD) + " 7 0 Brivola", Line(NIM_ADD, "Brivola")}));
  EXPECT_EQ(FindProcessWindow(L"#32770", nullptr, program->Id()), nullptr) << "a box";
  SendMessageW(tray, kTrayNotify, 7, WM_MBUTTONDOWN);  // and the icon works
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(form) != FALSE; }, 5000));
}
