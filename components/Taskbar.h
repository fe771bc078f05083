// The tray icon component: decides when the program's icon is shown, hidden
// or updated, and turns the shell's callbacks into events and menu popups.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Handles.h"
#include "Menus.h"
#include "TrShlApi.h"

// An icon image owned by its holder; a change is announced through OnChange.
class TIcon {
 public:
  HICON Handle() const { return handle_.get(); }
  bool Empty() const { return !handle_; }
  void Assign(HICON icon);  // copies the image; nullptr clears it
  void TakeOwnership(HICON icon);
  void Clear() { TakeOwnership(nullptr); }
  std::function<void()> OnChange;

 private:
  UniqueIcon handle_;
};

using TMouseEvent = std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;

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
  std::vector<std::string> ResourceIconList;  // resource names of the animation's images
  unsigned Interval = 0;
  bool DoForegroundWindow() const { return inner_->DoForegroundWindow; }
  void SetDoForegroundWindow(bool value) { inner_->DoForegroundWindow = value; }
  bool CheckSingleDoubleClick() const { return inner_->ToolTipStyle().CheckSingleDoubleClick; }
  void SetCheckSingleDoubleClick(bool value) { inner_->ToolTipStyle().CheckSingleDoubleClick = value; }
  std::string BalloonHelpTitle;
  std::string BalloonHelpText;
  unsigned BalloonHelpTimeOut = 0;
  unsigned BalloonHelpIcon = 0;
  TToolTipStyle& ToolTipStyle() { return inner_->ToolTipStyle(); }
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
  HICON CurrentIconHandle();
  bool ShowTrayIcon();
  bool HideTrayIcon();
  bool UpdateTrayIcon();
  TTaskTrayIcon& Inner() { return *inner_; }

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void Loaded() override;

 private:
  void IconChanged();
  void TrayMessage(TMessage& message);
  void TrayNotify(const TMessage& message);
  void Popup(TPopupMenu* const& menu, POINT at);
  bool Quiet() const { return Loading() || Designing(); }

  std::unique_ptr<TIcon> resourceIcon_;
  TIcon icon_;
  std::unique_ptr<TTaskTrayIcon> inner_;
  int resourceIconID_ = -1;
  bool visible_ = true;
  bool minimized_ = false;
};
