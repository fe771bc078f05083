#include "StdCtrls.h"

#include <algorithm>

#include "WinText.h"

void TCustomEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"EDIT";
  p.stockClass = true;
  p.style |= WS_TABSTOP | ES_AUTOHSCROLL;
  p.exStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWindowHandle() {
  SetWindowTextW(const_cast<TCustomEdit*>(this)->Handle(), WideFromAnsi(text_).c_str());
}

std::string TCustomEdit::Text() const {
  if (!HandleAllocated()) return text_;
  HWND wnd = const_cast<TCustomEdit*>(this)->Handle();
  std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
  wide.resize(static_cast<size_t>(GetWindowTextW(wnd, wide.data(), static_cast<int>(wide.size()))));
  return FromWide(wide, CP_ACP);
}

void TCustomEdit::SetText(const std::string& ansi) {
  text_ = ansi;
  if (HandleAllocated()) SetWindowTextW(Handle(), WideFromAnsi(ansi).c_str());
}

void TCustomCheckBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"BUTTON";
  p.stockClass = true;
  p.style |= WS_TABSTOP | BS_AUTO3STATE;
}

void TCustomCheckBox::CreateWindowHandle() { SendMessageW(Handle(), BM_SETCHECK, state_, 0); }

TCheckBoxState TCustomCheckBox::State() const {
  if (!HandleAllocated()) return state_;
  const LRESULT s = SendMessageW(const_cast<TCustomCheckBox*>(this)->Handle(), BM_GETCHECK, 0, 0);
  return s == BST_CHECKED ? cbChecked : s == BST_INDETERMINATE ? cbGrayed : cbUnchecked;
}

void TCustomCheckBox::SetState(TCheckBoxState state) {
  state_ = state;
  if (HandleAllocated()) SendMessageW(Handle(), BM_SETCHECK, state, 0);
}

void TRadioButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"BUTTON";
  p.stockClass = true;
  p.style |= WS_TABSTOP | BS_AUTORADIOBUTTON;
}

void TRadioButton::CreateWindowHandle() { SendMessageW(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : 0, 0); }

bool TRadioButton::Checked() const {
  if (!HandleAllocated()) return checked_;
  return SendMessageW(const_cast<TRadioButton*>(this)->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TRadioButton::SetChecked(bool on) {
  checked_ = on;
  if (HandleAllocated()) SendMessageW(Handle(), BM_SETCHECK, on ? BST_CHECKED : 0, 0);
}

void TCustomRadioGroup::SetItems(std::vector<std::wstring> items) {
  items_ = std::move(items);
  SetItemIndex(itemIndex_);
}

void TCustomRadioGroup::SetItemIndex(int index) {
  itemIndex_ = std::clamp(index, -1, static_cast<int>(items_.size()) - 1);
}

void TItemsControl::SetItems(std::vector<std::wstring> items) {
  items_ = std::move(items);
  if (itemIndex_ >= static_cast<int>(items_.size())) itemIndex_ = -1;
}

void TItemsControl::SetItemIndex(int index) {
  itemIndex_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1;
}
