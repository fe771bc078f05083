#include "TrShlApi.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <utility>

#include "Forms.h"
#include "Handles.h"
#include "SystemLibraries.h"
#include "TextRules.h"
#include "WinText.h"

namespace {
const char kClassName[] = "TaskTrayHandle";
std::unique_ptr<TTrayIconWinProcList> winProcList;

// The message filter of Windows 7, or the process-wide one of Vista; an older Windows filters nothing.
void AllowMessageFromLowerRights(HWND wnd, UINT message) {
  using FilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  using Filter = BOOL(WINAPI*)(UINT, DWORD);
  static const auto filterEx = OptionalFunction<FilterEx>(L"user32.dll", "ChangeWindowMessageFilterEx");
  static const auto filter = OptionalFunction<Filter>(L"user32.dll", "ChangeWindowMessageFilter");
  if (filterEx)
    filterEx(wnd, message, MSGFLT_ALLOW, nullptr);
  else if (filter)
    filter(message, MSGFLT_ADD);
}

// An administrator's full token: the shell, which runs with a standard user's rights, is below it. Before
// Windows Vista there are no such levels.
bool ProcessElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const UniqueHandle owned(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

TTrayShell RealShell() {
  return {[](DWORD message, NOTIFYICONDATAA* data) { return Shell_NotifyIconA(message, data); },
          [](DWORD ms) { ::Sleep(ms); }, nullptr, &AllowMessageFromLowerRights, &ProcessElevated};
}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

DWORD VersionFromResource() {
  wchar_t dir[260] = {};
  if (!GetSystemDirectoryW(dir, 260)) return 0;
  const std::wstring path = std::wstring(dir) + L"\\shell32.dll";
  DWORD ignored = 0;
  const DWORD size = lazy::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return 0;
  std::vector<char> info(size);
  if (!lazy::GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return 0;
  struct Translation {
    WORD language, codePage;
  };
  Translation* translation = nullptr;
  UINT length = 0;
  if (!lazy::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                            &length) ||
      length < sizeof(Translation))
    return 0;
  wchar_t key[64];
  std::swprintf(key, 64, L"\\StringFileInfo\\%04X%04X\\FileVersion", translation->language,
                translation->codePage);
  wchar_t* value = nullptr;
  if (!lazy::VerQueryValueW(info.data(), key, reinterpret_cast<void**>(&value), &length) || !value) return 0;
  const std::wstring text(value, wcsnlen(value, length));
  const auto digit = [&](size_t i) { return text[i] >= L'0' && text[i] <= L'9'; };
  if (text.size() < 4 || !digit(0) || !digit(2) || !digit(3)) return 0;
  const DWORD major = static_cast<DWORD>(text[0] - L'0');
  const DWORD minor = static_cast<DWORD>((text[2] - L'0') * 10 + (text[3] - L'0'));
  return (major << 16) | minor;
}

bool IsTimeout() { return GetLastError() == ERROR_TIMEOUT; }

// Copies text into a fixed field, cut to leave room for the zero byte. The
// cut never keeps the lead byte of a character without its trail byte.
template <size_t N>
void StoreField(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  size_t length = 0;
  while (length < text.size()) {
    const size_t next = length + (LeadByteSet().Contains(static_cast<unsigned char>(text[length])) ? 2 : 1);
    if (next > N - 1 || next > text.size()) break;
    length = next;
  }
  std::memcpy(field, text.data(), length);
}

template <size_t N>
std::string ReadField(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

// At namespace scope, so that it outlives the application object: forms and
// their tray icons are still torn down while function-local statics go.
TTrayShell trayShell = RealShell();
}  // namespace

TTrayShell& TrayShell() { return trayShell; }
void ResetTrayShell() { TrayShell() = RealShell(); }

DWORD DetermineShellVersion() {
  DWORD version = VersionFromResource();
  const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE shell32 = SystemLibrary(L"shell32.dll");
  SetErrorMode(oldMode);
  if (!shell32) return version;
  using GetVersionFn = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
  auto getVersion = reinterpret_cast<GetVersionFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(shell32, "DllGetVersion")));
  if (getVersion) {
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (SUCCEEDED(getVersion(&info))) version = (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
  } else {
    version = VersionFromResource();
  }
  FreeLibrary(shell32);
  return version;
}

TTrayIconWinProcList* TrayIconWinProcList() { return winProcList.get(); }

TTrayIconWinProcList::TTrayIconWinProcList() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = TrayWndProc;
  wc.hInstance = Instance();
  wc.hIcon = LoadIconA(Instance(), "MAINICON");
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);  // a class left registered by an earlier list is fine
  taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
}

TTrayIconWinProcList::~TTrayIconWinProcList() { UnregisterClassA(kClassName, Instance()); }

LRESULT CALLBACK TrayWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (winProcList) {
    for (TTaskTrayIcon* icon : winProcList->Items) {
      if (icon->HandleIfAllocated() != wnd) continue;
      TMessage message{msg, wParam, lParam, 0};
      try {
        icon->MessageHandler(message);
      } catch (const std::exception& e) {
        Application().HandleException(e);
      }
      return message.Result;
    }
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

TTaskTrayIcon::TTaskTrayIcon() {
  if (!winProcList) winProcList = std::make_unique<TTrayIconWinProcList>();
  winProcList->Items.push_back(this);
  style_ = std::make_unique<TToolTipStyle>();
  shellVersion_ = TrayShell().ShellVersion ? TrayShell().ShellVersion() : DetermineShellVersion();
}

TTaskTrayIcon::~TTaskTrayIcon() {
  style_.reset();
  DeleteIcon();
  if (handle_) DestroyWindow(handle_);
  handle_ = nullptr;
  if (winProcList) {
    auto& items = winProcList->Items;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
    if (items.empty()) winProcList.reset();
  }
}

HWND TTaskTrayIcon::Handle() {
  if (!handle_) {
    handle_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, Instance(),
                              nullptr);
    if (style_) style_->NotifyWindow = handle_;
    // Running elevated, the shell's restart broadcast and its callbacks would be filtered out; otherwise the
    // filter stays as the system sets it.
    if (handle_ && TrayShell().AllowMessage && TrayShell().Elevated && TrayShell().Elevated()) {
      if (winProcList) TrayShell().AllowMessage(handle_, winProcList->TaskbarCreated());
      TrayShell().AllowMessage(handle_, WM_TRAYNOTIFY);
    }
  }
  return handle_;
}

void TTaskTrayIcon::SetTip(const std::string& text) {
  std::memset(data_.szTip, 0, sizeof data_.szTip);
  if (text.empty()) return;
  std::string tip = text;
  size_t limit = sizeof data_.szTip - 1;
  if (!Shell5()) {
    for (size_t at; (at = tip.find("\r\n")) != std::string::npos;) tip.replace(at, 2, " ");
    limit = 63;
  }
  tip.resize(std::min(tip.size(), limit));
  std::memcpy(data_.szTip, tip.data(), tip.size());
}

std::string TTaskTrayIcon::Tip() const { return ReadField(data_.szTip); }

void TTaskTrayIcon::SetBalloonTitle(const std::string& text) { StoreField(data_.szInfoTitle, text); }
std::string TTaskTrayIcon::BalloonTitle() const { return ReadField(data_.szInfoTitle); }
void TTaskTrayIcon::SetBalloonText(const std::string& text) { StoreField(data_.szInfo, text); }
std::string TTaskTrayIcon::BalloonText() const { return ReadField(data_.szInfo); }

BOOL TTaskTrayIcon::Notify(DWORD message) { return TrayShell().NotifyIcon(message, &data_); }

void TTaskTrayIcon::Foreground() {
  if (DoForegroundWindow) SetForegroundWindow(Handle());
}

bool TTaskTrayIcon::AddIcon() { return Add(true, false); }
bool TTaskTrayIcon::TryAddIcon() { return Add(false, false); }
bool TTaskTrayIcon::AddIconAgain() { return Add(false, true); }

bool TTaskTrayIcon::Add(bool wait, bool mayHaveIt) {
  if (shown_) return true;
  if (Shell5()) {
    data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data_.dwState = NIS_SHAREDICON;
    data_.dwStateMask = 0;
    data_.dwInfoFlags = 0;
  } else {
    data_.cbSize = NOTIFYICONDATAA_V1_SIZE;
  }
  data_.uID = TRAY_ICON_ID;
  data_.hWnd = Handle();
  data_.uCallbackMessage = WM_TRAYNOTIFY;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  if (!data_.hIcon) return shown_;
  Foreground();
  if (added_) {
    // Registered but hidden: clear the hidden state.
    data_.dwState = 0;
    data_.uFlags |= NIF_STATE;
    data_.dwStateMask = NIS_HIDDEN | NIS_SHAREDICON;
    if (Notify(NIM_MODIFY)) shown_ = true;
    return shown_;
  }
  if (Notify(NIM_ADD)) {
    added_ = shown_ = true;
    style_->ResetHoverRect();
    return true;
  }
  // A busy shell times out, though it may have taken the icon all the same; one that never lost it refuses
  // the add. A modify tells whether the icon is there.
  if (!wait) {
    if (!IsTimeout() && !mayHaveIt) return false;
    added_ = shown_ = Notify(NIM_MODIFY) != FALSE;
    if (shown_) style_->ResetHoverRect();
    return shown_;
  }
  for (int counter = 5; !shown_ && counter >= 0;) {
    if (!IsTimeout()) throw ENotifyIconError(TextFromUtf8("タスクトレイにアイコンを登録できません。"));
    TrayShell().Sleep(2000);
    added_ = shown_ = true;
    if (Notify(NIM_MODIFY)) {
      style_->ResetHoverRect();
      break;
    }
    added_ = shown_ = false;
    Foreground();
    if (Notify(NIM_ADD)) {
      added_ = shown_ = true;
      style_->ResetHoverRect();
      break;
    }
    if (counter == 0) throw ENotifyIconError(TextFromUtf8("タスクトレイのアイコンを変更できません。"));
    --counter;
  }
  return shown_;
}

bool TTaskTrayIcon::ModifyIcon() {
  if (!shown_) return AddIcon();
  if (!data_.hIcon) return false;
  Foreground();
  if (!Notify(NIM_MODIFY) && !IsTimeout()) {
    added_ = shown_ = false;
    try {
      AddIcon();
    } catch (const ENotifyIconError&) {
      // The icon stays unregistered; the next update tries again.
    }
  }
  return shown_;
}

bool TTaskTrayIcon::HideIcon() {
  if (!Shell5()) return DeleteIcon();
  if (!(added_ && shown_)) return true;
  data_.uFlags = NIF_STATE;
  data_.dwState = NIS_HIDDEN;
  data_.dwStateMask = NIS_HIDDEN | NIS_SHAREDICON;
  const bool ok = Notify(NIM_MODIFY) != FALSE;
  data_.dwState = 0;
  shown_ = false;
  return ok;
}

bool TTaskTrayIcon::DeleteIcon() {
  if (!added_) return true;
  const bool ok = Notify(NIM_DELETE) != FALSE;
  added_ = shown_ = false;
  return ok;
}

bool TTaskTrayIcon::IconRect(RECT& rect) const {
  if (!shown_) return false;
  if (TrayShell().IconRect) return TrayShell().IconRect(handle_, data_.uID, rect);
  // Windows 7 and later.
  using GetRect = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
  static const auto getRect = OptionalFunction<GetRect>(L"shell32.dll", "Shell_NotifyIconGetRect");
  NOTIFYICONIDENTIFIER icon{sizeof icon, handle_, data_.uID, GUID{}};
  return getRect && SUCCEEDED(getRect(&icon, &rect));
}

bool TTaskTrayIcon::SetFocus() { return shown_ && Shell5() && Notify(NIM_SETFOCUS); }

void TTaskTrayIcon::MessageHandler(TMessage& message) {
  if (winProcList && message.Msg == winProcList->TaskbarCreated()) {
    if (added_) {
      const bool wasShown = shown_;
      added_ = shown_ = false;
      // No box from here: an icon the shell doesn't take is left to the owner's retries.
      if (wasShown) AddIconAgain();
    }
    const UINT number = message.Msg;
    message.Msg = WM_TRAYRESTART;
    if (OwnerHandler) OwnerHandler(message);
    message.Msg = number;
  }
  if (style_) style_->MouseMessage(message);
  if (OwnerHandler) {
    OwnerHandler(message);
    return;
  }
  message.Result = DefWindowProcA(Handle(), message.Msg, message.WParam, message.LParam);
}

// Tool-tip style: clicks and hover.

HWND FindTrayToolTipWindow() {
  HWND taskbar = FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", nullptr);
  if (!taskbar) return nullptr;
  DWORD taskbarProcess = 0;
  GetWindowThreadProcessId(taskbar, &taskbarProcess);
  for (HWND tip = nullptr; (tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr)) != nullptr;) {
    DWORD process = 0;
    GetWindowThreadProcessId(tip, &process);
    if (process == taskbarProcess && !(GetWindowLongA(tip, GWL_STYLE) & TTS_NOPREFIX)) return tip;
  }
  return nullptr;
}

// Looked up once: after a taskbar restart the old handle is simply dead.
TCustomToolTipStyle::TCustomToolTipStyle() : ToolTipWindow(FindTrayToolTipWindow()) { Font.Color = clWindowText; }

TCustomToolTipStyle::~TCustomToolTipStyle() {
  hoverThread_.reset();
  RestoreColors();
}

void TCustomToolTipStyle::Assign(const TPersistent& source) {
  const auto* style = dynamic_cast<const TCustomToolTipStyle*>(&source);
  if (!style) return TPersistent::Assign(source);
  UseDefault = style->UseDefault;
  backGroundColor_ = style->backGroundColor_;
}

TColor TCustomToolTipStyle::GetColor(int index) const {
  switch (index) {
    case 1: return backGroundColor_;
    case 2: return Font.Color;
    default: return 0;
  }
}

void TCustomToolTipStyle::SetColor(int index, TColor value) {
  if (index == 1)
    backGroundColor_ = value;
  else if (index == 2)
    Font.Color = value;
}

namespace {
// The tray's tool tip belongs to the shell: a shell that hangs must not hold
// this program's GUI thread or its exit, and one that restarted has left a
// dead handle behind.
constexpr UINT kToolTipTimeoutMs = 250;

// Sends the messages in order; stops at the first one the tool tip doesn't answer in time.
void SendToToolTip(HWND tip, std::initializer_list<std::pair<UINT, WPARAM>> messages) {
  if (!tip || !IsWindow(tip)) return;
  for (const auto& [msg, wParam] : messages) {
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(tip, msg, wParam, 0, SMTO_ABORTIFHUNG, kToolTipTimeoutMs, &ignored)) return;
  }
}
}  // namespace

void TCustomToolTipStyle::ApplyColors() {
  // A system colour is sent as the RGB it stands for: the tip takes plain RGB only.
  SendToToolTip(ToolTipWindow, {{TTM_SETTIPBKCOLOR, ColorToRGB(backGroundColor_)},
                                {TTM_SETTIPTEXTCOLOR, ColorToRGB(Font.Color)}});
}

void TCustomToolTipStyle::RestoreColors() {
  SendToToolTip(ToolTipWindow, {{TTM_POP, 0},
                                {TTM_SETTIPBKCOLOR, GetSysColor(COLOR_INFOBK)},
                                {TTM_SETTIPTEXTCOLOR, GetSysColor(COLOR_INFOTEXT)}});
}

void TCustomToolTipStyle::MouseMessage(const TMessage& m) {
  if (m.Msg == WM_TIMER) {
    if (m.WParam != TRAY_CLICK_TIMER) return;
    if (NotifyWindow) KillTimer(NotifyWindow, TRAY_CLICK_TIMER);
    if (clickPending_) SendClick(Pressed(mbLeft) ? mbLeft : Pressed(mbRight) ? mbRight : mbMiddle);
    return;
  }
  if (m.Msg != WM_TRAYNOTIFY) return;
  const bool fromShell = static_cast<LONG_PTR>(m.WParam) >= 0;
  switch (m.LParam) {
    case WM_MOUSEMOVE:
      HoverMove();
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (fromShell) {
        const int b = m.LParam == WM_LBUTTONDOWN ? mbLeft : m.LParam == WM_RBUTTONDOWN ? mbRight : mbMiddle;
        mouseState_ |= static_cast<unsigned char>(1u << b);
      }
      break;
    case WM_LBUTTONUP: ButtonUp(mbLeft); break;
    case WM_RBUTTONUP: ButtonUp(mbRight); break;
    case WM_MBUTTONUP: ButtonUp(mbMiddle); break;
    case WM_LBUTTONDBLCLK: ButtonDoubleClick(mbLeft); break;
    case WM_RBUTTONDBLCLK: ButtonDoubleClick(mbRight); break;
    case WM_MBUTTONDBLCLK: ButtonDoubleClick(mbMiddle); break;
    default: break;
  }
}

void TCustomToolTipStyle::ButtonUp(TMouseButton button) {
  if (!CheckSingleDoubleClick) {
    SendClick(button);
    return;
  }
  if (clickPending_) return;
  auto proc = reinterpret_cast<TIMERPROC>(reinterpret_cast<void (*)()>(&TrayWndProc));
  if (NotifyWindow && SetTimer(NotifyWindow, TRAY_CLICK_TIMER, GetDoubleClickTime(), proc)) clickPending_ = true;
}

void TCustomToolTipStyle::SendClick(TMouseButton button) {
  const bool pressed = Pressed(button);
  clickPending_ = false;
  mouseState_ &= static_cast<unsigned char>(~(1u << button));
  if (pressed && NotifyWindow) SendMessageA(NotifyWindow, WM_TRAYNOTIFY, button, TRAY_MOUSECLICK);
}

void TCustomToolTipStyle::ButtonDoubleClick(TMouseButton button) {
  clickPending_ = false;
  mouseState_ &= static_cast<unsigned char>(~(1u << button));
  static const LPARAM press[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  if (NotifyWindow) PostMessageA(NotifyWindow, WM_TRAYNOTIFY, static_cast<WPARAM>(-1), press[button]);
}

void TCustomToolTipStyle::HoverMove() {
  POINT p{};
  GetCursorPos(&p);
  auto extend = [&] {
    RECT& r = HoverRect;
    if (r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0) {
      r = {p.x, p.y, p.x, p.y};
      return;
    }
    if (p.x < r.left) r.left = p.x;
    else if (p.x > r.right) r.right = p.x;
    if (p.y < r.top) r.top = p.y;
    else if (p.y > r.bottom) r.bottom = p.y;
  };
  extend();
  if (std::abs(HoverRect.right - HoverRect.left) > 32 || std::abs(HoverRect.bottom - HoverRect.top) > 32) {
    ResetHoverRect();
    extend();
  }
  if (!MouseInside()) HoverEnter();
}

void TCustomToolTipStyle::HoverEnter() {
  mouseState_ |= inside;
  if (!UseDefault) ApplyColors();
  if (!hoverThread_) hoverThread_ = std::make_unique<TMouseEventMaker>(*this);
  hoverThread_->Wake(true);
  if (NotifyWindow) SendMessageA(NotifyWindow, WM_TRAYNOTIFY, 0, TRAY_MOUSEENTER);
}

void TCustomToolTipStyle::HoverCheck() {
  if (!MouseInside()) return;
  POINT p{};
  GetCursorPos(&p);
  const RECT& r = HoverRect;
  if (p.x < r.left || p.x > r.right || p.y < r.top || p.y > r.bottom) HoverLeave();
}

void TCustomToolTipStyle::HoverLeave() {
  mouseState_ &= static_cast<unsigned char>(~inside);
  if (!UseDefault) RestoreColors();
  if (hoverThread_) hoverThread_->Wake(false);
  if (NotifyWindow) SendMessageA(NotifyWindow, WM_TRAYNOTIFY, 0, TRAY_MOUSEEXIT);
}

// The hover thread. A wake-up given while it decides to wait is kept by its
// event, so it never waits while the cursor is inside.

TMouseEventMaker::TMouseEventMaker(TCustomToolTipStyle& style) : style_(style) { Start(); }

void TMouseEventMaker::Wake(bool inside) {
  inside_ = inside;
  TThread::Wake();
}

void TMouseEventMaker::Execute() {
  const std::function<void()> check = [this] { style_.HoverCheck(); };
  while (!Terminated()) {
    if (!inside_) {
      WaitForWake(INFINITE);
      continue;
    }
    WaitForWake(100);
    if (Terminated()) break;
    ++checks_;
    Synchronize(check);
  }
}
