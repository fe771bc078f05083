#include "NkClipDetector.h"

namespace {
constexpr UINT_PTR kCheckTimer = 1;
}

TNkClipDetector::TNkClipDetector(TComponent* owner) : TComponent(owner) {}

TNkClipDetector::~TNkClipDetector() { Leave(); }

void TNkClipDetector::Leave() {
  if (!windowHandle_) return;
  ChangeClipboardChain(windowHandle_, nextViewer_);
  window_.reset();
  windowHandle_ = nullptr;
  // Forgotten, so that the notification inside a later join goes to no stale link.
  nextViewer_ = nullptr;
}

void TNkClipDetector::Join() {
  // SetClipboardViewer delivers one WM_DRAWCLIPBOARD before it returns;
  // Joining marks it so that IgnoreFirst can skip it.
  joining_ = true;
  nextViewer_ = SetClipboardViewer(windowHandle_);
  joining_ = false;
  watch_.Notified(GetClipboardSequenceNumber());
  ScheduleCheck(checkInterval_);
}

void TNkClipDetector::SetChainCheckInterval(unsigned ms) {
  checkInterval_ = ms;
  if (windowHandle_) ScheduleCheck(ms);
}

void TNkClipDetector::ScheduleCheck(unsigned ms) {
  if (!windowHandle_) return;
  if (ms == 0) {
    KillTimer(windowHandle_, kCheckTimer);
    return;
  }
  SetTimer(windowHandle_, kCheckTimer, ms, nullptr);
}

void TNkClipDetector::CheckChain() {
  switch (watch_.Check(GetClipboardSequenceNumber(), GetTickCount64())) {
    case TChainWatch::TVerdict::Healthy:
      ScheduleCheck(checkInterval_);
      break;
    case TChainWatch::TVerdict::Recheck:
      ScheduleCheck(static_cast<unsigned>(watch_.GraceMs()));
      break;
    case TChainWatch::TVerdict::Rejoin:
      // The clipboard changed and no notification reached us: a viewer ahead
      // stopped forwarding or died in the chain. Leave and join at the head.
      ChangeClipboardChain(windowHandle_, nextViewer_);
      nextViewer_ = nullptr;
      Join();
      break;
  }
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
  // The chain's messages and the check timer are all sent or posted to this
  // window, so it needs no place among the desktop's windows.
  window_ = TUtilityWindow::Allocate([this](UINT m, WPARAM w, LPARAM l) { return ChainWndProc(m, w, l); },
                                     nullptr, TUtilityWindow::TKind::MessageOnly);
  if (!window_) throw EOutOfResources("TNkClipDetector.SetOnClipChange: Cannot Allocate HWnd");
  windowHandle_ = window_->Handle();
  ClipHandler = std::move(value);
  Join();
}

void TNkClipDetector::DoClipChange() {
  if (ClipHandler) ClipHandler(this);
}

LRESULT TNkClipDetector::ChainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DRAWCLIPBOARD:
      watch_.Notified(GetClipboardSequenceNumber());
      if (!(IgnoreFirstFlag && joining_)) DoClipChange();
      if (nextViewer_) SendMessageA(nextViewer_, WM_DRAWCLIPBOARD, 0, 0);
      return 0;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == nextViewer_) {
        nextViewer_ = reinterpret_cast<HWND>(lParam);
        return 0;
      }
      return nextViewer_ ? SendMessageA(nextViewer_, WM_CHANGECBCHAIN, wParam, lParam) : 0;
    case WM_TIMER:
      if (wParam == kCheckTimer) {
        CheckChain();
        return 0;
      }
      return DefWindowProcA(windowHandle_, msg, wParam, lParam);
    default:
      return DefWindowProcA(windowHandle_, msg, wParam, lParam);
  }
}
