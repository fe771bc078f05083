// Shapes drawn on their parent.
#pragma once

#include <cstdint>

#include "Controls.h"

// A rectangle filled with its brush colour and outlined in black.
class TShape : public TControl {
 public:
  explicit TShape(TComponent* owner) : TControl(owner) {}
  std::int32_t BrushColor() const { return brushColor_; }
  void SetBrushColor(std::int32_t color);
  void Paint(HDC dc) override;

 private:
  std::int32_t brushColor_ = 0x00FFFFFF;  // white, as a COLORREF
};
