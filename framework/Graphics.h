// Fonts and pictures as values that components own and copy.
#pragma once

#include <windows.h>

#include <string>

#include "Handles.h"

using TColor = COLORREF;  // 0x00BBGGRR; clSystemColor | nn stands for system colour nn (COLOR_*)

constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clBlack = 0x000000;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;

// The RGB value GDI takes: a system colour as the system has it now, any other unchanged.
inline COLORREF ColorToRGB(TColor color) {
  return (color & 0x80000000) ? GetSysColor(static_cast<int>(color & 0xFF)) : color;
}

enum class TFontPitch { fpDefault, fpVariable, fpFixed };

struct TFont {
  std::wstring Name = L"Tahoma";
  int Height = 0;  // negative: character height in pixels at 96 dpi; 0: from Size
  int Size = 8;    // points, used when Height is 0
  TColor Color = 0;
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
  BYTE Charset = DEFAULT_CHARSET;
  TFontPitch Pitch = TFontPitch::fpDefault;

  // The height in pixels at the DPI.
  int PixelHeight(int dpi) const { return Height ? MulDiv(Height, dpi, 96) : -MulDiv(Size, dpi, 72); }
  // The font's logical description at the DPI, turned by escapement tenths of a degree.
  LOGFONTW Describe(int dpi, int escapement = 0, bool defaultCharset = false) const;
};

// A picture owned as a bitmap; copies duplicate the bitmap.
class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(const TBitmap& other) { Assign(other); }
  TBitmap& operator=(const TBitmap& other) {
    if (this != &other) Assign(other);
    return *this;
  }

  bool Empty() const { return !handle_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  HBITMAP Handle() const { return handle_.get(); }
  // Takes ownership of a bitmap.
  void SetHandle(HBITMAP bitmap);
  bool Transparent = true;  // the bottom-left pixel's colour is left out
  // Draws the picture with its top-left corner at (x, y).
  void Draw(HDC dc, int x, int y) const;

 private:
  void Assign(const TBitmap& other);
  UniqueBitmap handle_;
  int width_ = 0, height_ = 0;
};
