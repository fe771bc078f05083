#include "SpEdit.h"

#include <algorithm>
#include <limits>
#include <string>

#include "Forms.h"
#include "Handles.h"
#include "TextRules.h"

namespace {
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 400;
constexpr UINT kRepeatMs = 100;
constexpr int kButtonWidth = 15;

int LineHeight(HDC dc, HGDIOBJ font) {
  SelectGuard select(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  return tm.tmHeight;
}

wchar_t DecimalSeparator() {
  wchar_t sep[4] = L".";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 4);
  return sep[0];
}
}  // namespace

// ---- TTimerSpeedButton

TTimerSpeedButton::TTimerSpeedButton(TComponent* owner, bool up) : TWinControl(owner), up_(up) {
  SetScaled(false);
}

void TTimerSpeedButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"TTimerSpeedButton";
  p.classStyle = 0;  // a double click is two presses
  // Its name for screen readers; the triangle shows it on the screen.
  p.caption = up_ ? L"増やす" : L"減らす";
}

bool TTimerSpeedButton::PointerOver() const {
  POINT pt{};
  GetCursorPos(&pt);
  RECT r{};
  GetWindowRect(WindowHandle(), &r);
  return PtInRect(&r, pt) != FALSE;
}

void TTimerSpeedButton::Paint(HDC dc) {
  RECT r{};
  GetClientRect(WindowHandle(), &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &r, down_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  // A triangle of 9 by 6 design pixels at most, an odd number of pixels wide so that it has a tip,
  // shifted down and right while pressed; in the button text colour, which high-contrast schemes set.
  const int w = (std::min(Scaled(9), static_cast<int>(r.right) - 4) - 1) | 1,
            h = std::min(Scaled(6), (w + 1) / 2);
  const int shift = down_ ? Scaled(1) : 0;
  const int x = (r.right - w) / 2 + shift, y = (r.bottom - (w + 1) / 2) / 2 + shift;
  const int colour = IsWindowEnabled(WindowHandle()) ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
  SelectGuard b(dc, GetSysColorBrush(colour));
  SelectGuard p(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, GetSysColor(colour));
  const int half = w / 2;
  const int rows = std::min(h, half + 1);
  POINT tri[3];
  if (up_) {
    tri[0] = {x + half, y};
    tri[1] = {x, y + rows - 1};
    tri[2] = {x + w - 1, y + rows - 1};
  } else {
    tri[0] = {x, y};
    tri[1] = {x + w - 1, y};
    tri[2] = {x + half, y + rows - 1};
  }
  Polygon(dc, tri, 3);
}

LRESULT TTimerSpeedButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND wnd = WindowHandle();
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      Paint(dc);
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (OnPress) OnPress(this);
      SetCapture(wnd);
      pressed_ = down_ = true;
      InvalidateRect(wnd, nullptr, FALSE);
      SetTimer(wnd, kRepeatTimer, kFirstRepeatMs, nullptr);
      return 0;
    case WM_MOUSEMOVE:
      if (pressed_ && down_ != PointerOver()) {
        down_ = !down_;
        // Off the button the repeat stops for this press.
        if (!down_) KillTimer(wnd, kRepeatTimer);
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_TIMER:
      if (wParam != kRepeatTimer) break;
      KillTimer(wnd, kRepeatTimer);
      if (pressed_ && PointerOver()) {
        if (OnClick) OnClick(this);
        SetTimer(wnd, kRepeatTimer, kRepeatMs, nullptr);
      }
      return 0;
    case WM_LBUTTONUP: {
      const bool wasPressed = pressed_;
      pressed_ = down_ = false;
      KillTimer(wnd, kRepeatTimer);
      if (GetCapture() == wnd) ReleaseCapture();
      InvalidateRect(wnd, nullptr, FALSE);
      if (wasPressed && PointerOver() && OnClick) OnClick(this);
      return 0;
    }
    case WM_ENABLE:
      InvalidateRect(wnd, nullptr, FALSE);
      break;
    case WM_CAPTURECHANGED:
      if (pressed_ && reinterpret_cast<HWND>(lParam) != wnd) {
        pressed_ = down_ = false;
        KillTimer(wnd, kRepeatTimer);
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    default:
      break;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

// ---- TSpinButton

TSpinButton::TSpinButton(TComponent* owner) : TWinControl(owner) {
  SetScaled(false);  // placed by its field in the field's pixels
  up_ = &Add<TTimerSpeedButton>(true);
  down_ = &Add<TTimerSpeedButton>(false);
  up_->SetParent(this);
  down_->SetParent(this);
  up_->OnClick = [this](TComponent*) {
    if (OnUpClick) OnUpClick(this);
  };
  down_->OnClick = [this](TComponent*) {
    if (OnDownClick) OnDownClick(this);
  };
  up_->OnPress = down_->OnPress = [this](TComponent*) {
    if (OnPress) OnPress(this);
  };
}

void TSpinButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"TSpinButton";
}

// The pair is at least 15 design pixels wide; the up button takes the upper half
// and the down button the rest, starting a pixel higher.
void TSpinButton::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, Scaled(kButtonWidth));
  TWinControl::SetBounds(left, top, width, height);
  const int upHeight = height / 2;
  up_->SetBounds(0, 0, width, upHeight);
  down_->SetBounds(0, upHeight - 1, width, height - upHeight + 1);
}

void TSpinButton::SetEnabled(bool enabled) {
  TWinControl::SetEnabled(enabled);
  up_->SetEnabled(enabled);
  down_->SetEnabled(enabled);
}

// ---- TSpinEdit

TSpinEdit::TSpinEdit(TComponent* owner) : TCustomEdit(owner) {
  button_ = &Add<TSpinButton>();
  button_->SetParent(this);
  button_->OnUpClick = [this](TComponent*) { UpClick(); };
  button_->OnDownClick = [this](TComponent*) { DownClick(); };
  // Pressing a button moves the focus to the field.
  button_->OnPress = [this](TComponent*) {
    if (GetFocus() != Handle()) SetFocus();
  };
  SetText("0");
}

void TSpinEdit::CreateParams(TCreateParams& p) {
  TCustomEdit::CreateParams(p);
  // Multi-line so that the text area can end short of the buttons.
  p.style |= ES_MULTILINE | WS_CLIPCHILDREN;
}

void TSpinEdit::CreateWindowHandle() {
  TCustomEdit::CreateWindowHandle();
  FitLayout();
}

void TSpinEdit::SetBounds(int left, int top, int width, int height) {
  TCustomEdit::SetBounds(left, top, width, height);
  if (HandleAllocated()) FitLayout();
}

// The buttons take the field's state, and show it.
void TSpinEdit::SetEnabled(bool enabled) {
  TCustomEdit::SetEnabled(enabled);
  button_->SetEnabled(enabled);
}

void TSpinEdit::DpiChanged() {
  TCustomEdit::DpiChanged();
  FitLayout();
}

// Never lower than a text line; the buttons at the right, the text area short of them.
void TSpinEdit::FitLayout() {
  const RECT r = ScaledBounds();
  if (const int minHeight = MinHeight(); r.bottom - r.top < minHeight)
    SetWindowPos(WindowHandle(), nullptr, 0, 0, r.right - r.left, minHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  PlaceButton();
  SetEditRect();
}

// One text line: the font's line height, a quarter of the smaller of that and
// the system font's, four border heights and 2, all at the field's DPI.
int TSpinEdit::MinHeight() {
  WindowDC dc(nullptr);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
  const int dpi = Dpi();
  // The stock system font is the system DPI's.
  const int systemHeight = MulDiv(LineHeight(dc.get(), GetStockObject(SYSTEM_FONT)), dpi, ScreenDpi());
  const int fontHeight = font ? LineHeight(dc.get(), font) : systemHeight;
  return fontHeight + std::min(fontHeight, systemHeight) / 4 + 4 * MetricForDpi(SM_CYBORDER, dpi) + Scaled(2);
}

void TSpinEdit::SetEditRect() {
  RECT client{};
  GetClientRect(Handle(), &client);
  RECT r{0, 0, client.right - button_->Width() - 2, client.bottom + 1};
  SendMessageW(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

// With a 3-D border the pair stands inside it, a pixel from its right and bottom
// edges: at 96 dpi, where the border is 2 pixels, 15 + 5 from the field's right
// edge and 5 short of its height.
void TSpinEdit::PlaceButton() {
  RECT w{}, client{};
  GetWindowRect(Handle(), &w);
  GetClientRect(Handle(), &client);
  const int width = w.right - w.left, height = w.bottom - w.top;
  const int buttonWidth = Scaled(kButtonWidth);
  if (GetWindowLongW(Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE)
    button_->SetBounds(client.right - buttonWidth - 1, 0, buttonWidth, client.bottom - 1);
  else
    button_->SetBounds(width - buttonWidth, 1, buttonWidth, height - 3);
}

std::int32_t TSpinEdit::Value() const {
  try {
    return ParseInteger(Text());
  } catch (const EConvertError&) {
    return minValue_;
  }
}

std::int32_t TSpinEdit::CheckValue(std::int32_t value) const {
  if (minValue_ == maxValue_) return value;
  return std::clamp(value, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
}

void TSpinEdit::SetValue(std::int32_t value) { SetText(std::to_string(CheckValue(value))); }

namespace {
// A step that would leave the 32-bit range stops at its end.
std::int32_t Stepped(std::int32_t value, std::int64_t step) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value + step, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}
}  // namespace

void TSpinEdit::UpClick() {
  if (ReadOnly())
    DefaultBeep();
  else
    SetValue(Stepped(Value(), increment_));
}

void TSpinEdit::DownClick() {
  if (ReadOnly())
    DefaultBeep();
  else
    SetValue(Stepped(Value(), -static_cast<std::int64_t>(increment_)));
}

bool TSpinEdit::IsValidChar(wchar_t key) const {
  // Line breaks and tabs would put a second line or a blank into a one-line field.
  if (key == L'\r' || key == L'\n' || key == L'\t') return false;
  if (key < 0x20) return editorEnabled_ || key != L'\b';
  if (!editorEnabled_) return false;
  return (key >= L'0' && key <= L'9') || key == L'+' || key == L'-' || key == DecimalSeparator();
}

LRESULT TSpinEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETDLGCODE: {
      // Enter stays in the field (where it is refused); Tab and Escape go to the form.
      LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
      if (const auto* m = reinterpret_cast<const MSG*>(lParam);
          m && (m->message == WM_KEYDOWN || m->message == WM_CHAR) && m->wParam == VK_RETURN)
        code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_UP) {
        UpClick();
        return 0;
      }
      if (wParam == VK_DOWN) {
        DownClick();
        return 0;
      }
      break;
    case WM_CHAR:
      if (!IsValidChar(static_cast<wchar_t>(wParam))) {
        DefaultBeep();
        return 0;
      }
      break;
    case WM_PASTE:
    case WM_CUT:
      if (!editorEnabled_ || ReadOnly()) return 0;
      break;
    case WM_KILLFOCUS:
      if (const std::int32_t v = Value(); CheckValue(v) != v) SetValue(v);
      break;
    case WM_SIZE: {
      const LRESULT r = TCustomEdit::WndProc(msg, wParam, lParam);
      PlaceButton();
      SetEditRect();
      return r;
    }
    default:
      break;
  }
  return TCustomEdit::WndProc(msg, wParam, lParam);
}

// ---- TSpEdit

void TSpEdit::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  RecreateWnd();
}

void TSpEdit::CreateParams(TCreateParams& p) {
  TSpinEdit::CreateParams(p);
  switch (alignment_) {
    case TAlignment::taLeftJustify:
      p.style |= ES_LEFT;
      break;
    case TAlignment::taRightJustify:
      p.style |= ES_RIGHT;
      break;
    case TAlignment::taCenter:
      p.style |= ES_CENTER;
      break;
  }
}
