// Image lists: small masked images drawn by index (menus, actions). The
// images sit side by side in one bitmap, their masks in a monochrome one,
// both owned here: no bitmap of the list is ever deleted while a device
// context holds it.
#pragma once

#include <windows.h>

#include <functional>

#include "Classes.h"
#include "Handles.h"

class TImageList : public TComponent {
 public:
  // The size is in design pixels (96 dpi).
  explicit TImageList(TComponent* owner, int width = 16, int height = 16);

  // The size of the images now, in pixels.
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const;
  // The images come from the filler, called at the list's first use: a list that is never shown costs
  // nothing. It draws them at the list's size.
  void SetFiller(std::function<void(TImageList&)> filler);
  // The images at the DPI: a list with a filler has them drawn again at the size scaled to it.
  void SetDpi(int dpi);

  // Adds the images of the bitmap (as many as its width holds); pixels of
  // maskColor become transparent. Returns the index of the first, -1 if none.
  int AddMasked(HBITMAP image, COLORREF maskColor);
  // Draws an image; a disabled one is drawn at half strength over the background.
  void Draw(HDC dc, int x, int y, int index, bool enabled = true) const;

 private:
  int designWidth_, designHeight_;
  int width_, height_;
  void Fill() const;
  int count_ = 0;
  std::function<void(TImageList&)> filler_;
  mutable bool filled_ = true;  // until a filler is set
  UniqueBitmap images_;  // transparent pixels black
  UniqueBitmap masks_;   // 1 where transparent
};
