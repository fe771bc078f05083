// Standard controls: label, edit, button, check box, radio button and radio
// group, list box and combo box. Texts of edits are code page 932 bytes,
// converted at the window; captions are wide.
#pragma once

#include <string>
#include <vector>

#include "Controls.h"

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// A caption in a static window of its own, on its parent's background, made just before the control put
// in after it: screen readers take it for that control's name.
class TLabel : public TWinControl {
 public:
  explicit TLabel(TComponent* owner) : TWinControl(owner) {}
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring caption);
  // A label is as wide as its text at least.
  int CaptionWidth() const override;
  bool NamesNextControl() const override { return true; }
  void SetBounds(int left, int top, int width, int height) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void PlaceWindow() override;
  bool HandleReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  // The scaled bounds, at least as high as a line of its text: the text is never cut at the bottom.
  RECT WindowBounds() const;

  std::wstring caption_;
};

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* owner);
  std::string Text() const;
  void SetText(const std::string& text);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int length);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  void SelectAll();
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;
  void SaveWindowState() override;
  bool HandleReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  std::string text_;
  int maxLength_ = 0;
  bool readOnly_ = false;
};

class TEdit : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;
};

class TButtonControl : public TWinControl {
 public:
  explicit TButtonControl(TComponent* owner);
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring caption);
  TNotifyEvent OnClick;
  virtual void Click();

 protected:
  void CreateParams(TCreateParams& params) override;
  bool HandleReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  virtual void Clicked() { Click(); }

 private:
  std::wstring caption_;
};

// A push button; the default one is pressed by Enter, the cancel one by Escape.
class TButton : public TButtonControl {
 public:
  using TButtonControl::TButtonControl;
  bool Default() const { return default_; }
  void SetDefault(bool on) { default_ = on; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  bool default_ = false;
  bool cancel_ = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
 public:
  using TButtonControl::TButtonControl;
  TCheckBoxState State() const;
  void SetState(TCheckBoxState state);
  // The check mark, the gap beside it and the caption.
  int CaptionWidth() const override;
  bool Checked() const { return State() == cbChecked; }
  void SetChecked(bool on) { SetState(on ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool on) { allowGrayed_ = on; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;
  void SaveWindowState() override;

 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
};

class TCheckBox : public TCustomCheckBox {
 public:
  using TCustomCheckBox::TCustomCheckBox;
};

class TRadioButton : public TButtonControl {
 public:
  using TButtonControl::TButtonControl;
  bool Checked() const;
  void SetChecked(bool on);
  bool CanFocus() override;
  int CaptionWidth() const override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;
  void SaveWindowState() override;
  void Clicked() override;

 private:
  bool checked_ = false;
};

// A framed group of radio buttons, one per item, in columns.
class TCustomRadioGroup : public TWinControl {
 public:
  explicit TCustomRadioGroup(TComponent* owner);
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring caption);
  const std::vector<std::wstring>& Items() const { return items_; }
  void SetItems(std::vector<std::wstring> items);
  int Columns() const { return columns_; }
  void SetColumns(int columns);
  // The checked item; -1 when none. Values outside the items are clamped.
  int ItemIndex() const;
  void SetItemIndex(int index);
  TNotifyEvent OnClick;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  friend class TRadioButton;
  void ArrangeButtons();
  void ButtonClicked(TRadioButton* button);

  std::wstring caption_;
  std::vector<std::wstring> items_;
  std::vector<TRadioButton*> buttons_;
  int columns_ = 1;
  int itemIndex_ = -1;
};

class TRadioGroup : public TCustomRadioGroup {
 public:
  using TCustomRadioGroup::TCustomRadioGroup;
};

// A list control with items and a selected index (-1: none).
class TCustomListControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  const std::vector<std::wstring>& Items() const { return items_; }
  void SetItems(std::vector<std::wstring> items);
  int ItemIndex() const;
  void SetItemIndex(int index);

 protected:
  void CreateWindowHandle() override;
  void SaveWindowState() override;
  virtual UINT AddMessage() const = 0;
  virtual UINT GetSelMessage() const = 0;
  virtual UINT SetSelMessage() const = 0;

 private:
  std::vector<std::wstring> items_;
  int itemIndex_ = -1;
};

class TCustomListBox : public TCustomListControl {
 public:
  explicit TCustomListBox(TComponent* owner);

 protected:
  void CreateParams(TCreateParams& params) override;
  UINT AddMessage() const override { return LB_ADDSTRING; }
  UINT GetSelMessage() const override { return LB_GETCURSEL; }
  UINT SetSelMessage() const override { return LB_SETCURSEL; }
};

class TListBox : public TCustomListBox {
 public:
  using TCustomListBox::TCustomListBox;
};

class TCustomComboBox : public TCustomListControl {
 public:
  explicit TCustomComboBox(TComponent* owner);

 protected:
  void CreateParams(TCreateParams& params) override;
  UINT AddMessage() const override { return CB_ADDSTRING; }
  UINT GetSelMessage() const override { return CB_GETCURSEL; }
  UINT SetSelMessage() const override { return CB_SETCURSEL; }
};

class TComboBox : public TCustomComboBox {
 public:
  using TCustomComboBox::TCustomComboBox;
};
