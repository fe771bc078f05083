#include "NkClipDetector.h"

#include <utility>

namespace {
constexpr UINT_PTR kCheckTimer = 1;
// A change held back is passed on after this long at the latest.
constexpr UINT_PTR kHoldTimer = 2;
constexpr UINT kHoldBoundMs = 750;
// A change past its grace: the chain's head is asked whether it has handled its messages, up to this long.
constexpr UINT_PTR kProbeTimer = 3;
constexpr UINT kProbeAnswer = WM_APP + 1;

// A peer that keeps handling messages is waited for however slow it is; one
// that has stopped (the system's hung test) is given up.
constexpr UINT kPeerFlags = SMTO_ABORTIFHUNG | SMTO_NOTIMEOUTIFNOTHUNG;
constexpr UINT kPeerTimeoutMs = 5000;
// Before an optional re-join the chain's head must answer at once.
constexpr UINT kRejoinProbeMs = 500;

// Whether the chain's head answers: leaving the chain sends it a message and
// waits for the reply, which a hung head never gives.
bool HeadAnswers(HWND head, UINT flags, UINT timeoutMs) {
  if (!head || !IsWindow(head)) return true;
  if (IsHungAppWindow(head)) return false;
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(head, WM_NULL, 0, 0, flags, timeoutMs, &ignored) != 0;
}

// The head's answer, handed back to the detector's window from the message loop.
void CALLBACK ProbeCallback(HWND, UINT, ULONG_PTR window, LRESULT) {
  PostMessageW(reinterpret_cast<HWND>(window), kProbeAnswer, 0, 0);
}
}  // namespace

TNkClipDetector::TNkClipDetector(TComponent* owner) : TComponent(owner) {}

TNkClipDetector::~TNkClipDetector() { Leave(); }

void TNkClipDetector::Leave() {
  if (!windowHandle_) return;
  PassChangeOn();
  probing_ = false;
  if (listening_) RemoveClipboardFormatListener(windowHandle_);
  listening_ = false;
  const HWND head = GetClipboardViewer();
  // With a hung head nobody behind it hears of a change anyway: the window goes without the leave that would
  // wait for it for good.
  if (head == windowHandle_ || HeadAnswers(head, kPeerFlags, kPeerTimeoutMs))
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
}

// Joins again at the head of the chain, after a change that didn't come down it. Nobody is served worse for
// it: every viewer ahead of this one stays ahead of those it was ahead of, and those the chain had cut off
// stay behind whatever cut them off.
void TNkClipDetector::Rejoin() {
  const HWND head = GetClipboardViewer();
  if (head == windowHandle_ || !HeadAnswers(head, SMTO_ABORTIFHUNG | SMTO_BLOCK, kRejoinProbeMs)) return;
  ChangeClipboardChain(windowHandle_, nextViewer_);
  nextViewer_ = nullptr;
  Join();
}

void TNkClipDetector::SetChainCheckInterval(unsigned ms) {
  checkInterval_ = ms;
  if (windowHandle_ && !listening_) ScheduleCheck(ms);
}

void TNkClipDetector::ScheduleCheck(unsigned ms) {
  if (!windowHandle_) return;
  if (ms == 0) {
    KillTimer(windowHandle_, kCheckTimer);
    return;
  }
  SetTimer(windowHandle_, kCheckTimer, ms, nullptr);
}

// On the clipboard's update notice (or the periodic check): a change the chain hasn't brought within the
// grace is taken from here.
void TNkClipDetector::CheckChain() {
  const DWORD sequence = GetClipboardSequenceNumber();
  const ULONGLONG now = GetTickCount64();
  switch (watch_.Check(sequence, now)) {
    case TChainWatch::TVerdict::Healthy:
      ScheduleCheck(listening_ ? 0 : checkInterval_);
      break;
    case TChainWatch::TVerdict::Recheck:
      ScheduleCheck(static_cast<unsigned>(watch_.RecheckInMs(now)));
      break;
    case TChainWatch::TVerdict::Rejoin: {
      // A head that is alive may only be slow to come to its messages (a loaded machine): the notification
      // was sent to it before this question, so once it answers, the notification has come if it ever
      // does. The answer comes as a message; meanwhile everything else is handled.
      ScheduleCheck(listening_ ? 0 : checkInterval_);
      if (probing_) break;
      const HWND head = GetClipboardViewer();
      if (head && head != windowHandle_ && IsWindow(head) && !IsHungAppWindow(head) &&
          SendMessageCallbackW(head, WM_NULL, 0, 0, ProbeCallback,
                               reinterpret_cast<ULONG_PTR>(windowHandle_))) {
        probing_ = true;
        probed_ = sequence;
        SetTimer(windowHandle_, kProbeTimer, kPeerTimeoutMs, nullptr);
        break;
      }
      TakeUnheldChange(sequence);
      break;
    }
  }
}

// The head answered, or not in time: a change it still hasn't brought is taken from here.
void TNkClipDetector::ProbeAnswered() {
  if (!std::exchange(probing_, false)) return;
  KillTimer(windowHandle_, kProbeTimer);
  const DWORD sequence = GetClipboardSequenceNumber();
  if (watch_.Heard(sequence)) return;
  // A later change meanwhile: its notification gets a grace of its own.
  if (sequence != probed_) return CheckChain();
  TakeUnheldChange(sequence);
}

// A viewer ahead stopped forwarding, hangs or died in the chain: the change is raised from here, and the
// chain joined again at its head.
void TNkClipDetector::TakeUnheldChange(DWORD sequence) {
  watch_.Notified(sequence);
  try {
    DoClipChange();
  } catch (...) {
    Rejoin();
    throw;
  }
  Rejoin();
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
  // What is on the clipboard now counts as known: only later changes raise the event.
  watch_.Notified(GetClipboardSequenceNumber());
  listening_ = AddClipboardFormatListener(windowHandle_) != FALSE;
  if (!listening_) ScheduleCheck(checkInterval_);
}

void TNkClipDetector::DoClipChange() {
  if (ClipHandler) ClipHandler(this);
}

void TNkClipDetector::HoldChange() {
  if (!drawing_ || holding_) return;
  holding_ = true;
  SetTimer(windowHandle_, kHoldTimer, kHoldBoundMs, nullptr);
}

void TNkClipDetector::PassChangeOn() {
  if (!holding_) return;
  holding_ = false;
  KillTimer(windowHandle_, kHoldTimer);
  ForwardDraw();
}

void TNkClipDetector::ForwardDraw() {
  if (!nextViewer_) return;
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(nextViewer_, WM_DRAWCLIPBOARD, 0, 0, kPeerFlags, kPeerTimeoutMs, &ignored);
}

LRESULT TNkClipDetector::ChainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DRAWCLIPBOARD: {
      // A change held back goes on before the next one.
      PassChangeOn();
      const bool raise = !(IgnoreFirstFlag && joining_);
      if (raise) {
        watch_.Notified(GetClipboardSequenceNumber());
        if (listening_) ScheduleCheck(0);
      }
      // The next viewer hears of the change whatever the handler met, now or once it is passed on.
      drawing_ = true;
      struct TDrawing {
        bool& drawing;
        ~TDrawing() { drawing = false; }
      } drawing{drawing_};
      try {
        if (raise) DoClipChange();
      } catch (...) {
        if (holding_)
          PassChangeOn();
        else
          ForwardDraw();
        throw;
      }
      if (!holding_) ForwardDraw();
      return 0;
    }
    case WM_CHANGECBCHAIN: {
      if (reinterpret_cast<HWND>(wParam) == nextViewer_) {
        nextViewer_ = reinterpret_cast<HWND>(lParam);
        return 0;
      }
      DWORD_PTR result = 0;
      if (nextViewer_)
        SendMessageTimeoutA(nextViewer_, WM_CHANGECBCHAIN, wParam, lParam, kPeerFlags, kPeerTimeoutMs,
                            &result);
      return static_cast<LRESULT>(result);
    }
    case WM_CLIPBOARDUPDATE:
      CheckChain();
      return 0;
    case kProbeAnswer:
      ProbeAnswered();
      return 0;
    case WM_TIMER:
      if (wParam == kCheckTimer) {
        CheckChain();
        return 0;
      }
      if (wParam == kHoldTimer) {
        PassChangeOn();
        return 0;
      }
      if (wParam == kProbeTimer) {
        ProbeAnswered();
        return 0;
      }
      return DefWindowProcA(windowHandle_, msg, wParam, lParam);
    default:
      return DefWindowProcA(windowHandle_, msg, wParam, lParam);
  }
}
