#include "StdCtrls.h"

#include <algorithm>

#include "Handles.h"
#include "WinText.h"

namespace {
std::wstring WindowText(HWND wnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

int TextWidth(HFONT font, const std::wstring& text) {
  if (text.empty()) return 0;
  WindowDC dc(nullptr);
  SelectGuard select(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// A check box's or radio button's mark and the gap between it and the caption, in design pixels beyond the
// mark's own width; wide enough for the platforms' layouts, which differ by a few pixels.
constexpr int kMarkGap = 8;

int MarkedCaptionWidth(const TWinControl& c, const std::wstring& caption) {
  return MetricForDpi(SM_CXMENUCHECK, c.Dpi()) + c.Scaled(kMarkGap) + TextWidth(c.FontHandle(), caption);
}
}  // namespace

// ---- TLabel

void TLabel::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  if (HandleAllocated()) SetWindowTextW(WindowHandle(), caption_.c_str());
  if (Parent() && Parent()->HandleAllocated()) Parent()->FitCaptions();
}

int TLabel::CaptionWidth() const { return Parent() ? TextWidth(Parent()->FontHandle(), caption_) : 0; }

void TLabel::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"STATIC";
  p.stockClass = true;
  p.style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
  p.caption = caption_;
  const RECT r = WindowBounds();
  p.height = r.bottom - r.top;
}

RECT TLabel::WindowBounds() const {
  RECT r = ScaledBounds();
  if (caption_.empty() || !Parent()) return r;
  WindowDC dc(nullptr);
  SelectGuard select(dc.get(), Parent()->FontHandle() ? static_cast<HGDIOBJ>(Parent()->FontHandle())
                                                      : GetStockObject(DEFAULT_GUI_FONT));
  RECT text{0, 0, 0, 0};
  DrawTextW(dc.get(), caption_.c_str(), static_cast<int>(caption_.size()), &text,
            DT_LEFT | DT_NOPREFIX | DT_CALCRECT);
  r.bottom = std::max(r.bottom, r.top + text.bottom);
  return r;
}

void TLabel::SetBounds(int left, int top, int width, int height) {
  TWinControl::SetBounds(left, top, width, height);
  PlaceWindow();
}

void TLabel::PlaceWindow() {
  if (!HandleAllocated()) return;
  const RECT r = WindowBounds();
  SetWindowPos(WindowHandle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// The text in the form's text colour, on the background its parent paints.
bool TLabel::HandleReflected(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
  if (msg != WM_CTLCOLORSTATIC || !Parent()) return false;
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, GetSysColor(Enabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  auto brush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(Parent()->Handle(), GCLP_HBRBACKGROUND));
  // A class background given as a system colour is that colour's index plus one.
  if (const auto index = reinterpret_cast<UINT_PTR>(brush); index > 0 && index <= COLOR_MENUBAR + 1)
    brush = GetSysColorBrush(static_cast<int>(index) - 1);
  result = reinterpret_cast<LRESULT>(brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
  return true;
}

// ---- TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TCustomEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"EDIT";
  p.stockClass = true;
  p.style |= ES_AUTOHSCROLL | (readOnly_ ? ES_READONLY : 0);
  p.exStyle |= WS_EX_CLIENTEDGE;
  p.caption = WideFromText(text_);
}

void TCustomEdit::CreateWindowHandle() { SendMessageW(WindowHandle(), EM_LIMITTEXT, maxLength_, 0); }

void TCustomEdit::SaveWindowState() { text_ = Text(); }

std::string TCustomEdit::Text() const {
  return HandleAllocated() ? TextFromWide(WindowText(WindowHandle())) : text_;
}

void TCustomEdit::SetText(const std::string& text) {
  text_ = text;
  if (HandleAllocated()) SetWindowTextW(WindowHandle(), WideFromText(text).c_str());
}

void TCustomEdit::SetMaxLength(int length) {
  maxLength_ = std::max(0, length);
  if (HandleAllocated()) SendMessageW(WindowHandle(), EM_LIMITTEXT, maxLength_, 0);
}

void TCustomEdit::SetReadOnly(bool on) {
  readOnly_ = on;
  if (HandleAllocated()) SendMessageW(WindowHandle(), EM_SETREADONLY, on, 0);
}

void TCustomEdit::SelectAll() {
  if (HandleAllocated()) SendMessageW(WindowHandle(), EM_SETSEL, 0, -1);
}

bool TCustomEdit::HandleReflected(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
  if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
    if (OnChange) OnChange(this);
    result = 0;
    return true;
  }
  return false;
}

// ---- buttons

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TButtonControl::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  if (HandleAllocated()) SetWindowTextW(WindowHandle(), caption_.c_str());
  if (Parent() && Parent()->HandleAllocated()) Parent()->FitCaptions();
}

int TCustomCheckBox::CaptionWidth() const { return MarkedCaptionWidth(*this, Caption()); }
int TRadioButton::CaptionWidth() const { return MarkedCaptionWidth(*this, Caption()); }

void TButtonControl::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"BUTTON";
  p.stockClass = true;
  p.caption = caption_;
}

void TButtonControl::Click() {
  if (OnClick) OnClick(this);
}

bool TButtonControl::HandleReflected(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    Clicked();
    result = 0;
    return true;
  }
  return false;
}

void TButton::CreateParams(TCreateParams& p) {
  TButtonControl::CreateParams(p);
  p.style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  // The dialog keys find these two by their identifiers.
  if (default_) p.id = IDOK;
  if (cancel_) p.id = IDCANCEL;
}

void TCustomCheckBox::CreateParams(TCreateParams& p) {
  TButtonControl::CreateParams(p);
  p.style |= allowGrayed_ ? BS_AUTO3STATE : BS_AUTOCHECKBOX;
}

void TCustomCheckBox::CreateWindowHandle() { SendMessageW(WindowHandle(), BM_SETCHECK, state_, 0); }
void TCustomCheckBox::SaveWindowState() { state_ = State(); }

TCheckBoxState TCustomCheckBox::State() const {
  if (!HandleAllocated()) return state_;
  switch (SendMessageW(WindowHandle(), BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
      return cbChecked;
    case BST_INDETERMINATE:
      return cbGrayed;
    default:
      return cbUnchecked;
  }
}

void TCustomCheckBox::SetState(TCheckBoxState state) {
  state_ = state;
  if (HandleAllocated()) SendMessageW(WindowHandle(), BM_SETCHECK, state, 0);
}

void TRadioButton::CreateParams(TCreateParams& p) {
  TButtonControl::CreateParams(p);
  p.style |= BS_RADIOBUTTON;
  // A parent's buttons are one group for the arrow keys, which starts at the first.
  if (Parent())
    for (TWinControl* c : Parent()->WindowOrder())
      if (dynamic_cast<TRadioButton*>(c)) {
        if (c == this) p.style |= WS_GROUP;
        break;
      }
}

void TRadioButton::CreateWindowHandle() { SendMessageW(WindowHandle(), BM_SETCHECK, checked_, 0); }
void TRadioButton::SaveWindowState() { checked_ = Checked(); }

bool TRadioButton::Checked() const {
  return HandleAllocated() ? SendMessageW(WindowHandle(), BM_GETCHECK, 0, 0) == BST_CHECKED : checked_;
}

void TRadioButton::SetChecked(bool on) {
  checked_ = on;
  if (HandleAllocated()) SendMessageW(WindowHandle(), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  // Checking one button of a parent unchecks its siblings.
  if (on && Parent())
    for (TControl* c : Parent()->Controls())
      if (auto* other = dynamic_cast<TRadioButton*>(c); other && other != this) other->SetChecked(false);
}

// In a group only the checked button is a tab stop (the first one when none is).
bool TRadioButton::CanFocus() {
  if (!TWinControl::CanFocus()) return false;
  if (Checked() || !Parent()) return true;
  for (TControl* c : Parent()->Controls())
    if (auto* other = dynamic_cast<TRadioButton*>(c); other && other->Checked()) return false;
  for (TControl* c : Parent()->Controls())
    if (auto* other = dynamic_cast<TRadioButton*>(c)) return other == this;
  return true;
}

void TRadioButton::Clicked() {
  SetChecked(true);
  if (auto* group = dynamic_cast<TCustomRadioGroup*>(Parent())) group->ButtonClicked(this);
  Click();
}

// ---- TCustomRadioGroup

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner) : TWinControl(owner) {}

void TCustomRadioGroup::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"BUTTON";
  p.stockClass = true;
  p.style |= BS_GROUPBOX;
  p.exStyle |= WS_EX_CONTROLPARENT;
  p.caption = caption_;
}

void TCustomRadioGroup::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  if (HandleAllocated()) SetWindowTextW(WindowHandle(), caption_.c_str());
}

void TCustomRadioGroup::SetItems(std::vector<std::wstring> items) {
  const int keep = itemIndex_;
  for (TRadioButton* b : buttons_) RemoveComponent(b);
  buttons_.clear();
  items_ = std::move(items);
  for (size_t i = 0; i < items_.size(); ++i) {
    auto& b = Add<TRadioButton>();
    b.SetCaption(items_[i]);
    b.SetTabOrder(static_cast<int>(i));
    b.SetParent(this);
    buttons_.push_back(&b);
  }
  ArrangeButtons();
  itemIndex_ = -1;
  SetItemIndex(keep);
}

void TCustomRadioGroup::SetColumns(int columns) {
  columns_ = std::max(1, columns);
  ArrangeButtons();
}

// The buttons fill the frame below its caption, column by column, in even rows.
void TCustomRadioGroup::ArrangeButtons() {
  if (buttons_.empty()) return;
  const int n = static_cast<int>(buttons_.size());
  const int rows = (n + columns_ - 1) / columns_;
  const int top = 14, bottom = 4, side = 8;
  const int rowHeight = std::max(1, (height_ - top - bottom) / rows);
  const int colWidth = (width_ - 2 * side) / columns_;
  for (int i = 0; i < n; ++i) {
    const int col = i / rows, row = i % rows;
    buttons_[i]->SetBounds(side + col * colWidth, top + row * rowHeight + (rowHeight - 17) / 2, colWidth, 17);
  }
}

int TCustomRadioGroup::ItemIndex() const {
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i]->Checked()) return static_cast<int>(i);
  return buttons_.empty() ? std::clamp(itemIndex_, -1, static_cast<int>(items_.size()) - 1) : -1;
}

void TCustomRadioGroup::SetItemIndex(int index) {
  itemIndex_ = std::clamp(index, -1, static_cast<int>(items_.size()) - 1);
  for (size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->SetChecked(static_cast<int>(i) == itemIndex_);
}

void TCustomRadioGroup::ButtonClicked(TRadioButton* button) {
  auto it = std::find(buttons_.begin(), buttons_.end(), button);
  itemIndex_ = it == buttons_.end() ? -1 : static_cast<int>(it - buttons_.begin());
  if (OnClick) OnClick(this);
}

// ---- list box and combo box

void TCustomListControl::SetItems(std::vector<std::wstring> items) {
  items_ = std::move(items);
  itemIndex_ = std::clamp(itemIndex_, -1, static_cast<int>(items_.size()) - 1);
  if (HandleAllocated()) RecreateWnd();
}

void TCustomListControl::CreateWindowHandle() {
  for (const auto& item : items_)
    SendMessageW(WindowHandle(), AddMessage(), 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendMessageW(WindowHandle(), SetSelMessage(), static_cast<WPARAM>(itemIndex_), 0);
}

void TCustomListControl::SaveWindowState() { itemIndex_ = ItemIndex(); }

int TCustomListControl::ItemIndex() const {
  if (!HandleAllocated()) return itemIndex_;
  const LRESULT sel = SendMessageW(WindowHandle(), GetSelMessage(), 0, 0);
  return sel < 0 ? -1 : static_cast<int>(sel);
}

void TCustomListControl::SetItemIndex(int index) {
  itemIndex_ = std::clamp(index, -1, static_cast<int>(items_.size()) - 1);
  if (HandleAllocated()) SendMessageW(WindowHandle(), SetSelMessage(), static_cast<WPARAM>(itemIndex_), 0);
}

TCustomListBox::TCustomListBox(TComponent* owner) : TCustomListControl(owner) { SetTabStop(true); }

void TCustomListBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"LISTBOX";
  p.stockClass = true;
  p.style |= LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
  p.exStyle |= WS_EX_CLIENTEDGE;
}

TCustomComboBox::TCustomComboBox(TComponent* owner) : TCustomListControl(owner) { SetTabStop(true); }

void TCustomComboBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"COMBOBOX";
  p.stockClass = true;
  p.style |= CBS_DROPDOWNLIST | WS_VSCROLL;
  p.height = Scaled(height_ + 160);  // room for the drop-down list
}
