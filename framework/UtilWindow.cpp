#include "UtilWindow.h"

#include <set>
#include <string>

#include "Forms.h"

namespace {
bool RegisterUtilClass(const wchar_t* name, WNDPROC proc) {
  static std::set<std::wstring> registered;
  if (registered.count(name)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  registered.insert(name);
  return true;
}
}  // namespace

std::unique_ptr<TUtilityWindow> TUtilityWindow::Allocate(TWndMethod handler, const wchar_t* className,
                                                         TKind kind) {
  const wchar_t* name = className ? className : L"TPUtilWindow";
  if (!RegisterUtilClass(name, &TUtilityWindow::WndProc)) return nullptr;
  std::unique_ptr<TUtilityWindow> window(new TUtilityWindow(std::move(handler)));
  // WS_POPUP, no WS_VISIBLE: never shown, not on the taskbar.
  HWND parent = kind == TKind::MessageOnly ? HWND_MESSAGE : nullptr;
  HWND wnd = CreateWindowExW(WS_EX_TOOLWINDOW, name, L"", WS_POPUP, 0, 0, 0, 0, parent, nullptr,
                             GetModuleHandleW(nullptr), window.get());
  if (!wnd) return nullptr;
  window->handle_ = wnd;
  return window;
}

TUtilityWindow::~TUtilityWindow() {
  if (handle_) DestroyWindow(handle_);
}

LRESULT CALLBACK TUtilityWindow::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<TUtilityWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
    if (self) self->handle_ = nullptr;
    return DefWindowProcW(wnd, msg, wParam, lParam);
  }
  // Messages sent during CreateWindowEx, before the handle is known, get the default.
  if (!self || !self->handle_ || !self->handler_) return DefWindowProcW(wnd, msg, wParam, lParam);
  try {
    // A close message ends the program as one to its main form does; the window itself stays.
    if (msg == WM_CLOSE) {
      Application().CloseMainForm();
      return 0;
    }
    return self->handler_(msg, wParam, lParam);
  } catch (const std::exception& e) {
    Application().HandleException(e);
  }
  return 0;
}
