#include "Forms.h"

#include "WinText.h"

// ---- TForm

TForm::TForm(TComponent* owner) : TWinControl(owner) { visible_ = false; }

TForm::~TForm() { DestroyHandle(); }

void TForm::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  if (HandleAllocated()) SetWindowTextW(Handle(), caption_.c_str());
}

void TForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"TForm";
  p.caption = caption_;
  p.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  p.exStyle = WS_EX_APPWINDOW;
  p.parentWindow = nullptr;
}

bool TForm::Visible() const { return visible_; }

void TForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TForm::Hide() { SetVisible(false); }

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
  if (handle_) DestroyWindow(handle_);
}

void TApplication::Initialize() {
  if (handle_) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &TApplication::WndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
  wc.lpszClassName = L"TApplication";
  RegisterClassExW(&wc);
  handle_ = CreateWindowExW(0, L"TApplication", title_.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                            nullptr, nullptr, wc.hInstance, nullptr);
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
    if (top && TWinControl::FromHandle(top) && IsDialogMessageW(top, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TApplication::HandleException(const std::exception& e) {
  if (OnException) {
    OnException(e);
    return;
  }
  MessageBoxW(mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : handle_,
              WideFromAnsi(e.what()).c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::Minimize() {
  if (mainForm_) ShowWindow(mainForm_->Handle(), SW_MINIMIZE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  if (mainForm_ && IsIconic(mainForm_->Handle())) ShowWindow(mainForm_->Handle(), SW_RESTORE);
  if (OnRestore) OnRestore(this);
}

LRESULT CALLBACK TApplication::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

// ---- message dialogs

int MessageDlg(const std::wstring& caption, const std::wstring& text, TMsgDlgType type, UINT buttons) {
  UINT icon = 0;
  switch (type) {
    case TMsgDlgType::mtWarning: icon = MB_ICONWARNING; break;
    case TMsgDlgType::mtError: icon = MB_ICONERROR; break;
    case TMsgDlgType::mtInformation: icon = MB_ICONINFORMATION; break;
    case TMsgDlgType::mtConfirmation: icon = MB_ICONQUESTION; break;
    case TMsgDlgType::mtCustom: break;
  }
  HWND owner = Application().MainForm() && Application().MainForm()->HandleAllocated()
                   ? Application().MainForm()->Handle()
                   : Application().Handle();
  return MessageBoxW(owner, text.c_str(), caption.c_str(), buttons | icon | MB_SETFOREGROUND);
}

void ShowMessage(const std::string& ansiText) {
  MessageDlg(Application().Title(), WideFromAnsi(ansiText), TMsgDlgType::mtCustom);
}
