#include "Taskbar.h"

#include "Forms.h"

void TIcon::Assign(HICON icon) { TakeOwnership(icon ? CopyIcon(icon) : nullptr); }

void TIcon::TakeOwnership(HICON icon) {
  handle_.reset(icon);
  if (OnChange) OnChange();
}

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner), inner_(std::make_unique<TTaskTrayIcon>()) {
  icon_.OnChange = [this] { IconChanged(); };
  inner_->OwnerHandler = [this](TMessage& m) { TrayMessage(m); };
  inner_->SetTip("TipHelp");
}

TTrayIcon::~TTrayIcon() {
  if (!Designing()) HideTrayIcon();
  icon_.OnChange = nullptr;
  inner_->OwnerHandler = nullptr;  // messages during the teardown get the default answer
  resourceIcon_.reset();
  inner_.reset();  // style first, then the icon leaves the shell, then the window
}

void TTrayIcon::Loaded() {
  TComponent::Loaded();
  if (!Designing() && CanShow()) ShowTrayIcon();
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

HICON TTrayIcon::CurrentIconHandle() {
  if (!icon_.Empty()) return icon_.Handle();
  if (!ResourceIconList.empty() && ResourceIconID() >= 0) {
    if (!resourceIcon_) resourceIcon_ = std::make_unique<TIcon>();
    const std::string& name = ResourceIconList[static_cast<size_t>(ResourceIconID())];
    resourceIcon_->TakeOwnership(LoadIconA(GetModuleHandleA(nullptr), name.c_str()));
    return resourceIcon_->Handle();
  }
  HINSTANCE module = GetModuleHandleA(nullptr);
  if (HICON main = LoadIconA(module, "MAINICON")) return main;
  return LoadIconA(module, MAKEINTRESOURCEA(1));
}

bool TTrayIcon::ShowTrayIcon() {
  inner_->SetIconHandle(CurrentIconHandle());
  const bool shown = inner_->AddIcon();
  if (shown) visible_ = true;
  return shown;
}

bool TTrayIcon::HideTrayIcon() { return inner_->HideIcon(); }

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
  if (resourceIconID_ >= static_cast<int>(ResourceIconList.size())) resourceIconID_ = 0;
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
    const int count = static_cast<int>(ResourceIconList.size());
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
    case WM_TRAYRESTART:
      if (OnRestartTaskbar) OnRestartTaskbar(this);
      break;
    case WM_TRAYNOTIFY:
      TrayNotify(message);
      break;
    default:
      message.Result = DefWindowProcA(inner_->HandleIfAllocated(), message.Msg, message.WParam, message.LParam);
      break;
  }
}

void TTrayIcon::TrayNotify(const TMessage& m) {
  POINT p{};
  GetCursorPos(&p);
  auto down = [&](TPopupMenu* const& menu, TMouseButton button, TShiftState shift) {
    if (menu && AutoPopup)
      Popup(menu, p);
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
    case WM_LBUTTONDOWN: down(LButtonPopupMenu, mbLeft, ssLeft); break;
    case WM_LBUTTONUP: up(mbLeft, ssLeft); break;
    case WM_LBUTTONDBLCLK: raise(OnDblClick); break;
    case WM_RBUTTONDOWN: down(RButtonPopupMenu, mbRight, ssRight); break;
    case WM_RBUTTONUP: up(mbRight, ssRight); break;
    case WM_RBUTTONDBLCLK: raise(OnRDblClick); break;
    case WM_MBUTTONDOWN: down(nullptr, mbMiddle, ssMiddle); break;
    case WM_MBUTTONUP: up(mbMiddle, ssMiddle); break;
    case TRAY_MOUSEENTER: raise(OnMouseEnter); break;
    case TRAY_MOUSEEXIT: raise(OnMouseExit); break;
    case TRAY_MOUSECLICK:
      if (OnMouseClick) OnMouseClick(this, static_cast<TMouseButton>(m.WParam & 0xFF), 0, p.x, p.y);
      break;
    default: break;
  }
}

void TTrayIcon::Popup(TPopupMenu* const& menu, POINT at) {
  // The menu closes when the user clicks elsewhere only if our thread owns the foreground.
  SetForegroundWindow(Application().Handle());
  Application().ProcessMessages();
  if (!menu) return;  // removed while the queue was handled
  menu->SetPopupComponent(this);
  menu->PopupAt(at.x, at.y);
}
