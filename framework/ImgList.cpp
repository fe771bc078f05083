#include "ImgList.h"

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width), height_(height),
      list_(ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 4, 4)) {
  if (!list_) throw EOutOfResources("image list");
}

int TImageList::Count() const { return ImageList_GetImageCount(list_.get()); }

int TImageList::AddMasked(HBITMAP image, COLORREF maskColor) {
  return ImageList_AddMasked(list_.get(), image, maskColor);
}

void TImageList::Draw(HDC dc, int x, int y, int index, bool enabled) const {
  if (index < 0 || index >= Count()) return;
  if (enabled)
    ImageList_Draw(list_.get(), index, dc, x, y, ILD_TRANSPARENT);
  else
    ImageList_DrawEx(list_.get(), index, dc, x, y, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_TRANSPARENT | ILD_BLEND50);
}
