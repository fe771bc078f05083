#include "BarPopupMenu.h"

#include <utility>

#include "Dpi.h"
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
  if (Application().Initialized()) VerticalText = Application().Title();
}

TBarPopupMenu::~TBarPopupMenu() = default;

TBitmap& TBarPopupMenu::Bitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return *bitmap_;
}

void TBarPopupMenu::PopupAt(int x, int y) {
  menuHeight_ = 0;
  barDrawn_ = false;
  const int dpi = MonitorDpiAt({x, y});
  scaled_ = {dpi, ScaleToDpi(BarWidth, dpi), ScaleToDpi(BitmapOffsetX, dpi), ScaleToDpi(BitmapOffsetY, dpi),
             ScaleToDpi(VerticalTextOffsetY, dpi)};
  for (auto& item : Items.Items) {
    item->OnMeasureItem = [this](TMenuItem* sender, HDC dc, int& w, int& h) {
      MeasureStep(sender, dc, w, h);
    };
    item->OnAdvancedDrawItem = [this](TMenuItem* sender, HDC dc, RECT r, UINT s) {
      DrawStep(sender, dc, r, s);
    };
  }
  TPopupMenu::PopupAt(x, y);
}

void TBarPopupMenu::MeasureStep(TMenuItem* item, HDC, int& width, int& height) {
  width += scaled_.barWidth;
  if (item->Visible) menuHeight_ += height;
}

void TBarPopupMenu::DrawStep(TMenuItem* item, HDC dc, RECT rect, UINT state) {
  RECT itemRect = rect;
  itemRect.left += scaled_.barWidth;
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
  // Every draw of an item repaints its slice of the bar: a full repaint of the
  // open menu (uncovered, or shown for real after fading in) has erased it.
  DrawBarSlice(dc, rect);
  if (rect.bottom == menuHeight_) barDrawn_ = true;
}

// The slice is composed off the screen and copied in one go, so that a
// repaint for a selection change writes each bar pixel once, with the value
// it already has: the bar never flickers. Its rows run from the item's top
// to its bottom edge included, where the next item's slice begins with the
// same pixels; a solid bar's last item stops short of its bottom edge.
void TBarPopupMenu::DrawBarSlice(HDC dc, const RECT& rect) const {
  const bool solidEnd = GradientStart == GradientEnd && rect.bottom == menuHeight_;
  const RECT slice{0, rect.top, scaled_.barWidth - 2, solidEnd ? rect.bottom : rect.bottom + 1};
  const int width = slice.right - slice.left, height = slice.bottom - slice.top;
  if (width <= 0 || height <= 0) return;
  UniqueBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
  MemoryDC memory(dc);
  if (!bitmap || !memory.get()) {
    PaintBarSlice(dc, slice);  // short of resources: straight onto the menu
    return;
  }
  SelectGuard select(memory.get(), bitmap.get());
  SetViewportOrgEx(memory.get(), 0, -slice.top, nullptr);  // the menu's coordinates
  PaintBarSlice(memory.get(), slice);
  SetViewportOrgEx(memory.get(), 0, 0, nullptr);
  BitBlt(dc, slice.left, slice.top, width, height, memory.get(), 0, 0, SRCCOPY);
}

// The gradient (one band per pixel row) or the solid fill, the title and the
// picture, each clipped to the slice.
void TBarPopupMenu::PaintBarSlice(HDC dc, const RECT& slice) const {
  const COLORREF start = ColorToRGB(GradientStart), end = ColorToRGB(GradientEnd);
  if (GradientStart == GradientEnd) {
    UniqueBrush brush(CreateSolidBrush(start));
    FillRect(dc, &slice, brush.get());
  } else {
    for (int y = slice.top; y < slice.bottom; ++y) {
      UniqueBrush brush(CreateSolidBrush(GradientRowColor(start, end, y, menuHeight_)));
      const RECT row{slice.left, y, slice.right, y + 1};
      FillRect(dc, &row, brush.get());
    }
  }
  DrawTitle(dc, slice);
  if (HasBitmap()) {
    // Over the gradient and the title.
    const TBitmap& picture = *bitmap_;
    const int x = PictureX(scaled_.barWidth, scaled_.offsetX, BitmapHorzAlignment, picture.Width());
    const int y = PictureY(menuHeight_, scaled_.offsetY, BitmapVertAlignment, picture.Height());
    const RECT placed{x, y, x + picture.Width(), y + picture.Height()};
    RECT part{};
    if (IntersectRect(&part, &placed, &slice)) {
      SavedDC saved(dc);
      IntersectClipRect(dc, slice.left, slice.top, slice.right, slice.bottom);
      picture.Draw(dc, x, y);
    }
  }
}

void TBarPopupMenu::DrawTitle(HDC dc, const RECT& clip) const {
  const LOGFONTW turned = VerticalFont.Describe(scaled_.dpi, 900, true);
  UniqueFont font(CreateFontIndirectW(&turned));
  if (!font) return;
  SelectGuard select(dc, font.get());
  SIZE size{};
  GetTextExtentPoint32W(dc, L"X", 1, &size);
  const int x0 = TitleX0(scaled_.barWidth, size.cy);
  const int y0 = TitleY0(menuHeight_, scaled_.textOffsetY, HasBitmap(), BitmapVertAlignment,
                         HasBitmap() ? bitmap_->Height() : 0);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColor = SetTextColor(dc, ColorToRGB(VerticalFont.Color));
  const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
  ExtTextOutW(dc, x0 - 1, y0, ETO_CLIPPED, &clip, VerticalText.c_str(),
              static_cast<UINT>(VerticalText.size()), nullptr);
  SetTextAlign(dc, oldAlign);
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
}
