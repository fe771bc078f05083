#include "BarLayout.h"

#include <gtest/gtest.h>

TEST(GradientRowColor, BandsTruncateTowardZeroPerChannel) {
  struct Row {
    std::uint32_t start, end;
    int y, height;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {0xFF0000, 0, 0, 111, 0xFF0000},      // top row is exactly the start colour
      {0xFF0000, 0, 1, 111, 0xFD0000},      // -255 / 111 truncates to -2
      {0xFF0000, 0, 111, 111, 0x000000},    // last row exactly the end colour
      {0xFF0000, 0, 55, 111, 0x810000},     // 255 - 14025 / 111 = 255 - 126
      {0x000000, 0x0000FF, 1, 111, 0x000002},
      {0x10FF20, 0x20000F, 50, 100, 0x188018},  // per channel: r 32 - 17*50/100 (-8), g 255-127, b 16+8
      {0x123456, 0x123456, 7, 20, 0x123456},
      {0xFF0000, 0, 5, 0, 0xFF0000},        // no height: no division
  };
  for (const Row& r : rows)
    EXPECT_EQ(GradientRowColor(r.start, r.end, r.y, r.height), r.expected)
        << std::hex << r.start << "->" << r.end << " row " << std::dec << r.y << "/" << r.height;
}

TEST(TitleX0, RoundsHalvesToEven) {
  const struct {
    int textHeight, x0;
  } rows[] = {{21, 4}, {20, 5}, {19, 6}, {17, 6}, {18, 6}, {16, 7}, {31, 0}, {32, -1}, {34, -2}, {36, -3}};
  for (const auto& r : rows) EXPECT_EQ(TitleX0(31, r.textHeight), r.x0) << "height " << r.textHeight;
}

TEST(TitleAndPicturePlacement, FollowTheMenuBottomAndAlignment) {
  using enum TBitmapVertAlignment;
  using enum TBitmapHorzAlignment;
  // No picture: the title starts 6 above the bottom, whatever the alignment.
  EXPECT_EQ(TitleY0(200, -6, false, bvaBottom, 40), 194);
  // A 40-high picture at the bottom: it ends at the bottom, the title 46 above it.
  EXPECT_EQ(PictureY(200, 0, bvaBottom, 40) + 40, 200);
  EXPECT_EQ(TitleY0(200, -6, true, bvaBottom, 40), 200 - 46);
  EXPECT_EQ(TitleY0(200, -6, true, bvaTop, 40), 194);
  EXPECT_EQ(TitleY0(200, -6, true, bvaMiddle, 40), 194);

  EXPECT_EQ(PictureY(200, 3, bvaTop, 40), 3);
  EXPECT_EQ(PictureY(201, 0, bvaMiddle, 40), 80);
  EXPECT_EQ(PictureY(30, 0, bvaMiddle, 41), -5);  // truncation toward zero, not floor
  EXPECT_EQ(PictureY(200, -2, bvaBottom, 40), 158);

  EXPECT_EQ(PictureX(31, 1, bhaLeft, 20), 1);
  EXPECT_EQ(PictureX(31, 0, bhaRight, 20), 9);
  EXPECT_EQ(PictureX(31, 0, bhaCenter, 20), 4);
  EXPECT_EQ(PictureX(31, 0, bhaCenter, 34), -2);  // -5 / 2 truncates to -2
}
