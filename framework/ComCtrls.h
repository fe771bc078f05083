// The page control: a tab strip with one sheet per tab; only the active sheet shows.
#pragma once

#include <string>
#include <vector>

#include "Controls.h"

class TPageControl;

class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* owner);
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring caption);
  TPageControl* PageControl() const;
  void SetPageControl(TPageControl* pageControl);
  int PageIndex() const;

 protected:
  void CreateParams(TCreateParams& params) override;
  void PlaceWindow() override {}  // its page control places it

 private:
  std::wstring caption_;
};

class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* owner);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool on) { multiLine_ = on; }
  bool HotTrack() const { return hotTrack_; }
  void SetHotTrack(bool on) { hotTrack_ = on; }

  int PageCount() const { return static_cast<int>(Pages().size()); }
  std::vector<TTabSheet*> Pages() const;
  TTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  // Where the sheets go, in this control's client pixels.
  RECT DisplayRect();
  // The next page, or the one before, wrapping around; the change runs as a click on its tab. Focus that
  // was inside the old page goes to the new page's first control.
  void SelectNextPage(bool forward);
  // Ctrl+Tab and Ctrl+PageDown select the next page, Ctrl+Shift+Tab and Ctrl+PageUp the one before.
  bool TakeDialogKey(WPARAM key) override;
  TNotifyEvent OnChange;

  void SetBounds(int left, int top, int width, int height) override;
  // The tabs take the new font's height, and the sheets the room below them.
  void DpiChanged() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;
  bool HandleReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  friend class TTabSheet;
  void ShowActivePage();
  void PlaceSheets();

  bool multiLine_ = false;
  bool hotTrack_ = false;
  TTabSheet* activePage_ = nullptr;
};
