// The yardstick of scripts/bench --wine: a program that does only what a resident tray tool cannot do
// without. It joins the clipboard viewer chain, registers one tray icon and waits for messages; WM_CLOSE
// to its window (class "MinimalTrayHandle") removes the icon, leaves the chain and ends it.
#include <windows.h>
#include <shellapi.h>

namespace {
constexpr UINT kTrayNotify = WM_USER + 200;
HWND nextViewer = nullptr;

LRESULT CALLBACK TrayProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DRAWCLIPBOARD:
      if (nextViewer) SendMessageW(nextViewer, msg, wParam, lParam);
      return 0;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == nextViewer)
        nextViewer = reinterpret_cast<HWND>(lParam);
      else if (nextViewer)
        SendMessageW(nextViewer, msg, wParam, lParam);
      return 0;
    case WM_DESTROY: {
      NOTIFYICONDATAW icon{};
      icon.cbSize = sizeof icon;
      icon.hWnd = wnd;
      icon.uID = 7;
      Shell_NotifyIconW(NIM_DELETE, &icon);
      ChangeClipboardChain(wnd, nextViewer);
      PostQuitMessage(0);
      return 0;
    }
    default:
      return DefWindowProcW(wnd, msg, wParam, lParam);
  }
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TrayProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"MinimalTrayHandle";
  if (!RegisterClassW(&wc)) return 1;
  HWND wnd = CreateWindowW(wc.lpszClassName, L"MinimalTray", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                           nullptr);
  if (!wnd) return 1;
  nextViewer = SetClipboardViewer(wnd);

  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = wnd;
  icon.uID = 7;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = kTrayNotify;
  icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynW(icon.szTip, L"MinimalTray", ARRAYSIZE(icon.szTip));
  if (!Shell_NotifyIconW(NIM_ADD, &icon)) return 2;

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
