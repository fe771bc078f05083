// Standard controls: edit boxes, check boxes, radio buttons and groups, list and combo boxes.
#pragma once

#include <string>
#include <vector>

#include "Controls.h"

// A one-line text field; its text is ANSI-code-page bytes.
class TCustomEdit : public TWinControl {
 public:
  using TWinControl::TWinControl;
  std::string Text() const;
  void SetText(const std::string& ansi);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;

 private:
  std::string text_;
};

class TEdit : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TWinControl {
 public:
  using TWinControl::TWinControl;
  TCheckBoxState State() const;
  void SetState(TCheckBoxState state);
  bool Checked() const { return State() == cbChecked; }
  void SetChecked(bool on) { SetState(on ? cbChecked : cbUnchecked); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;

 private:
  TCheckBoxState state_ = cbUnchecked;
};

class TCheckBox : public TCustomCheckBox {
 public:
  using TCustomCheckBox::TCustomCheckBox;
};

class TRadioButton : public TWinControl {
 public:
  using TWinControl::TWinControl;
  bool Checked() const;
  void SetChecked(bool on);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;

 private:
  bool checked_ = false;
};

// A group of exclusive choices; the item index is kept within -1 .. count - 1.
class TCustomRadioGroup : public TWinControl {
 public:
  using TWinControl::TWinControl;
  const std::vector<std::wstring>& Items() const { return items_; }
  void SetItems(std::vector<std::wstring> items);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);

 private:
  std::vector<std::wstring> items_;
  int itemIndex_ = -1;
};

class TRadioGroup : public TCustomRadioGroup {
 public:
  using TCustomRadioGroup::TCustomRadioGroup;
};

// The common part of list and combo boxes: items and the selected index.
class TItemsControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  const std::vector<std::wstring>& Items() const { return items_; }
  void SetItems(std::vector<std::wstring> items);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);

 private:
  std::vector<std::wstring> items_;
  int itemIndex_ = -1;
};

class TCustomListBox : public TItemsControl {
 public:
  using TItemsControl::TItemsControl;
};

class TListBox : public TCustomListBox {
 public:
  using TCustomListBox::TCustomListBox;
};

class TCustomComboBox : public TItemsControl {
 public:
  using TItemsControl::TItemsControl;
};

class TComboBox : public TCustomComboBox {
 public:
  using TCustomComboBox::TCustomComboBox;
};

// A push button (stores nothing).
class TButton : public TWinControl {
 public:
  using TWinControl::TWinControl;
};

// A caption without a window.
class TLabel : public TControl {
 public:
  using TControl::TControl;
};
