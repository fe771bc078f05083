#include "BarLayout.h"

std::uint32_t GradientRowColor(std::uint32_t start, std::uint32_t end, int y, int menuHeight) {
  if (menuHeight == 0) return start & 0xFFFFFF;
  std::uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const long long s = (start >> shift) & 0xFF;
    const long long e = (end >> shift) & 0xFF;
    // C++ division truncates toward zero, as the bands require.
    const long long channel = s + (e - s) * y / menuHeight;
    result |= static_cast<std::uint32_t>(channel & 0xFF) << shift;
  }
  return result;
}

int TitleX0(int barWidth, int textHeight) {
  // Twice the exact value is an integer: barWidth - textHeight - 1.
  const int twice = barWidth - textHeight - 1;
  const int floorHalf = twice >= 0 ? twice / 2 : -((1 - twice) / 2);
  if (twice % 2 == 0) return floorHalf;
  // An exact half: the even one of the two neighbours.
  return floorHalf % 2 == 0 ? floorHalf : floorHalf + 1;
}

int TitleY0(int menuHeight, int verticalTextOffsetY, bool hasPicture, TBitmapVertAlignment vert, int pictureHeight) {
  int y0 = menuHeight + verticalTextOffsetY;
  if (hasPicture && vert == TBitmapVertAlignment::bvaBottom) y0 -= pictureHeight;
  return y0;
}

int PictureY(int menuHeight, int offsetY, TBitmapVertAlignment vert, int pictureHeight) {
  switch (vert) {
    case TBitmapVertAlignment::bvaTop: return offsetY;
    case TBitmapVertAlignment::bvaBottom: return menuHeight + offsetY - pictureHeight;
    case TBitmapVertAlignment::bvaMiddle: break;
  }
  return (menuHeight - pictureHeight) / 2 + offsetY;
}

int PictureX(int barWidth, int offsetX, TBitmapHorzAlignment horz, int pictureWidth) {
  switch (horz) {
    case TBitmapHorzAlignment::bhaLeft: return offsetX;
    case TBitmapHorzAlignment::bhaRight: return barWidth - 2 + offsetX - pictureWidth;
    case TBitmapHorzAlignment::bhaCenter: break;
  }
  return (barWidth - 2 - pictureWidth) / 2 + offsetX;
}
