// Further controls: the shape.
#pragma once

#include "Controls.h"

// A filled figure without a window; its brush colour is a 32-bit colour value.
class TShape : public TControl {
 public:
  using TControl::TControl;
  int BrushColor() const { return brushColor_; }
  void SetBrushColor(int color) { brushColor_ = color; }

 private:
  int brushColor_ = 0xFFFFFF;
};
