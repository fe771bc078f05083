// A numeric field with a pair of up and down buttons (TSpinEdit), and TSpEdit,
// the same with the text alignment of its choice.
#pragma once

#include <cstdint>

#include "StdCtrls.h"

// A flat button that steps once on release and repeats while held: after
// 400 ms, then every 100 ms, while the pointer stays on it.
class TTimerSpeedButton : public TWinControl {
 public:
  explicit TTimerSpeedButton(TComponent* owner, bool up);
  TNotifyEvent OnClick;
  TNotifyEvent OnPress;  // the mouse went down on it
  bool Down() const { return down_; }

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  bool PointerOver() const;
  void Paint(HDC dc);

  bool up_;
  bool pressed_ = false;  // mouse held since a press on it
  bool down_ = false;     // shown pressed: held and the pointer on it
};

// The up button above, the down button below; the two overlap by one pixel.
class TSpinButton : public TWinControl {
 public:
  explicit TSpinButton(TComponent* owner);
  TTimerSpeedButton& UpButton() { return *up_; }
  TTimerSpeedButton& DownButton() { return *down_; }
  void SetBounds(int left, int top, int width, int height) override;
  void SetEnabled(bool enabled) override;
  TNotifyEvent OnUpClick;
  TNotifyEvent OnDownClick;
  TNotifyEvent OnPress;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  TTimerSpeedButton* up_;
  TTimerSpeedButton* down_;
};

class TSpinEdit : public TCustomEdit {
 public:
  explicit TSpinEdit(TComponent* owner);

  // The text read as an integer; MinValue when it doesn't convert.
  std::int32_t Value() const;
  void SetValue(std::int32_t value);
  std::int32_t MinValue() const { return minValue_; }
  void SetMinValue(std::int32_t v) { minValue_ = v; }
  std::int32_t MaxValue() const { return maxValue_; }
  void SetMaxValue(std::int32_t v) { maxValue_ = v; }
  std::int32_t Increment() const { return increment_; }
  void SetIncrement(std::int32_t v) { increment_ = v; }
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool on) { editorEnabled_ = on; }
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool on) { autoSelect_ = on; }
  TSpinButton& Button() { return *button_; }

  void UpClick();
  void DownClick();
  void SetBounds(int left, int top, int width, int height) override;
  void SetEnabled(bool enabled) override;
  void DpiChanged() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  virtual bool IsValidChar(wchar_t key) const;

 private:
  // MinValue = MaxValue means no limits.
  std::int32_t CheckValue(std::int32_t value) const;
  int MinHeight();
  void FitLayout();
  void SetEditRect();
  void PlaceButton();

  TSpinButton* button_;
  std::int32_t minValue_ = 0, maxValue_ = 0, increment_ = 1;
  bool editorEnabled_ = true;
  bool autoSelect_ = true;
};

class TSpEdit : public TSpinEdit {
 public:
  explicit TSpEdit(TComponent* owner) : TSpinEdit(owner) {}
  TAlignment Alignment() const { return alignment_; }
  // Rebuilds the window, which takes the alignment only at creation.
  void SetAlignment(TAlignment alignment);

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  TAlignment alignment_ = TAlignment::taRightJustify;
};
