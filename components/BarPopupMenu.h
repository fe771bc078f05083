// A popup menu with a vertical bar down its left edge: a colour gradient, a
// title written upwards and an optional picture. Each owner-drawn item paints
// the slice of the bar beside it, at every draw; the measuring pass adds up
// the height first. Sizes are in pixels at 96 dpi: each popup scales them to
// the DPI of the monitor it opens on.
#pragma once

#include <memory>
#include <string>

#include "BarLayout.h"
#include "Graphics.h"
#include "Menus.h"

class TBarPopupMenu : public TPopupMenu {
 public:
  explicit TBarPopupMenu(TComponent* owner);
  ~TBarPopupMenu() override;

  void PopupAt(int x, int y) override;

  // The picture, created empty (transparent) on first use.
  TBitmap& Bitmap();
  void SetBitmap(const TBitmap& bitmap) { Bitmap() = bitmap; }
  bool HasBitmap() const { return bitmap_ && !bitmap_->Empty(); }
  // The picture's own flag; false and unchangeable while there is no picture object.
  bool Transparent() const { return bitmap_ && bitmap_->Transparent; }
  void SetTransparent(bool on) {
    if (bitmap_) bitmap_->Transparent = on;
  }

  int BarWidth = 31;
  int BitmapOffsetX = 0;
  int BitmapOffsetY = 0;
  TBitmapVertAlignment BitmapVertAlignment = TBitmapVertAlignment::bvaBottom;
  TBitmapHorzAlignment BitmapHorzAlignment = TBitmapHorzAlignment::bhaLeft;
  TColor GradientEnd = 0;
  TColor GradientStart = 0xFF0000;
  TFont VerticalFont;
  std::wstring VerticalText;
  int VerticalTextOffsetY = -6;

  // State of the current popup. BarDrawn: the last item, and so the whole bar, has been drawn once.
  int MenuHeight() const { return menuHeight_; }
  bool BarDrawn() const { return barDrawn_; }

 private:
  void MeasureStep(TMenuItem* item, HDC dc, int& width, int& height);
  void DrawStep(TMenuItem* item, HDC dc, RECT rect, UINT state);
  void DrawBarSlice(HDC dc, const RECT& rect) const;
  void PaintBarSlice(HDC dc, const RECT& rect) const;
  void DrawTitle(HDC dc, const RECT& clip) const;

  std::unique_ptr<TBitmap> bitmap_;
  int menuHeight_ = 0;
  bool barDrawn_ = false;
  struct PopupScale {
    int dpi = 96, barWidth = 31, offsetX = 0, offsetY = 0, textOffsetY = -6;
  } scaled_;
};
