#include "SystemLibraries.h"
#include "Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "Forms.h"
#include "Handles.h"

namespace {
const wchar_t kObjectProp[] = L"Brivola.TWinControl";

bool RegisterOwnClass(const TCreateParams& p, WNDPROC proc) {
  static std::set<std::wstring> registered;
  if (registered.count(p.className)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = p.classStyle;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = p.background;
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
  wc.lpszClassName = p.className.c_str();
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  registered.insert(p.className);
  return true;
}
}  // namespace

void InitCommonControlsOnce() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    return lazy::InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)registered;
}

// ---- TControl

int TControl::Dpi() const { return parent_ ? parent_->Dpi() : ScreenDpi(); }

RECT TControl::ScaledBounds() const {
  if (!scaled_) return RECT{left_, top_, left_ + width_, top_ + height_};
  return RECT{Scaled(left_) + fitShift_, Scaled(top_), Scaled(left_ + width_) + fitShift_ + fitGrow_,
              Scaled(top_ + height_)};
}

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) parent_->RemoveControl(this);
  parent_ = parent;
  if (parent_) parent_->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (parent_ && parent_->HandleAllocated()) InvalidateRect(parent_->Handle(), nullptr, TRUE);
}

void TControl::SetVisible(bool visible) { visible_ = visible; }
void TControl::SetEnabled(bool enabled) { enabled_ = enabled; }

// ---- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  for (TControl* c : std::vector<TControl*>(controls_)) c->SetParent(nullptr);
  DestroyHandle();
}

TWinControl* TWinControl::FromHandle(HWND wnd) {
  return wnd ? static_cast<TWinControl*>(GetPropW(wnd, kObjectProp)) : nullptr;
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  if (auto* wc = dynamic_cast<TWinControl*>(control); wc && wc->tabOrder_ < 0 && !wc->NamesNextControl()) {
    int n = 0;
    for (TControl* c : controls_)
      if (auto* k = dynamic_cast<TWinControl*>(c); k && !k->NamesNextControl()) ++n;
    wc->tabOrder_ = n - 1;
  }
  if (handle_ && control->IsWindowed() && ChildrenWithWindow()) static_cast<TWinControl*>(control)->Handle();
}

TControl* TWinControl::Control(int index) const {
  std::vector<TControl*> ordered;
  for (TControl* c : controls_)
    if (!c->IsWindowed()) ordered.push_back(c);
  for (TControl* c : controls_)
    if (c->IsWindowed()) ordered.push_back(c);
  return index >= 0 && index < static_cast<int>(ordered.size()) ? ordered[index] : nullptr;
}

bool TWinControl::CanFocus() {
  return tabStop_ && HandleAllocated() && IsWindowVisible(handle_) && IsWindowEnabled(handle_);
}

std::vector<TWinControl*> TWinControl::TabList() const {
  std::vector<TWinControl*> kids;
  for (TControl* c : controls_)
    if (auto* wc = dynamic_cast<TWinControl*>(c); wc && !wc->NamesNextControl()) kids.push_back(wc);
  std::stable_sort(kids.begin(), kids.end(), [](auto* a, auto* b) { return a->tabOrder_ < b->tabOrder_; });
  return kids;
}

std::vector<TWinControl*> TWinControl::WindowOrder() const {
  std::map<const TWinControl*, std::vector<TWinControl*>> naming;  // by the control put in after them
  std::vector<TWinControl*> waiting;
  for (TControl* c : controls_) {
    auto* wc = dynamic_cast<TWinControl*>(c);
    if (!wc) continue;
    if (wc->NamesNextControl())
      waiting.push_back(wc);
    else
      naming[wc] = std::exchange(waiting, {});
  }
  std::vector<TWinControl*> order;
  for (TWinControl* k : TabList()) {
    order.insert(order.end(), naming[k].begin(), naming[k].end());
    order.push_back(k);
  }
  order.insert(order.end(), waiting.begin(), waiting.end());
  return order;
}

std::vector<TWinControl*> TWinControl::FocusOrder() const {
  std::vector<TWinControl*> order;
  for (TWinControl* c : TabList()) {
    if (!c->HandleAllocated() || !IsWindowVisible(c->Handle()) || !IsWindowEnabled(c->Handle())) continue;
    if (c->CanFocus()) order.push_back(c);
    const std::vector<TWinControl*> inner = c->FocusOrder();
    order.insert(order.end(), inner.begin(), inner.end());
  }
  return order;
}

void TWinControl::FocusByKeyboard() {
  SetFocus();
  if (SendMessageW(Handle(), WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(Handle(), EM_SETSEL, 0, -1);
}

HFONT TWinControl::FontHandle() const { return Parent() ? Parent()->FontHandle() : nullptr; }

void TWinControl::RemoveControl(TControl* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  if (auto* wc = dynamic_cast<TWinControl*>(control)) wc->DestroyHandle();
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.className = L"TWinControl";
  p.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible_ ? WS_VISIBLE : 0) |
            (enabled_ ? 0 : WS_DISABLED);
  const RECT r = ScaledBounds();
  p.x = r.left;
  p.y = r.top;
  p.width = r.right - r.left;
  p.height = r.bottom - r.top;
  if (tabStop_) p.style |= WS_TABSTOP;
  if (Parent()) p.parentWindow = Parent()->Handle();
  // The arrow keys move within a group, from a control with WS_GROUP to the next one. The dialog's order
  // comes back to its first control after the last, so that one ends a group at the end of a page.
  if (Parent() && !Parent()->Parent() && Parent()->WindowOrder().front() == this) p.style |= WS_GROUP;
}

HWND TWinControl::Handle() {
  if (handle_) return handle_;
  // A control whose form makes its controls' windows later: the form makes them all now, in their order.
  TWinControl* top = this;
  while (top->Parent()) top = top->Parent();
  if (top != this && !top->ChildrenWithWindow()) {
    top->Handle();
    top->MakeChildHandles();
  }
  if (!handle_) CreateWnd();
  return handle_;
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  stockClass_ = p.stockClass;
  HMENU id = (p.style & WS_CHILD)
                 ? reinterpret_cast<HMENU>(p.id ? p.id : static_cast<UINT_PTR>(tabOrder_ + 100))
                 : nullptr;
  if (p.stockClass)
    InitCommonControlsOnce();
  else if (!RegisterOwnClass(p, &TWinControl::OwnClassProc))
    throw EOutOfResources("Error creating window class");
  HWND wnd = CreateWindowExW(p.exStyle, p.className.c_str(), p.caption.c_str(), p.style, p.x, p.y, p.width,
                             p.height, p.parentWindow, id, GetModuleHandleW(nullptr), this);
  if (!wnd) throw EOutOfResources("Error creating window");
  if ((p.style & WS_CHILD) && Parent()) {
    // A window made after its siblings (rebuilt, or put in later) goes to its place in their order.
    HWND before = HWND_TOP;
    for (TWinControl* k : Parent()->WindowOrder()) {
      if (k == this) break;
      if (k->handle_) before = k->handle_;
    }
    if (GetWindow(wnd, GW_HWNDPREV) != (before == HWND_TOP ? nullptr : before))
      SetWindowPos(wnd, before, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (p.stockClass) {
    handle_ = wnd;
    SetPropW(wnd, kObjectProp, this);
    lazy::SetWindowSubclass(wnd, &TWinControl::StockSubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  // Controls take their font; a top-level window of its own has no use for one.
  if (p.style & WS_CHILD)
    if (HFONT font = FontHandle()) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  CreateWindowHandle();
  if (ChildrenWithWindow()) CreateChildHandles();
}

void TWinControl::CreateChildHandles() {
  FitCaptions();
  // In their order, so that the window order is the tab order.
  for (TWinControl* k : WindowOrder()) k->Handle();
}

void TWinControl::FitCaptions() {
  std::vector<std::pair<TControl*, RECT>> kids;  // with their bounds before any fitting
  for (TControl* c : controls_) {
    if (!c->scaled_) continue;
    c->fitShift_ = c->fitGrow_ = 0;
    kids.emplace_back(c, c->ScaledBounds());
  }
  std::stable_sort(kids.begin(), kids.end(),
                   [](const auto& a, const auto& b) { return a.second.left < b.second.left; });
  bool moved = false;
  for (size_t i = 0; i < kids.size(); ++i) {
    auto& [c, r] = kids[i];
    for (size_t j = 0; j < i; ++j) {
      const auto& [p, q] = kids[j];
      if (q.right <= r.left && q.top < r.bottom && r.top < q.bottom)
        c->fitShift_ = std::max(c->fitShift_, p->fitShift_ + p->fitGrow_);
    }
    c->fitGrow_ = std::max(0, c->CaptionWidth() - static_cast<int>(r.right - r.left));
    moved = moved || c->fitShift_ || c->fitGrow_;
  }
  if (!handle_) return;
  for (TControl* c : controls_)
    if (auto* wc = dynamic_cast<TWinControl*>(c)) wc->PlaceWindow();
  if (moved) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  SaveWindowState();
  for (TControl* c : controls_)
    if (auto* wc = dynamic_cast<TWinControl*>(c)) wc->DestroyHandle();
  HWND wnd = handle_;
  DestroyWindow(wnd);
  handle_ = nullptr;
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  DestroyHandle();
  CreateWnd();
  TWinControl* top = this;
  while (top->Parent()) top = top->Parent();
  if (auto* form = dynamic_cast<TForm*>(top); form && form != this) form->RefreshHints();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  if (!handle_) return;
  if (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD) {
    const RECT r = ScaledBounds();
    SetWindowPos(handle_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TWinControl::PlaceWindow() {
  if (!handle_ || !IsScaled() || !(GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD)) return;
  const RECT r = ScaledBounds();
  SetWindowPos(handle_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::DpiChanged() {
  if (handle_ && (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD)) {
    if (HFONT font = FontHandle()) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    PlaceWindow();
  }
  // Children still to be made fit their captions when they are.
  if (handle_ && ChildrenWithWindow()) FitCaptions();
  for (TControl* c : controls_)
    if (auto* wc = dynamic_cast<TWinControl*>(c)) wc->DpiChanged();
}

void TWinControl::SetVisible(bool visible) {
  TControl::SetVisible(visible);
  if (handle_) ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}

void TWinControl::SetEnabled(bool enabled) {
  TControl::SetEnabled(enabled);
  if (handle_) EnableWindow(handle_, enabled);
}

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) { return Dispatch(msg, wParam, lParam); }

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (stockClass_) return lazy::DefSubclassProc(handle_, msg, wParam, lParam);
  return DefWindowProcW(handle_, msg, wParam, lParam);
}

bool TWinControl::HandleReflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND child = nullptr;
  switch (msg) {
    case WM_COMMAND:
      child = reinterpret_cast<HWND>(lParam);
      break;
    case WM_NOTIFY:
      child = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
      break;
    case WM_DRAWITEM:
      if (wParam) child = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
      break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      child = reinterpret_cast<HWND>(lParam);
      break;
    case WM_PAINT:
      if (!stockClass_ &&
          std::any_of(controls_.begin(), controls_.end(), [](auto* c) { return !c->IsWindowed(); })) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        {
          SavedDC saved(dc);
          if (HFONT font = FontHandle()) SelectObject(dc, font);
          for (TControl* c : controls_)
            if (!c->IsWindowed() && c->Visible()) c->Paint(dc);
        }
        EndPaint(handle_, &ps);
        return 0;
      }
      break;
    default:
      break;
  }
  if (child && child != handle_) {
    if (TWinControl* target = FromHandle(child)) {
      LRESULT result = 0;
      if (target->HandleReflected(msg, wParam, lParam, result)) return result;
    }
  }
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT TWinControl::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    return WndProc(msg, wParam, lParam);
  } catch (const std::exception& e) {
    Application().HandleException(e);
  }
  return 0;
}

LRESULT CALLBACK TWinControl::OwnClassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->handle_ = wnd;
    SetPropW(wnd, kObjectProp, self);
  }
  TWinControl* self = FromHandle(wnd);
  if (msg == WM_NCDESTROY) {
    RemovePropW(wnd, kObjectProp);
    if (self && self->handle_ == wnd) self->handle_ = nullptr;
    return DefWindowProcW(wnd, msg, wParam, lParam);
  }
  if (!self) return DefWindowProcW(wnd, msg, wParam, lParam);
  return self->Dispatch(msg, wParam, lParam);
}

LRESULT CALLBACK TWinControl::StockSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR refData) {
  auto* self = reinterpret_cast<TWinControl*>(refData);
  if (msg == WM_NCDESTROY) {
    lazy::RemoveWindowSubclass(wnd, &TWinControl::StockSubclassProc, 1);
    RemovePropW(wnd, kObjectProp);
    if (self->handle_ == wnd) self->handle_ = nullptr;
    return lazy::DefSubclassProc(wnd, msg, wParam, lParam);
  }
  return self->Dispatch(msg, wParam, lParam);
}
