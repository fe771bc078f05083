#include "Taskbar.h"

#include "Controls.h"
#include "Dpi.h"
#include "Forms.h"

// The tray icon's state on the application object. The links installed there
// stay valid after their tray icon is gone: they then pass calls on to the
// handlers that were installed before, so icons may go in any order.
struct TTrayIcon::AppHook {
  TTrayIcon* tray;
  TNotifyEvent savedOnMinimize, savedOnRestore;
};

namespace {
struct AppHookLink {
  std::shared_ptr<TTrayIcon::AppHook> hook;
  bool restore;
  void operator()(TComponent* sender) const {
    if (TTrayIcon* tray = hook->tray) {
      restore ? tray->AppRestore(sender) : tray->AppMinimize(sender);
      return;
    }
    const TNotifyEvent& saved = restore ? hook->savedOnRestore : hook->savedOnMinimize;
    if (saved) saved(sender);
  }
};
}  // namespace

void TIconAnimation::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void TIconAnimation::Resume() {
  bool wasPaused;
  {
    std::lock_guard lock(mutex_);
    wasPaused = std::exchange(paused_, false);
  }
  if (wasPaused) Wake();
}

bool TIconAnimation::Paused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

void TIconAnimation::Execute() {
  // Checked on the GUI thread as well: a pause given while the tick waited for it drops the tick.
  const std::function<void()> tick = [this] {
    if (!Paused()) tray_.AnimationTick();
  };
  while (!Terminated()) {
    bool paused;
    {
      std::lock_guard lock(mutex_);
      if (tray_.Interval() == 0 || !tray_.Visible()) paused_ = true;
      paused = paused_;
    }
    if (paused) {
      WaitForWake(INFINITE);
      continue;
    }
    Synchronize(tick);
    WaitForWake(tray_.Interval());
  }
}

void TIcon::Assign(HICON icon) { TakeOwnership(icon ? CopyIcon(icon) : nullptr); }

void TIcon::TakeOwnership(HICON icon) {
  handle_.reset(icon);
  resource_.clear();
  size_ = 0;
  if (OnChange) OnChange();
}

void TIcon::SetResource(std::wstring name) {
  handle_.reset();
  resource_ = std::move(name);
  size_ = 0;
  if (OnChange) OnChange();
}

bool TIcon::FitSize(int size) {
  if (resource_.empty() || size == size_) return false;
  handle_.reset(LoadIconOfSize(GetModuleHandleW(nullptr), resource_.c_str(), size));
  size_ = size;
  return true;
}

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner), inner_(std::make_unique<TTaskTrayIcon>()) {
  icon_.OnChange = [this] { IconChanged(); };
  inner_->OwnerHandler = [this](TMessage& m) { TrayMessage(m); };
  inner_->SetTip("TipHelp");
  if (!Designing()) InstallAppHooks();
}

TTrayIcon::~TTrayIcon() {
  if (!Designing()) HideTrayIcon();
  RemoveAppHooks();
  animation_.reset();  // a tick still waiting for this thread is dropped
  icon_.OnChange = nullptr;
  inner_->OwnerHandler = nullptr;  // messages during the teardown get the default answer
  resourceIcon_.reset();
  inner_.reset();  // style first, then the icon leaves the shell, then the window
}

namespace {
constexpr UINT_PTR kAddRetryTimer = TRAY_CLICK_TIMER + 1;
}  // namespace

void TTrayIcon::Loaded() {
  TComponent::Loaded();
  if (Designing() || !CanShow()) return;
  try {
    ShowTrayIcon();
  } catch (const ENotifyIconError&) {
    // The program lives on without a box; the icon comes as soon as the shell takes it.
    StartAddRetry();
  }
}

void TTrayIcon::StartAddRetry() {
  addPending_ = true;
  addRetriesLeft_ = AddRetryCount;
  SetTimer(inner_->Handle(), kAddRetryTimer, AddRetryInterval, nullptr);
}

void TTrayIcon::RetryAdd() {
  if (!addPending_) return;
  if (CanShow() && ShowTrayIcon(false)) addPending_ = false;
  // Once added, or after the last attempt, the timer stops: an idle program does no work.
  if (!addPending_ || --addRetriesLeft_ <= 0) KillTimer(inner_->Handle(), kAddRetryTimer);
}

void TTrayIcon::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == LButtonPopupMenu)
    LButtonPopupMenu = nullptr;
  else if (component == RButtonPopupMenu)
    RButtonPopupMenu = nullptr;
}

bool TTrayIcon::CanShow() const { return visible_ && (!minimized_ || IsIconic(Application().Handle())); }

int TTrayIcon::IconSize() {
  // The hidden window lies on the primary monitor, as the notification area does.
  return MetricForDpi(SM_CXSMICON, dpi_ ? dpi_ : WindowDpi(inner_->HandleIfAllocated()));
}

// Icons from the resources come at the size the shell shows, each image drawn for it.
HICON TTrayIcon::CurrentIconHandle() {
  iconSize_ = IconSize();
  if (!icon_.Empty()) {
    icon_.FitSize(iconSize_);
    return icon_.Handle();
  }
  if (!resourceIconList_.empty() && ResourceIconID() >= 0) {
    if (!resourceIcon_) resourceIcon_ = std::make_unique<TIcon>();
    const std::string& name = resourceIconList_[static_cast<size_t>(ResourceIconID())];
    resourceIcon_->TakeOwnership(static_cast<HICON>(LoadImageA(
        GetModuleHandleA(nullptr), name.c_str(), IMAGE_ICON, iconSize_, iconSize_, LR_DEFAULTCOLOR)));
    return resourceIcon_->Handle();
  }
  if (appIcon_.Empty()) appIcon_.SetResource(L"MAINICON");
  appIcon_.FitSize(iconSize_);
  return appIcon_.Handle();
}

bool TTrayIcon::ShowTrayIcon(bool wait) {
  inner_->SetIconHandle(CurrentIconHandle());
  const bool shown = wait ? inner_->AddIcon() : inner_->TryAddIcon();
  if (shown) {
    visible_ = true;
    UpdateAnimation();
  }
  return shown;
}

bool TTrayIcon::HideTrayIcon() {
  PauseAnimation();
  return inner_->HideIcon();
}

bool TTrayIcon::UpdateTrayIcon() {
  inner_->SetIconHandle(CurrentIconHandle());
  if (!CanShow()) return false;
  return inner_->ModifyIcon();
}

void TTrayIcon::IconChanged() {
  if (!Quiet()) UpdateTrayIcon();
}

void TTrayIcon::SetIcon(HICON icon) { icon_.Assign(icon); }

void TTrayIcon::SetTipHelp(const std::string& tip) {
  inner_->SetTip(tip);
  if (!Quiet()) UpdateTrayIcon();
}

void TTrayIcon::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  if (Quiet()) return;
  if (CanShow())
    ShowTrayIcon();
  else
    HideTrayIcon();
}

void TTrayIcon::SetMinimized(bool value) {
  if (value == minimized_) return;
  minimized_ = value;
  if (Quiet()) return;
  if (CanShow())
    UpdateTrayIcon();
  else
    HideTrayIcon();
}

int TTrayIcon::ResourceIconID() {
  if (resourceIconID_ >= static_cast<int>(resourceIconList_.size())) resourceIconID_ = 0;
  return resourceIconID_;
}

void TTrayIcon::SetResourceIconID(int value) {
  if (value == resourceIconID_ && value != 0) return;
  {
    // Clearing the image is not an icon change of its own: the update below follows.
    auto notify = std::move(icon_.OnChange);
    icon_.Clear();
    icon_.OnChange = std::move(notify);
  }
  if (!Loading()) {
    const int count = static_cast<int>(resourceIconList_.size());
    if (value >= count) value = count - 1;
    if (value < 0) value = -1;
  }
  resourceIconID_ = value;
  if (!Quiet() && CanShow()) UpdateTrayIcon();
}

void TTrayIcon::TrayMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_QUERYENDSESSION:
      message.Result = 1;
      break;
    case WM_CLOSE:
      // The icon's window is not closed on its own: the program ends as a whole, or not at all.
      Application().CloseMainForm();
      break;
    case WM_TRAYRESTART:
      if (animation_) {
        animation_.reset();
        if (visible_ && interval_ > 0) UpdateAnimation();
      }
      // The new shell may show icons at another size: the icon comes back at its own.
      dpi_ = 0;
      // The shell is ready now: an icon it refused, before or just now, is tried at once, and again for a
      // while if it must be.
      if (addPending_ || (CanShow() && !inner_->Shown())) {
        StartAddRetry();
        RetryAdd();
      } else if (IconSize() != iconSize_) {
        UpdateTrayIcon();
      }
      if (OnRestartTaskbar) OnRestartTaskbar(this);
      break;
    case WM_TIMER:
      if (message.WParam == kAddRetryTimer) RetryAdd();
      break;
    case WM_DPICHANGED:
      dpi_ = HIWORD(message.WParam);
      if (IconSize() != iconSize_) UpdateTrayIcon();
      message.Result = 0;
      break;
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:
      // A hidden window need not be told of a new scale by WM_DPICHANGED: the notification area's, that of
      // the primary monitor, is taken again on these too.
      dpi_ = MonitorDpiAt(POINT{0, 0});
      if (IconSize() != iconSize_) UpdateTrayIcon();
      message.Result =
          DefWindowProcA(inner_->HandleIfAllocated(), message.Msg, message.WParam, message.LParam);
      break;
    case WM_TRAYNOTIFY:
      TrayNotify(message);
      break;
    default:
      message.Result =
          DefWindowProcA(inner_->HandleIfAllocated(), message.Msg, message.WParam, message.LParam);
      break;
  }
}

void TTrayIcon::TrayNotify(const TMessage& m) {
  POINT p{};
  GetCursorPos(&p);
  auto down = [&](TPopupMenu* const& menu, TMouseButton button, TShiftState shift, bool keyboard = false) {
    if (menu && AutoPopup)
      Popup(menu, p, keyboard);
    else if (OnMouseDown)
      OnMouseDown(this, button, shift, p.x, p.y);
  };
  auto up = [&](TMouseButton button, TShiftState shift) {
    if (OnMouseUp) OnMouseUp(this, button, shift, p.x, p.y);
  };
  auto raise = [&](const TNotifyEvent& event) {
    if (event) event(this);
  };
  switch (m.LParam) {
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, 0, p.x, p.y);
      break;
    case WM_LBUTTONDOWN:
      down(LButtonPopupMenu, mbLeft, ssLeft);
      break;
    case WM_LBUTTONUP:
      up(mbLeft, ssLeft);
      break;
    case WM_LBUTTONDBLCLK:
      raise(OnDblClick);
      break;
    case WM_RBUTTONDOWN:
      down(RButtonPopupMenu, mbRight, ssRight);
      break;
    case WM_RBUTTONUP:
      up(mbRight, ssRight);
      break;
    case WM_RBUTTONDBLCLK:
      raise(OnRDblClick);
      break;
    case WM_MBUTTONDOWN:
      down(nullptr, mbMiddle, ssMiddle);
      break;
    case WM_MBUTTONUP:
      up(mbMiddle, ssMiddle);
      break;
    // Shift+F10 or the menu key on the icon, from a shell that reports keys as such (notify version 3 and
    // later). The icon registers version 0, whose shell sends them, Enter and Space as a right-button press
    // and release instead.
    case WM_CONTEXTMENU:
      down(RButtonPopupMenu, mbRight, ssRight, true);
      break;
    case TRAY_MOUSEENTER:
      raise(OnMouseEnter);
      break;
    case TRAY_MOUSEEXIT:
      raise(OnMouseExit);
      break;
    case TRAY_MOUSECLICK:
      if (OnMouseClick) OnMouseClick(this, static_cast<TMouseButton>(m.WParam & 0xFF), 0, p.x, p.y);
      break;
    default:
      break;
  }
}

void TTrayIcon::Popup(TPopupMenu* const& menu, POINT at, bool keyboard) {
  // Opened from the keyboard, or with the pointer away from the icon (keys come as button reports), the menu
  // opens at the icon, and the focus goes back to the notification area when it is dismissed.
  RECT icon{};
  const bool atIcon = inner_->IconRect(icon) && (keyboard || !PtInRect(&icon, at));
  if (atIcon) at = {(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
  // The menu closes when the user clicks elsewhere only if our thread owns the foreground.
  SetForegroundWindow(Application().Handle());
  Application().ProcessMessages();
  if (!menu) return;  // removed while the queue was handled
  menu->SetPopupComponent(this);
  menu->PopupAt(at.x, at.y);
  if (atIcon && menu && menu->Cancelled()) inner_->SetFocus();
}

void TTrayIcon::SetResourceIconList(TStringList names) {
  const bool wasEmpty = resourceIconList_.empty();
  const int id = wasEmpty ? -1 : ResourceIconID();
  const std::string previous = id >= 0 ? resourceIconList_[static_cast<size_t>(id)] : std::string();
  resourceIconList_ = std::move(names);
  if (Quiet()) return;
  if (wasEmpty) {
    if (CanShow()) UpdateTrayIcon();
    return;
  }
  if (id < 0) return;
  SetResourceIconID(ResourceIconID());
  if (resourceIconList_.empty()) return;
  const int now = ResourceIconID();
  if (now >= 0 && resourceIconList_[static_cast<size_t>(now)] != previous && CanShow()) UpdateTrayIcon();
}

// Animation.

void TTrayIcon::SetInterval(unsigned value) {
  if (value == interval_) return;
  if (value > 0 && value < 50) value = 50;
  interval_ = value;
  if (!Quiet()) UpdateAnimation();  // after loading, the icon's first showing starts it
}

void TTrayIcon::UpdateAnimation() {
  if (visible_ && interval_ > 0) {
    if (!animation_) {
      animation_ = std::make_unique<TIconAnimation>(*this);
      animation_->Start();
    }
    animation_->Resume();
  } else {
    PauseAnimation();
  }
}

void TTrayIcon::PauseAnimation() {
  if (animation_) animation_->Pause();
}

void TTrayIcon::AnimationTick() {
  if (OnIconAnimation) {
    OnIconAnimation(this);
    UpdateTrayIcon();
    return;
  }
  int next = ResourceIconID() + 1;
  if (next >= static_cast<int>(resourceIconList_.size())) next = 0;
  SetResourceIconID(next);
}

// Minimise and restore of the application.

void TTrayIcon::InstallAppHooks() {
  TApplication& app = Application();
  appHook_ = std::make_shared<AppHook>(AppHook{this, app.OnMinimize, app.OnRestore});
  app.OnMinimize = AppHookLink{appHook_, false};
  app.OnRestore = AppHookLink{appHook_, true};
}

void TTrayIcon::RemoveAppHooks() {
  if (!appHook_) return;
  TApplication& app = Application();
  auto ours = [this](const TNotifyEvent& event) {
    const auto* link = event.target<AppHookLink>();
    return link && link->hook == appHook_;
  };
  if (ours(app.OnMinimize)) app.OnMinimize = appHook_->savedOnMinimize;
  if (ours(app.OnRestore)) app.OnRestore = appHook_->savedOnRestore;
  appHook_->tray = nullptr;  // a link installed later still holds ours, which now passes calls on
  appHook_.reset();
}

void TTrayIcon::AppMinimize(TComponent* sender) {
  if (appHook_->savedOnMinimize) appHook_->savedOnMinimize(sender);
  if (visible_ && minimized_) ShowTrayIcon();
  // The hidden application window carries the taskbar button of the minimised application.
  if (visible_ && HideOnTaskBar) ShowWindow(Application().Handle(), SW_HIDE);
}

void TTrayIcon::AppRestore(TComponent* sender) {
  if (appHook_->savedOnRestore) appHook_->savedOnRestore(sender);
  if (!minimized_) return;
  HideTrayIcon();
  if (auto* owner = dynamic_cast<TWinControl*>(Owner()); owner && owner->HandleAllocated())
    SetForegroundWindow(owner->Handle());
}
