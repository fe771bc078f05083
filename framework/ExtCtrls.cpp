#include "ExtCtrls.h"

#include "Handles.h"

void TShape::SetBrushColor(std::int32_t color) {
  brushColor_ = color;
  SetBounds(left_, top_, width_, height_);  // repaints the parent
}

void TShape::Paint(HDC dc) {
  const RECT r = ScaledBounds();
  UniqueBrush brush(CreateSolidBrush(static_cast<COLORREF>(brushColor_)));
  SelectGuard b(dc, brush.get());
  SelectGuard p(dc, GetStockObject(BLACK_PEN));
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
}
