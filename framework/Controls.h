// Controls: TControl (placed in a parent, with bounds, hint and tag) and
// TWinControl (a control with a window of its own).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Classes.h"
#include "Dpi.h"

class TWinControl;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);
  virtual bool IsWindowed() const { return false; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  virtual void SetBounds(int left, int top, int width, int height);
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }

  virtual bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }
  const std::wstring& Hint() const { return hint_; }
  void SetHint(std::wstring hint) { hint_ = std::move(hint); }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on) { showHint_ = on; }

  // Draws a control without a window of its own on its parent's DC.
  virtual void Paint(HDC) {}
  // The DPI the control is shown at: its form's, the system's while it has none.
  virtual int Dpi() const;
  // Design pixels (96 dpi) to the control's pixels.
  int Scaled(int designPixels) const { return ScaleToDpi(designPixels, Dpi()); }
  // The bounds in the parent's client pixels: the design pixels scaled to the control's DPI, widened where
  // its caption needs more room and moved right where a control to its left in its row was widened.
  RECT ScaledBounds() const;
  // The width in pixels its caption needs at its DPI; 0 when it asks for no room of its own.
  virtual int CaptionWidth() const { return 0; }
  // Off for controls that their parent places in screen pixels.
  void SetScaled(bool on) { scaled_ = on; }
  bool IsScaled() const { return scaled_; }

 protected:
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;

 private:
  TWinControl* parent_ = nullptr;
  int tag_ = 0;
  std::wstring hint_;
  bool showHint_ = false;
  bool scaled_ = true;
  friend class TWinControl;
  int fitShift_ = 0, fitGrow_ = 0;  // pixels, set by the parent's FitCaptions
};

struct TCreateParams {
  std::wstring className;  // a stock class (BUTTON, EDIT, ...) or the framework's own
  bool stockClass = false;
  std::wstring caption;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parentWindow = nullptr;
  UINT classStyle = CS_DBLCLKS;
  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  UINT_PTR id = 0;  // child window identifier; 0: from the tab order
};

// Registers the common controls' window classes, once, before the first of them
// is made (the library is loaded on first use).
void InitCommonControlsOnce();

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  bool IsWindowed() const override { return true; }
  // The window, created on first use (after its parent's).
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  HWND WindowHandle() const { return handle_; }  // nullptr until created
  void HandleNeeded() { Handle(); }
  static TWinControl* FromHandle(HWND wnd);

  // Child controls in the order they were put in (the tab order unless set).
  const std::vector<TControl*>& Controls() const { return controls_; }
  // The direct children: those without a window first, then the windowed,
  // each in the order they were put in.
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Control(int index) const;
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order) { tabOrder_ = order; }
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool on) { tabStop_ = on; }
  // Can the keyboard focus go here now (a tab stop, shown and enabled)?
  virtual bool CanFocus();
  // The children the Tab key visits, in tab order.
  std::vector<TWinControl*> TabList() const;
  // True for a child outside the tab order whose window goes just before the control put into its
  // parent after it, the one it names (a label): screen readers name a control by the text before it.
  virtual bool NamesNextControl() const { return false; }
  // The windowed children in the order of their windows: the tab order, each naming child just before
  // the control it names.
  std::vector<TWinControl*> WindowOrder() const;
  // The controls inside that can take the focus now, in the order the Tab key visits them.
  std::vector<TWinControl*> FocusOrder() const;
  // Focus given by a key: an edit's whole text is selected, as the dialog manager does.
  void FocusByKeyboard();
  // A key pressed with Ctrl, offered to the form's controls before the form's own dialog keys: true when
  // taken.
  virtual bool TakeDialogKey(WPARAM) { return false; }

  // The font its window uses: the parent's unless the control has its own.
  virtual HFONT FontHandle() const;

  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetFocus();

  // Sends a message to the control's own window procedure.
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

  // The form's DPI has changed: the window takes its font and bounds at the new
  // DPI, then its children do.
  virtual void DpiChanged();
  // Text does not grow in proportion to the DPI, nor look the same in every font: a child whose caption
  // needs more room than its scaled bounds give is widened, and the children to its right in its row
  // (those beside it, whatever their tops) move right as far as it grew.
  void FitCaptions();

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  // Whether the children's windows are made with this one (otherwise on demand,
  // or all at once by CreateChildHandles).
  virtual bool ChildrenWithWindow() const { return true; }
  // Makes the children's windows when they were left for later.
  virtual void MakeChildHandles() { CreateChildHandles(); }
  void CreateChildHandles();
  // Called once the window exists: apply state that lives in the window.
  virtual void CreateWindowHandle() {}
  // Called before the window goes: keep state that lives in the window.
  virtual void SaveWindowState() {}
  // Puts the window at its scaled bounds; a control its parent places is left alone.
  virtual void PlaceWindow();
  void DestroyHandle();

 public:
  // Builds the window again (after a change of a style that only creation sets).
  void RecreateWnd();

 protected:
  // The message handler; overrides fall back to the base for what they don't handle.
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The class's own default: the stock control's procedure or DefWindowProc.
  LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
  // A notification the parent received for this control (WM_COMMAND, WM_NOTIFY,
  // WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*): true when handled.
  virtual bool HandleReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  friend class TControl;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK OwnClassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK StockSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR refData);

  HWND handle_ = nullptr;
  bool stockClass_ = false;
  std::vector<TControl*> controls_;
  int tabOrder_ = -1;
  bool tabStop_ = false;
};
