#include "NkClipDetector.h"

TNkClipDetector::TNkClipDetector(TComponent* owner) : TComponent(owner) {}

TNkClipDetector::~TNkClipDetector() { Leave(); }

void TNkClipDetector::Leave() {
  if (!windowHandle_) return;
  ChangeClipboardChain(windowHandle_, nextViewer_);
  window_.reset();
  windowHandle_ = nullptr;
}

void TNkClipDetector::SetOnClipChange(TNotifyEvent value) {
  if (Designing()) {
    ClipHandler = std::move(value);
    return;
  }
  if (!value) {
    if (windowHandle_) {
      Leave();
      ClipHandler = nullptr;
    }
    return;
  }
  if (windowHandle_) {
    ClipHandler = std::move(value);
    return;
  }
  window_ = TUtilityWindow::Allocate([this](UINT m, WPARAM w, LPARAM l) { return ChainWndProc(m, w, l); });
  if (!window_) throw EOutOfResources("TNkClipDetector.SetOnClipChange: Cannot Allocate HWnd");
  windowHandle_ = window_->Handle();
  ClipHandler = std::move(value);
  // SetClipboardViewer delivers one WM_DRAWCLIPBOARD before it returns;
  // Joining marks it so that IgnoreFirst can skip it.
  joining_ = true;
  nextViewer_ = SetClipboardViewer(windowHandle_);
  joining_ = false;
}

void TNkClipDetector::DoClipChange() {
  if (ClipHandler) ClipHandler(this);
}

LRESULT TNkClipDetector::ChainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DRAWCLIPBOARD:
      if (!(IgnoreFirstFlag && joining_)) DoClipChange();
      if (nextViewer_) SendMessageA(nextViewer_, WM_DRAWCLIPBOARD, 0, 0);
      return 0;
    case WM_CHANGECBCHAIN:
      if (static_cast<DWORD>(wParam) == static_cast<DWORD>(reinterpret_cast<UINT_PTR>(nextViewer_))) {
        nextViewer_ = reinterpret_cast<HWND>(lParam);
        return 0;
      }
      return nextViewer_ ? SendMessageA(nextViewer_, WM_CHANGECBCHAIN, wParam, lParam) : 0;
    default:
      return DefWindowProcA(windowHandle_, msg, wParam, lParam);
  }
}
