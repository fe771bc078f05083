#include "uSetupForm.h"

#include <shellapi.h>

#include "Analysers.h"
#include "BIOS.h"
#include "Clipbrd.h"
#include "Dispatch.h"
#include "MenuImages.h"
#include "WinText.h"

#ifdef BRIVOLA_PROBE
#include <cstdio>
#include <cstdlib>
#endif

TSetupForm* SetupForm = nullptr;

#ifdef BRIVOLA_PROBE
namespace {
// Test build: log every tray call beside the probe log ("<message> <id> <ok> <tip>").
void LogTrayCalls() {
  const char* log = std::getenv("BRIVOLA_PROBE_LOG");
  if (!log) return;
  const std::string path = std::string(log) + ".tray";
  TrayShell().NotifyIcon = [path](DWORD message, NOTIFYICONDATAA* data) {
    const BOOL ok = Shell_NotifyIconA(message, data);
    const DWORD error = GetLastError();
    if (FILE* f = std::fopen(path.c_str(), "ab")) {
      std::fprintf(f, "%lu %u %d %s\n", message, data->uID, ok ? 1 : 0, data->szTip);
      std::fclose(f);
    }
    SetLastError(error);
    return ok;
  };
}
}  // namespace
#endif

TSetupForm::TSetupForm(TComponent* owner) : TForm(owner) {
  SetupForm = this;
  SetName("SetupForm");
  // Built as from the stored layout: components come alive while loading.
  BeginLoad();
  SetCaption(L"Brivola");
  OnCreate = [this](TComponent* s) { FormCreate(s); };
  OnCloseQuery = [this](TComponent* s, bool& c) { FormCloseQuery(s, c); };

  ClipEvent = &Add<TNkClipDetector>();
  ClipEvent->SetName("ClipEvent");
#ifdef BRIVOLA_PROBE
  if (const char* ms = std::getenv("BRIVOLA_CHAIN_CHECK_MS")) ClipEvent->SetChainCheckInterval(std::atoi(ms));
#endif
  ClipEvent->SetOnClipChange([this](TComponent* s) { ClipEventClipChange(s); });

#ifdef BRIVOLA_PROBE
  LogTrayCalls();
#endif
  TrayIcon = &Add<TTrayIcon>();
  TrayIcon->SetName("TrayIcon");
  TrayIcon->Icon().TakeOwnership(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
  TrayIcon->SetTipHelp("Brivola");
  TrayIcon->SetResourceIconID(-1);
  TrayIcon->SetCheckSingleDoubleClick(true);
  TrayIcon->OnMouseDown = [this](TComponent* s, TMouseButton b, TShiftState sh, int x, int y) {
    TrayMouseDown(s, b, sh, x, y);
  };

  MenuImages = &Add<TImageList>();
  MenuImages->SetName("MenuImages");
  FillMenuImages(*MenuImages);
  MainActionList = &Add<TActionList>();
  MainActionList->SetName("MainActionList");
  MainActionList->Images = MenuImages;
  auto& appExit = MainActionList->AddAction("AppExit", L"Brivola終了", 0, [this](TComponent* s) { AppExitExecute(s); });
  auto& appVerInfo =
      MainActionList->AddAction("AppVerInfo", L"バージョン情報", 1, [this](TComponent* s) { AppVerInfoExecute(s); });
  auto& appLink = MainActionList->AddAction("AppLink", L"Tornhaven", 2, [this](TComponent* s) { AppLinkExecute(s); });
  auto& appHelp = MainActionList->AddAction("AppHelp", L"HELP表示", 3, [this](TComponent* s) { AppHelpExecute(s); });
  auto& appSetup =
      MainActionList->AddAction("AppSetup", L"環境オプション", 4, [this](TComponent* s) { AppSetupExecute(s); });

  PopupMenuR = &Add<TBarPopupMenu>();
  PopupMenuR->SetName("PopupMenuR");
  PopupMenuR->Images = MenuImages;
  PopupMenuR->OwnerDraw = true;
  PopupMenuR->VerticalFont.Name = L"Tahoma";
  PopupMenuR->VerticalFont.Height = -17;
  PopupMenuR->VerticalFont.Bold = true;
  PopupMenuR->VerticalFont.Italic = true;
  PopupMenuR->VerticalFont.Color = 0xFFFFFF;
  PopupMenuR->VerticalFont.Charset = DEFAULT_CHARSET;
  PopupMenuR->VerticalText = L"Brivola";
  TMenuItem& items = PopupMenuR->Items;
  items.AddAction("N3", appSetup);
  items.Add("N4", L"-");
  items.AddAction("HELP1", appHelp);
  items.AddAction("Tornhaven1", appLink);
  items.AddAction("N2", appVerInfo);
  items.Add("N1", L"-");
  items.AddAction("Brivola1", appExit);
  TrayIcon->RButtonPopupMenu = PopupMenuR;

  EndLoad();
  HandleNeeded();
}

TSetupForm::~TSetupForm() {
  if (SetupForm == this) SetupForm = nullptr;
}

void TSetupForm::CreateParams(TCreateParams& p) {
  TForm::CreateParams(p);
  p.className = L"TSetupForm";
}

void TSetupForm::FormCreate(TComponent*) {
  SetBounds(0, 0, Width(), Height());
  Application().HelpFile = [] {
    std::string path = ModuleFileName();
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("\\/");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
    return path + ".pdf";
  }();
  LastClipText.clear();
}

void TSetupForm::FormCloseQuery(TComponent*, bool& canClose) {
  if (Visible()) {
    canClose = false;
    Hide();
  }
}

void TSetupForm::AppExitExecute(TComponent*) {
  Hide();
  Close();
}

void TSetupForm::AppSetupExecute(TComponent*) { Show(); }

void TSetupForm::AppHelpExecute(TComponent*) { OpenUrl(Application().HelpFile); }

void TSetupForm::AppLinkExecute(TComponent*) { OpenUrl("http://www.tornhaven.jp/"); }

void TSetupForm::AppVerInfoExecute(TComponent*) {
  MessageDlg(L"情報",
             L"Copyright (C) 2026 Tornhaven\r\n\r\n" + WideFromAnsi(GetVersionInfo(ModuleFileName(), 2)),
             TMsgDlgType::mtInformation);
}

void TSetupForm::TrayMouseDown(TComponent*, TMouseButton button, TShiftState, int, int) {
  if (button == mbMiddle) AppSetupExecute(this);
}

LRESULT TSetupForm::WMQueryEndSession() {
  Hide();
  return CloseQuery() ? 1 : 0;
}

LRESULT TSetupForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_QUERYENDSESSION) return WMQueryEndSession();
  return TForm::WndProc(msg, wParam, lParam);
}

void TSetupForm::ClipEventClipChange(TComponent*) {
#ifdef BRIVOLA_PROBE
  const std::string before = LastClipText;
#endif
  ::ClipEventClipChange(*this, LastClipText);
#ifdef BRIVOLA_PROBE
  // Test build: record each text the dispatch takes, one line of hex each.
  if (!TextEquals(before, LastClipText)) {
    if (const char* log = std::getenv("BRIVOLA_PROBE_LOG")) {
      if (FILE* f = std::fopen(log, "ab")) {
        for (unsigned char c : LastClipText) std::fprintf(f, "%02X", c);
        std::fputc('\n', f);
        std::fclose(f);
      }
    }
  }
#endif
}

std::string TSetupForm::ExtractUrl(const std::string& text) const { return ::ExtractUrl(text); }

void TSetupForm::OpenUrl(const std::string& target) {
  ShellExecuteA(Handle(), "OPEN", target.c_str(), "", "", SW_SHOW);
}

void TSetupForm::BrowseStockChart(const std::string& text) { ::BrowseStockChart(*this, text); }
void TSetupForm::BrowseNetMileAD(const std::string& text) { ::BrowseNetMileAD(*this, text); }
void TSetupForm::BrowseInfoCash(const std::string& text) { ::BrowseInfoCash(*this, text); }

bool TSetupForm::BrowseStockCode() { return false; }
int TSetupForm::StockSiteSelect() { return 0; }
bool TSetupForm::AutoBrowseNetMileAD() { return false; }
bool TSetupForm::AutoBrowseInfoCash() { return false; }
int TSetupForm::SleepTime() { return 100; }
std::string TSetupForm::InfoCashID() { return {}; }

bool TSetupForm::ClipboardHasText() { return ::ClipboardHasText(); }
bool TSetupForm::ClipboardIsPrivate() { return ClipboardMarkedPrivate(Application().Handle()); }
std::string TSetupForm::ReadClipboardText() { return ::ReadClipboardText(Application().Handle()); }
void TSetupForm::Sleep(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }
std::string TSetupForm::HalfWidth(const std::string& text) { return LCMapText(text, LCMAP_HALFWIDTH); }
