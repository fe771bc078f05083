// The program's tray menu under Wine, driven as a user does: a right-button
// press on the icon opens the side-bar menu (kept as screenshots), moving the
// selection leaves the bar alone, and each item chosen by keyboard or mouse
// runs its command.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <psapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Harness.h"
#include "TrayDriver.h"

using namespace harness;

namespace {
std::vector<std::string> TrayLog(const ProgramCopy& copy) { return ReadLines(copy.ProbeLog() + L".tray"); }

// A message box of the process with the caption.
HWND WaitForMessageBox(DWORD pid, const wchar_t* caption) {
  return WaitForWindow(L"#32770", caption, pid, 10000);
}
}  // namespace

TEST(TrayMenu, OpensWithTheBarAndASelectionMoveRepaintsOnlyItems) {
  Running run(L"traymenu");
  ASSERT_TRUE(run.Start());
  OpenMenu menu(run.tray, run.program->Id());
  ASSERT_TRUE(menu);
  SaveArtifact(menu.AtOpen(), "TrayMenu-open.bmp");

  // The keyboard skips the separator.
  const auto setup = menu.Down();
  const auto help = menu.Down();
  const auto link = menu.Down();
  ASSERT_GE(link.first, 0);
  ASSERT_GT(help.first, setup.second) << "the separator between";
  ASSERT_EQ(link.first, help.second);

  // The mouse moves the selection down to the version item; a click on the
  // separator chooses nothing; then the mouse goes up to the help item.
  const int itemHeight = link.second - link.first;
  const std::pair<int, int> version{link.second, link.second + itemHeight};
  const Capture moved = menu.HoverOver(version);
  ASSERT_EQ(menu.Highlighted(moved), version);
  MouseClickAt(menu.PointOf({setup.second, help.first}));
  const Capture after = menu.HoverOver(help);
  ASSERT_EQ(menu.Highlighted(after), help);
  EXPECT_TRUE(IsWindowVisible(menu.Window())) << "the separator is no command";
  SaveArtifact(after, "TrayMenu-selected.bmp");

  const Capture& before = menu.AtOpen();
  ASSERT_EQ(after.height, before.height);
  const POINT bar = menu.BarOrigin();
  for (int y = bar.y; y < before.height; ++y)
    for (int x = bar.x; x < bar.x + kBarWidth - 2; ++x) {
      ASSERT_EQ(before.At(x, y), moved.At(x, y)) << "bar pixel " << x << "," << y << " repainted";
      ASSERT_EQ(before.At(x, y), after.At(x, y)) << "bar pixel " << x << "," << y << " repainted";
    }

  PostMessageW(menu.Window(), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(menu.Closed());
  EXPECT_FALSE(IsWindowVisible(run.form)) << "closing the menu chooses nothing";
  EXPECT_TRUE(run.copy.OpenedUrls().empty());
}

namespace {
// The first pixel where the two captures differ within the columns [left, right)
// and outside the rows [skipTop, skipBottom); (-1, -1) when none.
POINT FirstDifference(const Capture& a, const Capture& b, int left, int right,
                      std::pair<int, int> skip = {-1, -1}) {
  if (a.width != b.width || a.height != b.height) return {0, 0};
  for (int y = 0; y < a.height; ++y) {
    if (y >= skip.first && y < skip.second) continue;
    for (int x = left; x < right; ++x)
      if (a.At(x, y) != b.At(x, y)) return {x, y};
  }
  return {-1, -1};
}

// What the system does when something uncovers the open menu, or when a menu
// that faded in is shown for real: the whole window invalidated, erased and
// painted at once.
void RepaintFully(HWND menu) {
  RedrawWindow(menu, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
}
}  // namespace

// The screen shows a paint of another process only once that process has
// flushed it: each full repaint is followed by a selection move, and the
// capture taken once the new highlight shows holds the repaint as well.
TEST(TrayMenu, AFullRepaintOfTheOpenMenuRestoresTheSamePicture) {
  Running run(L"traymenu-repaint");
  ASSERT_TRUE(run.Start());
  OpenMenu menu(run.tray, run.program->Id());
  ASSERT_TRUE(menu);
  const Capture& undisturbed = menu.AtOpen();
  const POINT bar = menu.BarOrigin();
  const int barRight = bar.x + kBarWidth - 2;

  RepaintFully(menu.Window());
  const auto setup = menu.Down();
  ASSERT_GE(setup.first, 0);
  const Capture first = CaptureClient(menu.Window());
  SaveArtifact(first, "TrayMenu-repainted.bmp");
  POINT at = FirstDifference(undisturbed, first, bar.x, barRight);
  EXPECT_EQ(at.x, -1) << "bar pixel " << at.x << "," << at.y << " after a full repaint";
  at = FirstDifference(undisturbed, first, 0, undisturbed.width, setup);
  EXPECT_EQ(at.x, -1) << "pixel " << at.x << "," << at.y << " beside the selected item after a full repaint";

  // Again with an item selected.
  RepaintFully(menu.Window());
  const auto help = menu.Down();
  ASSERT_GE(help.first, 0);
  const Capture second = CaptureClient(menu.Window());
  SaveArtifact(second, "TrayMenu-repainted-selected.bmp");
  at = FirstDifference(undisturbed, second, bar.x, barRight);
  EXPECT_EQ(at.x, -1) << "bar pixel " << at.x << "," << at.y << " after a full repaint with a selection";

  PostMessageW(menu.Window(), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(menu.Closed());
}

TEST(TrayMenu, SettingsCommandShowsTheFormByKeyboardAndByMouse) {
  Running run(L"traymenu-setup");
  ASSERT_TRUE(run.Start());
  {
    OpenMenu menu(run.tray, run.program->Id());
    ASSERT_TRUE(menu);
    ASSERT_GE(menu.SelectByKeyboard(kSetup).first, 0);
    PostMessageW(menu.Window(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(menu.Closed());
  }
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(run.form) != FALSE; }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == run.form; }, 5000));

  // Shown already, behind another window and with values typed in: it comes
  // to the front again, the values untouched.
  const auto edits = Descendants(run.form, L"Edit");
  ASSERT_FALSE(edits.empty());
  HWND edit = edits.front();
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"4321"));
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                               nullptr, nullptr);
  SetForegroundWindow(other);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }, 5000));
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kSetup));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == run.form; }, 5000));
  EXPECT_TRUE(IsWindowVisible(run.form));
  EXPECT_EQ(WindowText(edit), L"4321");
  DestroyWindow(other);
}

TEST(TrayMenu, LinkCommandOpensTheMakersPage) {
  Running run(L"traymenu-link");
  ASSERT_TRUE(run.Start());
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kLink));
  ASSERT_TRUE(WaitUntil([&] { return !run.copy.OpenedUrls().empty(); }, 15000));
  const auto urls = run.copy.OpenedUrls();
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls[0].url, "http://www.tornhaven.jp/");
}

TEST(TrayMenu, VersionCommandShowsTheInformationBox) {
  Running run(L"traymenu-version");
  ASSERT_TRUE(run.Start());
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kVerInfo));
  HWND box = WaitForMessageBox(run.program->Id(), L"情報");
  ASSERT_NE(box, nullptr) << "the box captioned 情報 appears";
  std::wstring text;
  for (const std::wstring& t : ChildTexts(box, L"Static"))
    if (t.size() > text.size()) text = t;
  EXPECT_EQ(text, L"Copyright (C) 2026 Tornhaven\r\n\r\nFileVersion : 1.0.0.14");
  EXPECT_EQ(ChildTexts(box, L"Button"), std::vector<std::wstring>{L"OK"});

  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  EXPECT_TRUE(run.program->Running());
  EXPECT_FALSE(IsWindowVisible(run.form));
}

// A Downloads folder holds many files: a library named as a system one, planted beside the program, is never
// loaded (the harness has Wine look for msimg32 there first, as Windows does), and the menu's images, which
// need msimg32, and the version box still come from the system's libraries.
TEST(TrayMenu, LibrariesPlantedBesideTheProgramAreNeverLoaded) {
  Running run(L"traymenu-planted");
  const std::vector<std::wstring> planted{L"msimg32.dll"};
  for (const std::wstring& name : planted) CopyInto(EnvPath("BRIVOLA_PLANTED_DLL"), run.copy.Dir(), name);
  ASSERT_TRUE(run.Start());
  {
    OpenMenu menu(run.tray, run.program->Id());
    ASSERT_TRUE(menu);
    std::vector<COLORREF> colours;  // in the image column, beside the bar
    const Capture& c = menu.AtOpen();
    for (int y = 0; y < c.height; ++y)
      for (int x = menu.BarOrigin().x + kBarWidth + 2; x < menu.BarOrigin().x + kBarWidth + 18; ++x)
        if (std::find(colours.begin(), colours.end(), c.At(x, y)) == colours.end())
          colours.push_back(c.At(x, y));
    EXPECT_GT(colours.size(), 5u) << "no images";
    PostMessageW(menu.Window(), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(menu.Closed());
  }
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kVerInfo));
  HWND box = WaitForMessageBox(run.program->Id(), L"情報");
  ASSERT_NE(box, nullptr);
  const auto texts = ChildTexts(box, L"Static");
  EXPECT_NE(
      std::find(texts.begin(), texts.end(), L"Copyright (C) 2026 Tornhaven\r\n\r\nFileVersion : 1.0.0.14"),
      texts.end());
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);  // painted, icon too
  // The box's buttons brought in the common controls, still those of the manifest: version 6, side by side.
  HMODULE modules[512];
  DWORD bytes = 0;
  ASSERT_TRUE(EnumProcessModules(run.program->Handle(), modules, sizeof modules, &bytes));
  std::wstring comctl32;
  for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameExW(run.program->Handle(), modules[i], path, MAX_PATH);
    if (std::wstring(path).ends_with(L"\\comctl32.dll")) comctl32 = path;
  }
  EXPECT_NE(comctl32.find(L"\\winsxs\\"), std::wstring::npos)
      << "comctl32 from " << std::string(comctl32.begin(), comctl32.end());
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  PostMessageW(run.form, WM_CLOSE, 0, 0);
  EXPECT_EQ(run.program->Wait(), std::optional<DWORD>(0));
  for (const std::wstring& name : planted)
    EXPECT_FALSE(FileExists(run.copy.Dir() + L"\\" + name + L".loaded"))
        << "the planted " << std::string(name.begin(), name.end()) << " ran";
}

TEST(TrayMenu, ExitCommandSavesAndRemovesTheIcon) {
  Running run(L"traymenu-exit", "BRIVOLA_PROBE_EXE");
  ASSERT_TRUE(run.Start());
  ASSERT_FALSE(FileExists(run.copy.IniPath()));
  // The user opens the settings, types, and exits from the menu with the form still open.
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kSetup));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(run.form) != FALSE; }, 5000));
  const auto edits = Descendants(run.form, L"Edit");  // the pause and the Info-Cash ID
  ASSERT_EQ(edits.size(), 2u);
  SendMessageW(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"4321"));
  // Another program's text with line breaks: stored as one line, no section or key of its own.
  SendMessageW(edits[1], WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"4321\r\n[victim]\r\nAutoBrowseNetMileAD=1"));
  SetWindowPos(run.form, nullptr, 321, 123, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // and moves the dialog
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kExit));
  const auto code = run.program->Wait();
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  const std::string ini = ReadFileBytes(run.copy.IniPath());
  EXPECT_NE(ini.find("SleepTime=4321"), std::string::npos) << ini;
  EXPECT_NE(ini.find("InfoCashID=4321  [victim]  AutoBrowseNetMileAD=1\r\n"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("\n[victim]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("SetupFormLeft=321"), std::string::npos) << ini;
  EXPECT_NE(ini.find("SetupFormTop=123"), std::string::npos) << ini;
  const auto log = TrayLog(run.copy);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front().substr(0, 4), std::to_string(NIM_ADD) + " 7 ");
  EXPECT_EQ(log.back(), std::to_string(NIM_DELETE) + " 7 1 Brivola");
}

namespace {
// A stand-in handler for ".pdf" documents in the test prefix: wintool logs the path it is handed.
class PdfHandler {
 public:
  PdfHandler() : log_(ScratchDir(L"pdfhandler") + L"\\opened.log") {
    const std::wstring command = L"\"" + EnvPath("WINTOOL_EXE") + L"\" log-args \"" + log_ + L"\" \"%1\"";
    Set(L".pdf", L"BrivolaTestPdf");
    Set(L"BrivolaTestPdf\\shell\\open\\command", command);
  }
  ~PdfHandler() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"BrivolaTestPdf");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".pdf");
  }
  std::vector<std::string> Opened() const { return ReadLines(log_); }

 private:
  static void Set(const wchar_t* key, const std::wstring& value) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
  }
  std::wstring log_;
};

std::string Utf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
  return s;
}

constexpr char kTinyPdf[] =
    "%PDF-1.1\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n2 0 obj<</Type/Pages/Kids[]/Count 0>>endobj\n"
    "trailer<</Root 1 0 R>>\n%%EOF\n";
}  // namespace

TEST(TrayMenu, HelpCommandHandsThePdfBesideTheProgramToTheShell) {
  PdfHandler handler;
  // The document is named after the program; the folder is named in Korean, which code page 932 can't write.
  Running run(L"traymenu-help-\ub3c4\uc6c0\ub9d0", "BRIVOLA_EXE", L"ClipHelper.exe");
  ASSERT_TRUE(run.Start());

  // No document: nothing opens and the program says nothing. The link command
  // chosen after it marks the moment the help command is surely done.
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kHelp));
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kLink));
  ASSERT_TRUE(WaitUntil([&] { return !run.copy.OpenedUrls().empty(); }, 15000));
  EXPECT_EQ(run.copy.OpenedUrls().size(), 1u);
  EXPECT_TRUE(handler.Opened().empty());
  EXPECT_EQ(FindProcessWindow(L"#32770", nullptr, run.program->Id()), nullptr) << "no message of its own";

  // With the document beside the program, the shell gets its full path.
  const std::wstring pdf = run.copy.Dir() + L"\\ClipHelper.pdf";
  WriteFileBytes(pdf, kTinyPdf);
  ASSERT_NO_FATAL_FAILURE(ClickCommand(run, kHelp));
  ASSERT_TRUE(WaitUntil([&] { return !handler.Opened().empty(); }, 15000)) << "the .pdf handler runs";
  EXPECT_EQ(handler.Opened(), std::vector<std::string>{Utf8(pdf)});
  EXPECT_EQ(run.copy.OpenedUrls().size(), 1u) << "the document doesn't go to the browser";
}
