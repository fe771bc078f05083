// The tray icon component: decides when the program's icon is shown, hidden
// or updated, and turns the shell's callbacks into events and menu popups.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Classes.h"
#include "Handles.h"
#include "Menus.h"
#include "TextRules.h"
#include "Threads.h"
#include "TrShlApi.h"

// An icon image owned by its holder; a change is announced through OnChange.
// An icon taken from the program's resources keeps its name, so that it can be
// loaded again at another size with the image drawn for that size.
class TIcon {
 public:
  HICON Handle() const { return handle_.get(); }
  bool Empty() const { return !handle_ && resource_.empty(); }
  void Assign(HICON icon);  // copies the image; nullptr clears it
  void TakeOwnership(HICON icon);
  void Clear() { TakeOwnership(nullptr); }
  // The program's icon resource of the name; loaded when a size is first asked for.
  void SetResource(std::wstring name);
  // Loads the resource's image of the size unless it is loaded already; true when the handle changed.
  bool FitSize(int size);
  std::function<void()> OnChange;

 private:
  UniqueIcon handle_;
  std::wstring resource_;
  int size_ = 0;
};

using TMouseEvent = std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;

class TTrayIcon;

// The animation's thread: a tick every Interval milliseconds, each carried
// out on the GUI thread while this thread waits, so it never meets the GUI
// thread's own work on the icon. Paused, it waits without a timeout.
class TIconAnimation : public TThread {
 public:
  explicit TIconAnimation(TTrayIcon& tray) : tray_(tray) {}
  ~TIconAnimation() override { StopAndWait(); }
  void Pause();
  void Resume();
  bool Paused() const;

 protected:
  void Execute() override;

 private:
  TTrayIcon& tray_;
  mutable std::mutex mutex_;
  bool paused_ = true;
};

class TTrayIcon : public TComponent {
 public:
  explicit TTrayIcon(TComponent* owner);
  ~TTrayIcon() override;

  bool AutoPopup = true;
  TIcon& Icon() { return icon_; }
  void SetIcon(HICON icon);
  std::string TipHelp() const { return inner_->Tip(); }
  void SetTipHelp(const std::string& tip);
  bool Minimized() const { return minimized_; }
  void SetMinimized(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool HideOnTaskBar = false;
  int ResourceIconID();
  void SetResourceIconID(int value);
  // Resource names of the animation's images.
  const TStringList& ResourceIconList() const { return resourceIconList_; }
  void SetResourceIconList(TStringList names);
  // Milliseconds between two animation steps; 0 stops, 1 to 49 become 50.
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned value);
  bool DoForegroundWindow() const { return inner_->DoForegroundWindow; }
  void SetDoForegroundWindow(bool value) { inner_->DoForegroundWindow = value; }
  bool CheckSingleDoubleClick() const { return inner_->ToolTipStyle().CheckSingleDoubleClick; }
  void SetCheckSingleDoubleClick(bool value) { inner_->ToolTipStyle().CheckSingleDoubleClick = value; }
  std::string BalloonHelpTitle() const { return inner_->BalloonTitle(); }
  void SetBalloonHelpTitle(const std::string& text) { inner_->SetBalloonTitle(text); }
  std::string BalloonHelpText() const { return inner_->BalloonText(); }
  void SetBalloonHelpText(const std::string& text) { inner_->SetBalloonText(text); }
  int BalloonHelpTimeOut() const { return inner_->BalloonTimeOut(); }
  void SetBalloonHelpTimeOut(int value) { inner_->SetBalloonTimeOut(value); }
  TBalloonIconType BalloonHelpIcon() const { return inner_->BalloonIcon(); }
  void SetBalloonHelpIcon(TBalloonIconType value) { inner_->SetBalloonIcon(value); }
  TToolTipStyle& ToolTipStyle() { return inner_->ToolTipStyle(); }
  void SetToolTipStyle(const TPersistent& source) { inner_->ToolTipStyle().Assign(source); }
  TPopupMenu* LButtonPopupMenu = nullptr;
  TPopupMenu* RButtonPopupMenu = nullptr;

  TNotifyEvent OnDblClick;
  TNotifyEvent OnRDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseExit;
  TMouseEvent OnMouseClick;
  TNotifyEvent OnRestartTaskbar;
  TNotifyEvent OnIconAnimation;

  bool CanShow() const;
  // The small-icon size of the DPI of the shell's notification area.
  int IconSize();
  HICON CurrentIconHandle();
  // Adds the icon to the shell; without wait, one attempt that a refusal or a time-out ends quietly.
  bool ShowTrayIcon(bool wait = true);
  bool HideTrayIcon();
  bool UpdateTrayIcon();
  void UpdateAnimation();
  void PauseAnimation();
  void AnimationTick();  // on the GUI thread
  const TIconAnimation* Animation() const { return animation_.get(); }
  // Installed as the application's minimise and restore handlers.
  void AppMinimize(TComponent* sender);
  void AppRestore(TComponent* sender);
  TTaskTrayIcon& Inner() { return *inner_; }
  struct AppHook;

  // When the shell refuses the icon at the end of loading (a taskbar not ready
  // yet at logon), it is added on the next "TaskbarCreated", or by one attempt
  // every AddRetryInterval ms, AddRetryCount attempts at most.
  UINT AddRetryInterval = 5000;
  int AddRetryCount = 60;
  bool AddPending() const { return addPending_; }

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void Loaded() override;

 private:
  void IconChanged();
  void TrayMessage(TMessage& message);
  void TrayNotify(const TMessage& message);
  void Popup(TPopupMenu* const& menu, POINT at, bool keyboard);
  bool Quiet() const { return Loading() || Designing(); }
  void InstallAppHooks();
  void RemoveAppHooks();
  void StartAddRetry();
  void RetryAdd();

  std::unique_ptr<TIconAnimation> animation_;
  std::unique_ptr<TIcon> resourceIcon_;
  TIcon appIcon_;  // the program's own icon, when Icon has no image
  TIcon icon_;
  int dpi_ = 0;       // told by WM_DPICHANGED; 0: the hidden window's
  int iconSize_ = 0;  // of the image last handed to the shell
  std::unique_ptr<TTaskTrayIcon> inner_;
  int resourceIconID_ = -1;
  TStringList resourceIconList_;
  // Read by the animation thread between its ticks.
  std::atomic<bool> visible_{true};
  std::atomic<unsigned> interval_{0};
  bool minimized_ = false;
  bool addPending_ = false;
  int addRetriesLeft_ = 0;
  std::shared_ptr<AppHook> appHook_;
};
