#include "uSetupForm.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <tuple>
#include <utility>

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

namespace {
// The system's words for an error, with its number.
std::wstring SystemErrorText(DWORD error) {
  wchar_t text[512] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                text, static_cast<DWORD>(std::size(text)), nullptr);
  while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
    --length;
  std::wstring reason(text, length);
  return (reason.empty() ? L"" : reason + L" ") + L"(エラー " + std::to_wstring(error) + L")";
}

// The box after a copy whose pages could not all be opened.
std::wstring OpenFailureText(int failed, int opens, const std::wstring& reason) {
  return std::to_wstring(opens) + L" 件のページのうち " + std::to_wstring(failed) +
         L" 件を開くことができませんでした。\r\n\r\n理由: " + reason;
}
}  // namespace

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

// The performance counter in microseconds (the tick count moves in steps of a timer interrupt).
unsigned long long Microseconds() {
  LARGE_INTEGER counter{}, frequency{};
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<unsigned long long>(counter.QuadPart / frequency.QuadPart * 1000000 +
                                         counter.QuadPart % frequency.QuadPart * 1000000 /
                                             frequency.QuadPart);
}

// Test build: log each target handed to the shell beside the probe log, when and with the shell's answer
// ("<us> <result> <target>"), so that a test can tell a link the program never opened from one lost on its
// way to the browser, and measure the pauses without the browser's start-up in them.
void LogShellOpen(unsigned long long handed, HINSTANCE result, const std::string& target) {
  const char* log = std::getenv("BRIVOLA_PROBE_LOG");
  if (!log) return;
  if (FILE* f = std::fopen((std::string(log) + ".shell").c_str(), "ab")) {
    std::fprintf(f, "%llu %lld %s\n", handed, static_cast<long long>(reinterpret_cast<INT_PTR>(result)),
                 target.c_str());
    std::fclose(f);
  }
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

  AutoSave = &Add<TAutoIni>();
  AutoSave->SetName("AutoSave");
  AutoSave->CheckWinState = true;
  AutoSave->CheckWinSize = false;
  AutoSave->CheckTag = false;
  AutoSave->EnableTag = 0;
  AutoSave->MakeIniWinDir = false;

  ClipEvent = &Add<TNkClipDetector>();
  ClipEvent->SetName("ClipEvent");
#ifdef BRIVOLA_PROBE
  if (const char* ms = std::getenv("BRIVOLA_CHAIN_CHECK_MS")) ClipEvent->SetChainCheckInterval(std::atoi(ms));
#endif
  ClipEvent->SetOnClipChange([this](TComponent* s) { ClipEventClipChange(s); });
  BuildControls();

#ifdef BRIVOLA_PROBE
  LogTrayCalls();
#endif
  TrayIcon = &Add<TTrayIcon>();
  TrayIcon->SetName("TrayIcon");
#ifdef BRIVOLA_PROBE
  if (const char* ms = std::getenv("BRIVOLA_PROBE_TRAY_RETRY_MS"))
    TrayIcon->AddRetryInterval = static_cast<UINT>(std::atoi(ms));
#endif
  // The program's icon, loaded at the size the notification area shows it.
  TrayIcon->Icon().SetResource(L"MAINICON");
  TrayIcon->SetTipHelp("Brivola");
  TrayIcon->SetResourceIconID(-1);
  TrayIcon->SetCheckSingleDoubleClick(true);
  TrayIcon->OnMouseDown = [this](TComponent* s, TMouseButton b, TShiftState sh, int x, int y) {
    TrayMouseDown(s, b, sh, x, y);
  };

  MenuImages = &Add<TImageList>();
  MenuImages->SetName("MenuImages");
  MenuImages->SetFiller(&FillMenuImages);
  MainActionList = &Add<TActionList>();
  MainActionList->SetName("MainActionList");
  MainActionList->Images = MenuImages;
  auto& appExit =
      MainActionList->AddAction("AppExit", L"Brivola終了", 0, [this](TComponent* s) { AppExitExecute(s); });
  auto& appVerInfo = MainActionList->AddAction("AppVerInfo", L"バージョン情報", 1,
                                               [this](TComponent* s) { AppVerInfoExecute(s); });
  auto& appLink =
      MainActionList->AddAction("AppLink", L"Tornhaven", 2, [this](TComponent* s) { AppLinkExecute(s); });
  auto& appHelp =
      MainActionList->AddAction("AppHelp", L"HELP表示", 3, [this](TComponent* s) { AppHelpExecute(s); });
  auto& appSetup = MainActionList->AddAction("AppSetup", L"環境オプション", 4,
                                             [this](TComponent* s) { AppSetupExecute(s); });

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

void TSetupForm::BuildControls() {
  SetBorderStyle(TFormBorderStyle::bsDialog);
  SetClientSize(480, 320);
  SetFont(L"Tahoma", -11);

  // Every control is owned by the form and placed in its parent.
  auto place = [this]<class T>(T*& field, const char* name, TWinControl* parent, int l, int t, int w,
                               int h) -> T& {
    field = &Add<T>();
    field->SetName(name);
    field->SetBounds(l, t, w, h);
    field->SetParent(parent);
    return *field;
  };
  auto hint = [](TControl& c, const wchar_t* text) {
    c.SetHint(text);
    c.SetShowHint(true);
  };

  place(OK, "OK", this, 312, 288, 75, 25).SetCaption(L"OK");
  OK->SetTabOrder(0);
  OK->SetDefault(true);
  OK->OnClick = [this](TComponent* s) { OKClick(s); };
  place(Cancel, "Cancel", this, 392, 288, 75, 25).SetCaption(L"Cancel");
  Cancel->SetTabOrder(1);
  Cancel->SetCancel(true);
  Cancel->OnClick = [this](TComponent* s) { CancelClick(s); };

  place(PageControl1, "PageControl1", this, 0, 0, 480, 273).SetTabOrder(2);
  PageControl1->SetMultiLine(true);
  PageControl1->SetHotTrack(true);
  for (auto [sheet, name, caption] :
       {std::tuple{&TabSheet1, "TabSheet1", L"一般設定"}, std::tuple{&TabSheet2, "TabSheet2", L"株式設定"},
        std::tuple{&TabSheet3, "TabSheet3", L"メルマガ"}}) {
    *sheet = &Add<TTabSheet>();
    (*sheet)->SetName(name);
    (*sheet)->SetCaption(caption);
    (*sheet)->SetPageControl(PageControl1);
  }

  place(BrowseStockCode, "BrowseStockCode", TabSheet2, 8, 8, 273, 17)
      .SetCaption(L"4桁の数字を証券コードとみなしてチャートを表示する");
  BrowseStockCode->SetTabOrder(0);
  hint(*BrowseStockCode, L"証券コードをダブルクリック→Ctrl+Cでチャートが表示できるようになります。");
  place(StockSiteSelect, "StockSiteSelect", TabSheet2, 304, 8, 161, 105)
      .SetCaption(L"使用するチャートのサイト");
  StockSiteSelect->SetTabOrder(1);
  StockSiteSelect->SetColumns(1);
  StockSiteSelect->SetItems({L"Yahoo! ファイナンス", L"infoseek マネー", L"livedoor ファイナンス",
                             L"時事ストックナビ", L"NIKKEI NET 株価サーチ"});
  StockSiteSelect->SetItemIndex(0);

  place(Label1, "Label1", TabSheet3, 8, 8, 66, 13).SetCaption(L"表示タイミング");
  place(SleepTime, "SleepTime", TabSheet3, 80, 4, 57, 22).SetTabOrder(0);
  SleepTime->SetMaxLength(4);
  SleepTime->SetMinValue(0);
  SleepTime->SetMaxValue(0);
  SleepTime->SetValue(100);
  hint(*SleepTime, L"相手サイトのサーバーに高い負荷を与えないようにブラウザでページを開く間隔を調整します。");
  place(Label2, "Label2", TabSheet3, 144, 8, 13, 13).SetCaption(L"ms");
  place(AutoBrowseNetMileAD, "AutoBrowseNetMileAD", TabSheet3, 8, 32, 201, 17)
      .SetCaption(L"NetMileの広告URLを自動表示");
  AutoBrowseNetMileAD->SetTabOrder(1);
  hint(*AutoBrowseNetMileAD,
       L"NetMileの広告URLのみをブラウザで開きます。Mileの隠れている可能性があるものだけを自動表示。");
  place(AutoBrowseInfoCash, "AutoBrowseInfoCash", TabSheet3, 8, 56, 225, 17)
      .SetCaption(L"Info-CashのキャッシュバックURLを自動表示");
  AutoBrowseInfoCash->SetTabOrder(2);
  hint(*AutoBrowseInfoCash, L"キャッシュバックキャンペーンのアドレスを自動表示。");
  place(Label3, "Label3", TabSheet3, 24, 80, 69, 13).SetCaption(L"Info-CashのID");
  place(InfoCashID, "InfoCashID", TabSheet3, 96, 76, 113, 21).SetTabOrder(3);
  hint(*InfoCashID,
       L"Info-CashのIDを記述しておくと、キャッシュバックチャンスのページを自動的に表示することができます。");
}

void TSetupForm::OKClick(TComponent*) {
  Hide();
  AutoSave->Save();
}

void TSetupForm::CancelClick(TComponent*) {
  Hide();
  // The saved position must not move the form; the switch comes back on even if the load fails.
  AutoSave->CheckWinState = false;
  struct Restore {
    TAutoIni& autoSave;
    ~Restore() { autoSave.CheckWinState = true; }
  } restore{*AutoSave};
  AutoSave->Load();
}

void TSetupForm::CreateParams(TCreateParams& p) {
  TForm::CreateParams(p);
  p.className = L"TSetupForm";
}

void TSetupForm::FormCreate(TComponent*) {
  SetBounds(0, 0, Width(), Height());
  AutoSave->Section = GetWinUserName();
  AutoSave->Load();
  Application().HelpFile = ChangeFileExt(ModuleFileName(), L".pdf");
  PageControl1->SetActivePage(TabSheet1);
  LastClipText.clear();
}

void TSetupForm::FormCloseQuery(TComponent*, bool& canClose) {
  if (Visible()) {
    canClose = false;
    Hide();
  } else {
    AutoSave->Save();
  }
}

void TSetupForm::AppExitExecute(TComponent*) {
  Hide();
  Close();
}

void TSetupForm::AppSetupExecute(TComponent*) { Show(); }

void TSetupForm::AppHelpExecute(TComponent*) { OpenUrl(Application().HelpFile); }

void TSetupForm::AppLinkExecute(TComponent*) {
  if (auto failure = OpenUrl("http://www.tornhaven.jp/")) {
    openFailures_.push_back(OpenFailureText(1, 1, *failure));
    ShowOpenFailure();
  }
}

void TSetupForm::AppVerInfoExecute(TComponent*) {
  MessageDlg(L"情報",
             L"Copyright (C) 2026 Tornhaven\r\n\r\n" + WideFromText(GetVersionInfo(ModuleFileName(), 2)),
             TMsgDlgType::mtInformation);
}

void TSetupForm::TrayMouseDown(TComponent*, TMouseButton button, TShiftState, int, int) {
  if (button == mbMiddle) AppSetupExecute(this);
}

LRESULT TSetupForm::WMQueryEndSession() {
  Hide();
  // The session waits for this answer and nobody may be there to close a box: a failed save is not shown
  // now, but tried again when the session ends, or shown if it goes on.
  TSessionEnd quiet;
  try {
    const bool canClose = CloseQuery();
    sessionSave_ = TSessionSave::Saved;
    return canClose ? 1 : 0;
  } catch (const std::exception&) {
    sessionSave_ = TSessionSave::Failed;
    return 1;
  }
}

namespace {
// Posted by the dispatch: the message about a text too large is shown from the
// message loop, not inside the clipboard notification.
constexpr UINT kTextTooLarge = WM_APP + 1;
// Posted when a session end that couldn't save was called off: the save is made again, failures shown.
constexpr UINT kSaveAgain = WM_APP + 2;
// Posted once a copy's pages are handed over and some failed: the box that says so.
constexpr UINT kOpenFailed = WM_APP + 3;
// A clipboard that another program holds is tried again this often, for this long after the change:
// clipboard managers and the system's clipboard history read every copy, and hold the clipboard longer for
// a large one (a bridge to another clipboard was seen to hold a 64 MiB copy for 7.9 s, and for 20 s on a
// loaded machine).
constexpr UINT_PTR kClipRetryTimer = 0xB1;
constexpr int kClipRetryMs = 10;
constexpr ULONGLONG kClipBusyBoundMs = 30000;
// Carries the dispatch on: the question, the next page after its pause, the copies kept meanwhile.
constexpr UINT_PTR kDispatchTimer = 0xB2;
constexpr UINT kDispatchNow = WM_APP + 4;
// The longest URL the shell and browsers take.
constexpr std::size_t kLongestUrl = 2083;
}  // namespace

LRESULT TSetupForm::WMEndSession(bool ending) {
  const TSessionSave save = std::exchange(sessionSave_, TSessionSave::None);
  if (!ending) {
    if (save == TSessionSave::Failed) PostMessageW(Handle(), kSaveAgain, 0, 0);
    return 0;
  }
  // The session ends: the program with it, so that no more of a mail's links open meanwhile.
  Application().Terminate();
  if (save == TSessionSave::Saved) return 0;
  // The process may end as soon as this returns: one last try, with nobody left to read a box; a failure
  // goes to the debugger's output only.
  TSessionEnd quiet;
  try {
    AutoSave->Save();
  } catch (const std::exception& e) {
    OutputDebugStringW(ExceptionMessage(e).c_str());
  }
  return 0;
}

void TSetupForm::ShowTextTooLarge() {
  struct Reset {
    bool& shown;
    ~Reset() { shown = false; }
  } reset{tooLargeShown_};
  MessageDlg(Application().Title(),
             L"コピーされたテキストが大きすぎるため、解析できませんでした。\r\n"
             L"このテキストからはページを開きません。",
             TMsgDlgType::mtWarning);
}

LRESULT TSetupForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_QUERYENDSESSION) return WMQueryEndSession();
  if (msg == WM_ENDSESSION) return WMEndSession(wParam != FALSE);
  if (msg == kTextTooLarge) {
    ShowTextTooLarge();
    return 0;
  }
  if (msg == kSaveAgain) {
    try {
      AutoSave->Save();
    } catch (const std::exception& e) {
      Application().HandleException(e);
    }
    return 0;
  }
  if (msg == kOpenFailed) {
    ShowOpenFailure();
    return 0;
  }
  if ((msg == WM_TIMER && wParam == kDispatchTimer) || msg == kDispatchNow) {
    KillTimer(Handle(), kDispatchTimer);
    dispatchArmed_ = false;
    TakeClipboardChange(true);
    return 0;
  }
  if (msg == WM_TIMER && wParam == kClipRetryTimer) {
    KillTimer(Handle(), kClipRetryTimer);
    // A clipboard manager holds the clipboard in turns, one for each form it reads, with moments free
    // between them: tried again each millisecond within the tick, as long as no message waits.
    for (int tries = 1; !TakeClipboardChange() && tries < kClipRetryMs; ++tries)
      if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT) != WAIT_TIMEOUT) break;
    return 0;
  }
  return TForm::WndProc(msg, wParam, lParam);
}

void TSetupForm::ClipEventClipChange(TComponent*) {
  changeTime_ = GetTickCount64();
  KillTimer(Handle(), kClipRetryTimer);
  TakeClipboardChange();
}

bool TSetupForm::TakeClipboardChange(bool resume) {
  const bool done = resume ? dispatch_.Resume(host_, LastClipText) : dispatch_.Change(host_, LastClipText);
  // Inside a step of the dispatch's own (the question's box, a shell open), the outer call arms the timer.
  if (!dispatch_.Running() && !dispatchArmed_) ArmDispatch();
#ifdef BRIVOLA_PROBE
  // Test build: record each text the dispatch takes, one line of hex each, once the change has been taken.
  static std::string logged;
  if (done && !TextEquals(logged, LastClipText)) {
    logged = LastClipText;
    if (const char* log = std::getenv("BRIVOLA_PROBE_LOG")) {
      if (FILE* f = std::fopen(log, "ab")) {
        for (unsigned char c : LastClipText) std::fprintf(f, "%02X", c);
        std::fputc('\n', f);
        std::fclose(f);
      }
    }
  }
#endif
  if (done) {
    if (!resume) {
      KillTimer(Handle(), kClipRetryTimer);
      ClipEvent->PassChangeOn();
    }
    return true;
  }
  // Held by another program, as clipboard managers do right after each change: tried again from the message
  // loop, soon, and the change goes on down the viewer chain once the text is read (or after a bound), so
  // that nobody behind copies anew over a text not read yet.
  if (GetTickCount64() - changeTime_ < kClipBusyBoundMs) {
    ClipEvent->HoldChange();
    SetTimer(Handle(), kClipRetryTimer, kClipRetryMs, nullptr);
    return false;
  }
  // Given up: the retry armed by an earlier try within the same tick goes too, or a second box would follow.
  KillTimer(Handle(), kClipRetryTimer);
  ClipEvent->PassChangeOn();
  throw EClipboardBusy(TextFromUtf8("クリップボードを開くことができません"));
}

void TSetupForm::ArmDispatch() {
  const auto due = dispatch_.DueInMs();
  dispatchArmed_ = due.has_value();
  if (!due) return;
  // Due now: at once, unless the user's input or an expired timer waits, which a timer lets go first. A
  // posted message comes before every timer, so pages posted one after another would hold back the held
  // clipboard's retry and the bound on holding a change back until the last of them.
  if (*due <= 0 && HIWORD(GetQueueStatus(QS_INPUT | QS_TIMER)) == 0)
    PostMessageW(Handle(), kDispatchNow, 0, 0);
  else
    SetTimer(Handle(), kDispatchTimer, static_cast<UINT>(std::max(*due, 0)), nullptr);
}

std::string TSetupForm::ExtractUrl(const std::string& text) const { return ::ExtractUrl(text); }

std::optional<std::wstring> TSetupForm::OpenUrl(const std::string& target) {
  // A run of URL characters that long is no page; Windows' own shell overruns its stack on far less.
  if (target.size() > kLongestUrl)
    return L"URL が長すぎます（" + std::to_wstring(kLongestUrl) + L" 文字まで）";
  if (!com_) com_.emplace();
  const std::wstring file = WideFromText(target);
  // No window of the shell's own for a failed open ("How do you want to open this?", an error box): one
  // box says what failed once the copy's pages are handed over.
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.hwnd = Handle();
  info.lpVerb = L"OPEN";
  info.lpFile = file.c_str();
  info.lpParameters = L"";
  info.lpDirectory = L"";
  info.nShow = SW_SHOW;
#ifdef BRIVOLA_PROBE
  const unsigned long long handed = Microseconds();
#endif
  const bool opened = ShellExecuteExW(&info) != FALSE;
  const DWORD error = GetLastError();
#ifdef BRIVOLA_PROBE
  LogShellOpen(handed, opened ? info.hInstApp : nullptr, target);
#endif
  if (opened) return std::nullopt;
  return SystemErrorText(error);
}

void TSetupForm::OpenUrl(const std::wstring& target) {
  ShellExecuteW(Handle(), L"OPEN", target.c_str(), L"", L"", SW_SHOW);
}

void TSetupForm::BrowseStockChart(const std::string& text) { ::BrowseStockChart(host_, text); }
void TSetupForm::BrowseNetMileAD(const std::string& text) { ::BrowseNetMileAD(host_, text); }
void TSetupForm::BrowseInfoCash(const std::string& text) { ::BrowseInfoCash(host_, text); }

bool TSetupForm::THost::BrowseStockCode() { return form_.BrowseStockCode->Checked(); }
int TSetupForm::THost::StockSiteSelect() { return form_.StockSiteSelect->ItemIndex(); }
bool TSetupForm::THost::AutoBrowseNetMileAD() { return form_.AutoBrowseNetMileAD->Checked(); }
bool TSetupForm::THost::AutoBrowseInfoCash() { return form_.AutoBrowseInfoCash->Checked(); }
int TSetupForm::THost::SleepTime() { return form_.SleepTime->Value(); }
std::string TSetupForm::THost::InfoCashID() { return form_.InfoCashID->Text(); }

bool TSetupForm::THost::ClipboardHasText() { return ::ClipboardHasText(); }
bool TSetupForm::THost::ClipboardIsPrivate() { return ClipboardMarkedPrivate(Application().Handle()); }
std::string TSetupForm::THost::ReadClipboardText() { return ::ReadClipboardText(Application().Handle()); }
bool TSetupForm::THost::ClipboardTextEquals(std::string_view text) {
  return ::ClipboardTextEquals(Application().Handle(), text);
}
std::uint64_t TSetupForm::THost::ClipboardTextDigest() {
  return ::ClipboardTextDigest(Application().Handle());
}
void TSetupForm::THost::ReportTextTooLarge() {
  if (std::exchange(form_.tooLargeShown_, true)) return;
  PostMessageW(form_.Handle(), kTextTooLarge, 0, 0);
}
bool TSetupForm::THost::ConfirmOpen(std::size_t pages) {
  std::wstring text = L"このテキストから N 件のページを開きます。開いてもよろしいですか？";
  text.replace(text.find(L'N'), 1, std::to_wstring(pages));
  const int answer =
      MessageDlg(Application().Title(), text, TMsgDlgType::mtConfirmation, MB_YESNO | MB_DEFBUTTON2);
  form_.changeTime_ = GetTickCount64();  // a clipboard held from here on is waited for as after a change
  // An exit chosen meanwhile ends the box's loop too: nothing opens then.
  return answer == IDYES && !Application().Terminated();
}
void TSetupForm::THost::OpenUrl(const std::string& target) {
  if (Application().Terminated()) return;  // exit was chosen: the rest of a mail's links stay closed
  ++form_.opens_;
  if (auto failure = form_.OpenUrl(target)) {
    ++form_.failedOpens_;
    form_.lastFailure_ = std::move(*failure);
  }
}
void TSetupForm::THost::CopyOpened() {
  const int opens = std::exchange(form_.opens_, 0), failed = std::exchange(form_.failedOpens_, 0);
  if (failed == 0 || Application().Terminated()) return;
  // Shown from the message loop; the next copy's pages go on opening meanwhile.
  form_.openFailures_.push_back(OpenFailureText(failed, opens, form_.lastFailure_));
  PostMessageW(form_.Handle(), kOpenFailed, 0, 0);
}
void TSetupForm::ShowOpenFailure() {
  if (openFailures_.empty()) return;
  const std::wstring text = std::move(openFailures_.front());
  openFailures_.pop_front();
  MessageDlg(Application().Title(), text, TMsgDlgType::mtWarning);
}
std::string TSetupForm::THost::HalfWidth(const std::string& text) { return LCMapText(text, LCMAP_HALFWIDTH); }
