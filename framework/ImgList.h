// Image lists: small masked images drawn by index (menus, actions).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>

#include "SystemLibraries.h"
#include "Classes.h"

struct ImageListDestroyer {
  void operator()(HIMAGELIST h) const {
    if (h) lazy::ImageList_Destroy(h);
  }
};
using UniqueImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDestroyer>;

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner, int width = 16, int height = 16);

  // The list is made, and filled by the filler if one is set, at its first use.
  void SetFiller(std::function<void(TImageList&)> filler) { filler_ = std::move(filler); }
  HIMAGELIST Handle() const;
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const;

  // Adds one image; pixels of maskColor become transparent. Returns its index.
  int AddMasked(HBITMAP image, COLORREF maskColor);
  // Draws an image; a disabled one is drawn blended with the background.
  void Draw(HDC dc, int x, int y, int index, bool enabled = true) const;

 private:
  int width_, height_;
  mutable UniqueImageList list_;
  mutable std::function<void(TImageList&)> filler_;
};
