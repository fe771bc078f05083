// Image lists: small masked images drawn by index (menus, actions).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "Classes.h"

struct ImageListDestroyer {
  void operator()(HIMAGELIST h) const {
    if (h) ImageList_Destroy(h);
  }
};
using UniqueImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDestroyer>;

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner, int width = 16, int height = 16);

  HIMAGELIST Handle() const { return list_.get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const;

  // Adds one image; pixels of maskColor become transparent. Returns its index.
  int AddMasked(HBITMAP image, COLORREF maskColor);
  // Draws an image; a disabled one is drawn blended with the background.
  void Draw(HDC dc, int x, int y, int index, bool enabled = true) const;

 private:
  int width_, height_;
  UniqueImageList list_;
};
