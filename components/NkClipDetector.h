// TNkClipDetector: joins the clipboard viewer chain and raises OnClipChange
// on every change notification. The clipboard's own update notice stands in
// for a change that the chain fails to bring.
#pragma once

#include <windows.h>

#include <memory>

#include "ChainWatch.h"
#include "Classes.h"
#include "UtilWindow.h"

class TNkClipDetector : public TComponent {
 public:
  explicit TNkClipDetector(TComponent* owner);
  ~TNkClipDetector() override;

  bool IgnoreFirst() const { return IgnoreFirstFlag; }
  void SetIgnoreFirst(bool value) { IgnoreFirstFlag = value; }
  const TNotifyEvent& OnClipChange() const { return ClipHandler; }
  // Joins the chain when a handler arrives, leaves it when it is cleared.
  void SetOnClipChange(TNotifyEvent value);

  // Where the system can't report clipboard updates to the detector: how often a
  // joined detector checks that the chain still reaches it (milliseconds; 0
  // switches the check off). A broken chain is re-joined.
  unsigned ChainCheckInterval() const { return checkInterval_; }
  void SetChainCheckInterval(unsigned ms);

  // From the OnClipChange handler: the change waits to be passed on down the chain until PassChangeOn, or
  // for a bound, so that the next viewer doesn't hear of it (and its program copy anew) before the text is
  // read. Only inside the chain's own notification.
  void HoldChange();
  void PassChangeOn();

  HWND WindowHandle() const { return windowHandle_; }
  HWND NextViewer() const { return nextViewer_; }
  bool Joining() const { return joining_; }

 protected:
  virtual void DoClipChange();
  LRESULT ChainWndProc(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void Leave();
  void Join();
  void Rejoin();
  void ScheduleCheck(unsigned ms);
  void CheckChain();
  void ProbeAnswered();
  void TakeUnheldChange(DWORD sequence);
  void ForwardDraw();

  HWND nextViewer_ = nullptr;
  TNotifyEvent ClipHandler;
  bool joining_ = false;
  bool IgnoreFirstFlag = true;
  HWND windowHandle_ = nullptr;
  std::unique_ptr<TUtilityWindow> window_;
  unsigned checkInterval_ = 60000;
  TChainWatch watch_{500};
  bool listening_ = false;  // the window is a clipboard format listener
  bool drawing_ = false;    // inside WM_DRAWCLIPBOARD's handler
  bool holding_ = false;    // a change waits to be passed on
  bool probing_ = false;    // the chain's head was asked whether it is through with its messages
  DWORD probed_ = 0;        // the sequence number it was asked about
};
