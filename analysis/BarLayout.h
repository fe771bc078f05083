// Arithmetic of the side-bar popup menu: the gradient band of each pixel row
// and where the title and the picture go. Colours are 0x00BBGGRR values.
#pragma once

#include <cstdint>

enum class TBitmapVertAlignment { bvaTop, bvaBottom, bvaMiddle };
enum class TBitmapHorzAlignment { bhaLeft, bhaRight, bhaCenter };

// Colour of pixel row y of a bar menuHeight pixels high: per channel
// S + (E - S) * y / menuHeight, truncating toward zero. A height of 0 gives
// the start colour.
std::uint32_t GradientRowColor(std::uint32_t start, std::uint32_t end, int y, int menuHeight);

// X0 of the upward title: (barWidth - textHeight) / 2 - 0.5, halves to even.
int TitleX0(int barWidth, int textHeight);

// Y0 where the title starts (its baseline corner), counted from the top.
int TitleY0(int menuHeight, int verticalTextOffsetY, bool hasPicture, TBitmapVertAlignment vert, int pictureHeight);

// Top-left corner of the picture on the bar.
int PictureY(int menuHeight, int offsetY, TBitmapVertAlignment vert, int pictureHeight);
int PictureX(int barWidth, int offsetX, TBitmapHorzAlignment horz, int pictureWidth);
