#include "Forms.h"

#include <commctrl.h>

#include <algorithm>
#include <new>
#include <utility>

#include "AnalysisHost.h"
#include "TextRules.h"
#include "WinText.h"

// ---- TForm

TForm::TForm(TComponent* owner) : TWinControl(owner) { visible_ = false; }

TForm::~TForm() { DestroyHandle(); }

void TForm::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  if (HandleAllocated()) SetWindowTextW(Handle(), caption_.c_str());
}

namespace {
DWORD FormStyle(TFormBorderStyle b) {
  return b == TFormBorderStyle::bsDialog
             ? WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN
             : WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
}
DWORD FormExStyle(TFormBorderStyle b) {
  return WS_EX_APPWINDOW | WS_EX_CONTROLPARENT | (b == TFormBorderStyle::bsDialog ? WS_EX_DLGMODALFRAME : 0);
}
}  // namespace

std::function<void()> OnDefaultBeep;

void DefaultBeep() {
  MessageBeep(0);
  if (OnDefaultBeep) OnDefaultBeep();
}

void TForm::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  const RECT r = WindowRectForClient({0, 0, Scaled(width), Scaled(height)}, FormStyle(borderStyle_),
                                     FormExStyle(borderStyle_), dpi_);
  SetBounds(left_, top_, r.right - r.left, r.bottom - r.top);
}

void TForm::SetFont(const std::wstring& face, int height) {
  fontDescription_ = LOGFONTW{};
  fontHeight_ = height;
  fontDescription_.lfCharSet = DEFAULT_CHARSET;
  fontDescription_.lfWeight = FW_NORMAL;
  face.copy(fontDescription_.lfFaceName, LF_FACESIZE - 1);
  font_.reset();
}

HFONT TForm::FontHandle() const {
  if (!font_ && fontDescription_.lfFaceName[0]) {
    LOGFONTW scaled = fontDescription_;
    scaled.lfHeight = Scaled(fontHeight_);
    font_.reset(CreateFontIndirectW(&scaled));
  }
  return font_.get();
}

void TForm::ChangeDpi(int dpi, const RECT* suggested) {
  if (dpi <= 0) return;
  dpi_ = dpi;
  // The controls hold the old font until each has taken the new one.
  const UniqueFont old = std::move(font_);
  if (HandleAllocated()) {
    if (suggested) {
      SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (clientWidth_ >= 0) {
      SetClientSize(clientWidth_, clientHeight_);
    }
  } else if (clientWidth_ >= 0) {
    SetClientSize(clientWidth_, clientHeight_);
  }
  DpiChanged();
  if (hintWindow_) SendMessageW(hintWindow_, TTM_SETMAXTIPWIDTH, 0, Scaled(320));
  if (HandleAllocated())
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"TForm";
  p.caption = caption_;
  p.style = FormStyle(borderStyle_) | (p.style & WS_VISIBLE);
  p.exStyle = FormExStyle(borderStyle_);
  p.x = left_;
  p.y = top_;
  p.width = width_;
  p.height = height_;
  p.parentWindow = nullptr;
}

void TForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (borderStyle_ == TFormBorderStyle::bsDialog) {
    // A dialog frame: the system menu keeps Move and Close only.
    HMENU menu = GetSystemMenu(Handle(), FALSE);
    for (UINT cmd : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) DeleteMenu(menu, cmd, MF_BYCOMMAND);
  }
  hintWindow_ = nullptr;
  // A window made on a monitor of another DPI than the system's.
  if (const int dpi = WindowDpi(Handle()); dpi != dpi_) ChangeDpi(dpi, nullptr);
  if (controlsMade_ || visible_) {
    controlsMade_ = false;
    MakeControls();
  }
}

void TForm::MakeControls() {
  if (controlsMade_) return;
  controlsMade_ = true;
  CreateChildHandles();
  InitCommonControlsOnce();
  hintWindow_ = CreateWindowExW(
      WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hintWindow_) {
    SendMessageW(hintWindow_, TTM_SETMAXTIPWIDTH, 0, Scaled(320));
    AddHints(*this);
  }
}

void TForm::RefreshHints() {
  if (!hintWindow_) return;
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  while (SendMessageW(hintWindow_, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&ti)))
    SendMessageW(hintWindow_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  AddHints(*this);
}

// Each control with its own hint switch on shows its hint when the mouse rests on it.
void TForm::AddHints(TWinControl& container) {
  for (TControl* c : container.Controls()) {
    auto* wc = dynamic_cast<TWinControl*>(c);
    if (!wc) continue;
    if (wc->ShowHint() && !wc->Hint().empty()) {
      TTTOOLINFOW ti{};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = Handle();
      ti.uId = reinterpret_cast<UINT_PTR>(wc->Handle());
      ti.lpszText = const_cast<wchar_t*>(wc->Hint().c_str());
      SendMessageW(hintWindow_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    AddHints(*wc);
  }
}

void TForm::SelectNext(bool forward) {
  const std::vector<TWinControl*> order = FocusOrder();
  if (order.empty()) return;
  HWND focus = GetFocus();
  int at = -1;
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i]->Handle() == focus || IsChild(order[i]->Handle(), focus)) at = static_cast<int>(i);
  const int n = static_cast<int>(order.size());
  const int next = at < 0 ? (forward ? 0 : n - 1) : (at + (forward ? 1 : n - 1)) % n;
  // Entering an edit by keyboard selects its text.
  order[next]->FocusByKeyboard();
}

bool TForm::OfferDialogKey(TWinControl& container, WPARAM key) {
  for (TWinControl* c : container.TabList())
    if (c->TakeDialogKey(key) || OfferDialogKey(*c, key)) return true;
  return false;
}

bool TForm::DialogKey(MSG& msg) {
  if (msg.message == WM_KEYDOWN) {
    const WPARAM key = msg.wParam;
    // A key that moves the focus: the focus rectangles show from now on, as in a dialog that Windows runs.
    const bool arrow = key >= VK_LEFT && key <= VK_DOWN;
    const auto code = arrow ? SendMessageW(msg.hwnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&msg)) : 0;
    if (key == VK_TAB || (arrow && !(code & DLGC_WANTARROWS)))
      SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    if (GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0 && OfferDialogKey(*this, key)) return true;
    if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
      SelectNext(GetKeyState(VK_SHIFT) >= 0);
      return true;
    }
  }
  return IsDialogMessageW(Handle(), &msg) != FALSE;
}

bool TForm::Visible() const { return visible_; }

void TForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TForm::Hide() { SetVisible(false); }

void TForm::SetVisible(bool visible) {
  if (visible && HandleAllocated()) {
    MakeControls();
    PlaceWithinReach();
  }
  TWinControl::SetVisible(visible);
}

namespace {
BOOL CALLBACK AddVisibleArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto& [rect, area] = *reinterpret_cast<std::pair<RECT, long long>*>(data);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT common{};
  if (GetMonitorInfoW(monitor, &info) && IntersectRect(&common, &rect, &info.rcWork))
    area += static_cast<long long>(common.right - common.left) * (common.bottom - common.top);
  return TRUE;
}
}  // namespace

void TForm::PlaceWithinReach() {
  const RECT stored{left_, top_, left_ + width_, top_ + height_};
  RECT target = stored;
  std::pair<RECT, long long> visible{stored, 0};
  EnumDisplayMonitors(nullptr, nullptr, &AddVisibleArea, reinterpret_cast<LPARAM>(&visible));
  const long long area = static_cast<long long>(width_) * height_;
  if (area > 0 && visible.second * 2 < area) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromRect(&stored, MONITOR_DEFAULTTONEAREST), &info)) {
      const RECT& work = info.rcWork;
      target.left = std::max(work.left, std::min(stored.left, work.right - width_));
      target.top = std::max(work.top, std::min(stored.top, work.bottom - height_));
    }
  }
  RECT now{};
  GetWindowRect(Handle(), &now);
  if (now.left == target.left && now.top == target.top) return;
  placing_ = true;
  SetWindowPos(Handle(), nullptr, target.left, target.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  placing_ = false;
}

void TForm::BringToFront() {
  HWND wnd = Handle();
  if (IsIconic(wnd)) ShowWindow(wnd, SW_RESTORE);
  SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(wnd);
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (!CloseQuery()) return;
  if (Application().MainForm() == this)
    Application().Terminate();
  else
    Hide();
}

void TForm::AfterConstruction() {
  if (OnCreate) OnCreate(this);
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_SHOWWINDOW:
      visible_ = wParam != 0;
      break;
    case WM_WINDOWPOSCHANGED: {
      // The bounds are the window's as it is, wherever the user or the system moved it.
      const auto& pos = *reinterpret_cast<const WINDOWPOS*>(lParam);
      if (placing_ || IsIconic(Handle())) break;
      if (!(pos.flags & SWP_NOMOVE)) {
        left_ = pos.x;
        top_ = pos.y;
      }
      if (!(pos.flags & SWP_NOSIZE)) {
        width_ = pos.cx;
        height_ = pos.cy;
      }
      break;
    }
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case DM_GETDEFID:
      return GetDlgItem(Handle(), IDOK) ? MAKELRESULT(IDOK, DC_HASDEFID) : 0;
    case WM_ACTIVATE:
      // The focus comes back to the control that had it when the form was left.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Handle(), focus)) lastFocus_ = focus;
      } else {
        if (lastFocus_ && IsWindow(lastFocus_) && IsChild(Handle(), lastFocus_))
          ::SetFocus(lastFocus_);
        else if (auto order = FocusOrder(); !order.empty())
          order.front()->SetFocus();
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE && Application().MainForm() == this) {
        Application().Minimize();
        return 0;
      }
      break;
    default:
      break;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

// ---- TApplication

TApplication& Application() {
  static TApplication app;
  return app;
}

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
  // The forms go first, while the application's members and window are still there.
  while (!Components().empty()) RemoveComponent(Components().back().get());
  if (handle_) DestroyWindow(handle_);
}

void TApplication::Initialize() {
  if (initialized_) return;
  initialized_ = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &TApplication::WndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = LoadIconW(wc.hInstance, L"MAINICON");
  wc.lpszClassName = L"TApplication";
  RegisterClassExW(&wc);
}

HWND TApplication::Handle() const {
  if (!handle_ && initialized_)
    handle_ = CreateWindowExW(0, L"TApplication", title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0,
                              0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  return handle_;
}

void TApplication::SetTitle(std::wstring title) {
  title_ = std::move(title);
  if (handle_) SetWindowTextW(handle_, title_.c_str());
}

void TApplication::Run() {
  if (mainForm_ && ShowMainForm) mainForm_->Show();
  MSG msg;
  while (!terminated_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    // Dialog keys (Tab, Enter, Escape) for the form that holds the focus.
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    if (auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(top)); form && form->DialogKey(msg))
      continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::CloseMainForm() {
  if (mainForm_) mainForm_->Close();
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    if (auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(top)); form && form->DialogKey(msg))
      continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TApplication::HandleException(const std::exception& e) {
  if (OnException) {
    OnException(e);
    return;
  }
  MessageDlg(title_, ExceptionMessage(e), TMsgDlgType::mtError);
}

std::wstring ExceptionMessage(const std::exception& e) {
  // The framework's and the program's own exceptions carry messages written for the user; the run-time
  // library's carry English internals, which the user is never shown.
  if (dynamic_cast<const Exception*>(&e) || dynamic_cast<const EConvertError*>(&e) ||
      dynamic_cast<const EClipboardBusy*>(&e))
    return WideFromText(e.what());
  if (dynamic_cast<const std::bad_alloc*>(&e))
    return L"メモリが不足しているため、処理を続けられませんでした。";
  return L"予期しないエラーのため、処理を続けられませんでした。";
}

// Minimised, the application's forms are hidden and its own window stands
// for them, iconic, with one taskbar button; restoring brings the forms back.
void TApplication::Minimize() {
  if (!handle_ || IsIconic(handle_)) return;
  hiddenForms_.clear();
  for (const auto& c : Components())
    if (auto* form = dynamic_cast<TForm*>(c.get()); form && form->HandleAllocated() && form->Visible()) {
      hiddenForms_.push_back(form->Handle());
      ShowWindow(form->Handle(), SW_HIDE);
    }
  ShowWindow(handle_, SW_MINIMIZE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  if (!handle_ || !IsIconic(handle_)) return;
  ShowWindow(handle_, SW_SHOWNOACTIVATE);  // leaves the iconic state
  ShowWindow(handle_, SW_HIDE);
  for (HWND form : std::exchange(hiddenForms_, {}))
    if (IsWindow(form)) ShowWindow(form, SW_SHOW);
  if (OnRestore) OnRestore(this);
}

LRESULT CALLBACK TApplication::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
#ifdef BRIVOLA_GDI_COUNT
  // Test build: a test asks for the GDI guards' counts (0: live objects, 1: deleted while selected).
  static const UINT gdiCountQuery = RegisterWindowMessageW(L"BrivolaGdiCount");
  if (msg == gdiCountQuery) return wParam == 0 ? gdicount::Live() : gdicount::DeletedWhileSelected();
#endif
  if (msg == WM_CLOSE) {
    // Not destroyed on its own: the program ends as a whole, or not at all.
    try {
      Application().CloseMainForm();
    } catch (const std::exception& e) {
      Application().HandleException(e);
    }
    return 0;
  }
  if (msg == WM_NCDESTROY && wnd == Application().handle_) Application().handle_ = nullptr;
  if (msg == WM_SYSCOMMAND && wnd == Application().Handle()) {
    // The application window's taskbar button and system menu.
    switch (wParam & 0xFFF0) {
      case SC_MINIMIZE:
        Application().Minimize();
        return 0;
      case SC_RESTORE:
        Application().Restore();
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

// ---- message dialogs

std::function<int(HWND, const wchar_t*, const wchar_t*, UINT)> ShowMessageBox = &MessageBoxW;

namespace {
int sessionEnds = 0;  // GUI thread only
}  // namespace

TSessionEnd::TSessionEnd() { ++sessionEnds; }
TSessionEnd::~TSessionEnd() { --sessionEnds; }
bool TSessionEnd::Active() { return sessionEnds > 0; }

int MessageDlg(const std::wstring& caption, const std::wstring& text, TMsgDlgType type, UINT buttons) {
  UINT icon = 0;
  switch (type) {
    case TMsgDlgType::mtWarning:
      icon = MB_ICONWARNING;
      break;
    case TMsgDlgType::mtError:
      icon = MB_ICONERROR;
      break;
    case TMsgDlgType::mtInformation:
      icon = MB_ICONINFORMATION;
      break;
    case TMsgDlgType::mtConfirmation:
      icon = MB_ICONQUESTION;
      break;
    case TMsgDlgType::mtCustom:
      break;
  }
  if (TSessionEnd::Active()) return 0;
  HWND owner = Application().MainForm() && Application().MainForm()->HandleAllocated()
                   ? Application().MainForm()->Handle()
                   : Application().Handle();
  return ShowMessageBox(owner, text.c_str(), caption.c_str(), buttons | icon | MB_SETFOREGROUND | MB_TOPMOST);
}

void ShowMessage(const std::string& text) {
  MessageDlg(Application().Title(), WideFromText(text), TMsgDlgType::mtCustom);
}
