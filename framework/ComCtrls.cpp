#include "ComCtrls.h"

#include <commctrl.h>

#include <algorithm>

// ---- TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) { visible_ = false; }

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }

void TTabSheet::SetPageControl(TPageControl* pageControl) {
  SetParent(pageControl);
  if (pageControl && !pageControl->ActivePage()) pageControl->SetActivePage(this);
  if (pageControl && pageControl->HandleAllocated()) pageControl->RecreateWnd();
}

int TTabSheet::PageIndex() const {
  if (!PageControl()) return -1;
  const auto pages = PageControl()->Pages();
  auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TTabSheet::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  if (PageControl() && PageControl()->HandleAllocated()) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption_.data();
    SendMessageW(PageControl()->Handle(), TCM_SETITEMW, PageIndex(), reinterpret_cast<LPARAM>(&item));
  }
}

void TTabSheet::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = L"TTabSheet";
  p.exStyle |= WS_EX_CONTROLPARENT;
  if (TPageControl* pc = PageControl()) {
    const RECT r = pc->DisplayRect();
    p.x = r.left;
    p.y = r.top;
    p.width = r.right - r.left;
    p.height = r.bottom - r.top;
    p.style = (p.style & ~WS_VISIBLE) | (pc->ActivePage() == this ? WS_VISIBLE : 0);
  }
}

// ---- TPageControl

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

std::vector<TTabSheet*> TPageControl::Pages() const {
  std::vector<TTabSheet*> pages;
  for (TControl* c : Controls())
    if (auto* sheet = dynamic_cast<TTabSheet*>(c)) pages.push_back(sheet);
  return pages;
}

void TPageControl::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.className = WC_TABCONTROLW;
  p.stockClass = true;
  p.style |= (multiLine_ ? TCS_MULTILINE : 0) | (hotTrack_ ? TCS_HOTTRACK : 0);
  p.exStyle |= WS_EX_CONTROLPARENT;
}

void TPageControl::CreateWindowHandle() {
  const auto pages = Pages();
  for (size_t i = 0; i < pages.size(); ++i) {
    std::wstring caption = pages[i]->Caption();
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(WindowHandle(), TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(WindowHandle(), TCM_SETCURSEL, ActivePageIndex(), 0);
}

RECT TPageControl::DisplayRect() {
  RECT r{};
  GetClientRect(Handle(), &r);
  SendMessageW(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

int TPageControl::ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int index) {
  const auto pages = Pages();
  SetActivePage(index >= 0 && index < static_cast<int>(pages.size()) ? pages[index] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->PageControl() != this) return;
  activePage_ = page;
  if (HandleAllocated()) SendMessageW(WindowHandle(), TCM_SETCURSEL, ActivePageIndex(), 0);
  ShowActivePage();
}

void TPageControl::ShowActivePage() {
  for (TTabSheet* sheet : Pages()) {
    if (sheet != activePage_) sheet->SetVisible(false);
  }
  if (activePage_) activePage_->SetVisible(true);
}

void TPageControl::PlaceSheets() {
  if (!HandleAllocated()) return;
  const RECT r = DisplayRect();
  for (TTabSheet* sheet : Pages())
    if (sheet->HandleAllocated())
      SetWindowPos(sheet->Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void TPageControl::SetBounds(int left, int top, int width, int height) {
  TWinControl::SetBounds(left, top, width, height);
  PlaceSheets();
}

void TPageControl::DpiChanged() {
  TWinControl::DpiChanged();
  PlaceSheets();
}

void TPageControl::SelectNextPage(bool forward) {
  const int count = PageCount();
  if (count == 0) return;
  TTabSheet* old = activePage_;
  const bool focusInside = old && old->HandleAllocated() && IsChild(old->WindowHandle(), GetFocus());
  const int at = ActivePageIndex();
  SetActivePageIndex(at < 0 ? (forward ? 0 : count - 1) : (at + (forward ? 1 : count - 1)) % count);
  if (OnChange) OnChange(this);
  // The old page is hidden now, and the focus must not stay on a control nobody sees.
  if (focusInside && activePage_) {
    const auto order = activePage_->FocusOrder();
    if (order.empty())
      SetFocus();
    else
      order.front()->FocusByKeyboard();
  }
}

bool TPageControl::TakeDialogKey(WPARAM key) {
  if (key != VK_TAB && key != VK_NEXT && key != VK_PRIOR) return false;
  if (!HandleAllocated() || !IsWindowVisible(WindowHandle()) || !IsWindowEnabled(WindowHandle()))
    return false;
  SelectNextPage(key == VK_TAB ? GetKeyState(VK_SHIFT) >= 0 : key == VK_NEXT);
  return true;
}

bool TPageControl::HandleReflected(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
  if (msg != WM_NOTIFY) return false;
  const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
  if (hdr->code != TCN_SELCHANGE) return false;
  SetActivePageIndex(static_cast<int>(SendMessageW(WindowHandle(), TCM_GETCURSEL, 0, 0)));
  if (OnChange) OnChange(this);
  result = 0;
  return true;
}
