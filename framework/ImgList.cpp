#include "ImgList.h"

#include <utility>

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width), height_(height) {}

HIMAGELIST TImageList::Handle() const {
  if (list_) return list_.get();
  list_.reset(lazy::ImageList_Create(width_, height_, ILC_COLOR24 | ILC_MASK, 4, 4));
  if (!list_) throw EOutOfResources("image list");
  if (auto fill = std::exchange(filler_, nullptr)) fill(const_cast<TImageList&>(*this));
  return list_.get();
}

int TImageList::Count() const { return lazy::ImageList_GetImageCount(Handle()); }

int TImageList::AddMasked(HBITMAP image, COLORREF maskColor) {
  return lazy::ImageList_AddMasked(Handle(), image, maskColor);
}

void TImageList::Draw(HDC dc, int x, int y, int index, bool enabled) const {
  if (index < 0 || index >= Count()) return;
  if (enabled)
    lazy::ImageList_Draw(Handle(), index, dc, x, y, ILD_TRANSPARENT);
  else
    lazy::ImageList_DrawEx(Handle(), index, dc, x, y, 0, 0, CLR_NONE, CLR_DEFAULT,
                           ILD_TRANSPARENT | ILD_BLEND50);
}
