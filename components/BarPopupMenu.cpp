#include "BarPopupMenu.h"

#include <utility>

#include "Forms.h"
#include "Handles.h"

TBarPopupMenu::TBarPopupMenu(TComponent* owner) : TPopupMenu(owner) {
  OwnerDraw = true;
  BitmapOffsetX = 0;
  BitmapOffsetY = 0;
  BitmapVertAlignment = TBitmapVertAlignment::bvaBottom;
  BitmapHorzAlignment = TBitmapHorzAlignment::bhaLeft;
  VerticalFont.Name = L"Tahoma";
  VerticalFont.Size = 14;
  VerticalFont.Color = 0xFFFFFF;
  VerticalFont.Bold = true;
  VerticalFont.Italic = true;
  VerticalTextOffsetY = -6;
  GradientStart = 0xFF0000;
  GradientEnd = 0;
  BarWidth = 31;
  if (Application().Handle()) VerticalText = Application().Title();
}

TBarPopupMenu::~TBarPopupMenu() = default;

TBitmap& TBarPopupMenu::Bitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return *bitmap_;
}

void TBarPopupMenu::PopupAt(int x, int y) {
  menuHeight_ = 0;
  barDrawn_ = false;
  for (auto& item : Items.Items) {
    item->OnMeasureItem = [this](TMenuItem* sender, HDC dc, int& w, int& h) { MeasureStep(sender, dc, w, h); };
    item->OnAdvancedDrawItem = [this](TMenuItem* sender, HDC dc, RECT r, UINT s) { DrawStep(sender, dc, r, s); };
  }
  TPopupMenu::PopupAt(x, y);
}

void TBarPopupMenu::MeasureStep(TMenuItem* item, HDC, int& width, int& height) {
  width += BarWidth;
  if (item->Visible) menuHeight_ += height;
}

void TBarPopupMenu::DrawStep(TMenuItem* item, HDC dc, RECT rect, UINT state) {
  RECT itemRect = rect;
  itemRect.left += BarWidth;
  {
    // Detached so that the standard painting can't come back here.
    TAdvancedMenuDrawItemEvent detached = std::exchange(item->OnAdvancedDrawItem, nullptr);
    struct Reattach {
      TMenuItem* item;
      TAdvancedMenuDrawItemEvent& event;
      ~Reattach() { item->OnAdvancedDrawItem = std::move(event); }
    } reattach{item, detached};
    DrawMenuItem(*item, dc, itemRect, state);
  }
  if (barDrawn_) return;
  DrawBarSlice(dc, rect);
  DrawTitle(dc, rect);
  if (rect.bottom == menuHeight_) {
    barDrawn_ = true;
    if (HasBitmap()) {
      const TBitmap& picture = *bitmap_;
      picture.Draw(dc, PictureX(BarWidth, BitmapOffsetX, BitmapHorzAlignment, picture.Width()),
                   PictureY(menuHeight_, BitmapOffsetY, BitmapVertAlignment, picture.Height()));
    }
  }
}

void TBarPopupMenu::DrawBarSlice(HDC dc, const RECT& rect) const {
  const COLORREF start = ColorToRGB(GradientStart), end = ColorToRGB(GradientEnd);
  if (GradientStart == GradientEnd) {
    UniqueBrush brush(CreateSolidBrush(start));
    const RECT slice{0, rect.top, BarWidth - 2, rect.bottom};
    FillRect(dc, &slice, brush.get());
    return;
  }
  for (int y = rect.top; y <= rect.bottom; ++y) {
    UniqueBrush brush(CreateSolidBrush(GradientRowColor(start, end, y, menuHeight_)));
    const RECT row{0, y, BarWidth - 2, y + 1};
    FillRect(dc, &row, brush.get());
  }
}

void TBarPopupMenu::DrawTitle(HDC dc, const RECT& rect) const {
  const LOGFONTW turned = VerticalFont.Describe(dc, 900, true);
  UniqueFont font(CreateFontIndirectW(&turned));
  if (!font) return;
  SelectGuard select(dc, font.get());
  SIZE size{};
  GetTextExtentPoint32W(dc, L"X", 1, &size);
  const int x0 = TitleX0(BarWidth, size.cy);
  const int y0 = TitleY0(menuHeight_, VerticalTextOffsetY, HasBitmap(), BitmapVertAlignment,
                         HasBitmap() ? bitmap_->Height() : 0);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColor = SetTextColor(dc, ColorToRGB(VerticalFont.Color));
  const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
  const RECT clip{rect.left, rect.top, rect.right, rect.bottom + 1};
  ExtTextOutW(dc, x0 - 1, y0, ETO_CLIPPED, &clip, VerticalText.c_str(), static_cast<UINT>(VerticalText.size()),
              nullptr);
  SetTextAlign(dc, oldAlign);
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
}
