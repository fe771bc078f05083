#include "SystemLibraries.h"
#include "Graphics.h"

LOGFONTW TFont::Describe(int dpi, int escapement, bool defaultCharset) const {
  LOGFONTW lf{};
  lf.lfHeight = PixelHeight(dpi);
  lf.lfEscapement = escapement;
  lf.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = Italic;
  lf.lfUnderline = Underline;
  lf.lfStrikeOut = StrikeOut;
  lf.lfCharSet = defaultCharset ? DEFAULT_CHARSET : Charset;
  lf.lfPitchAndFamily = Pitch == TFontPitch::fpVariable ? VARIABLE_PITCH
                        : Pitch == TFontPitch::fpFixed  ? FIXED_PITCH
                                                        : DEFAULT_PITCH;
  Name.copy(lf.lfFaceName, LF_FACESIZE - 1);
  return lf;
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  handle_.reset(bitmap);
  BITMAP info{};
  if (bitmap && GetObjectW(bitmap, sizeof info, &info)) {
    width_ = info.bmWidth;
    height_ = info.bmHeight;
  } else {
    width_ = height_ = 0;
  }
}

void TBitmap::Assign(const TBitmap& other) {
  Transparent = other.Transparent;
  SetHandle(other.handle_ ? static_cast<HBITMAP>(CopyImage(other.handle_.get(), IMAGE_BITMAP, 0, 0, 0))
                          : nullptr);
}

void TBitmap::Draw(HDC dc, int x, int y) const {
  if (!handle_) return;
  MemoryDC source(dc);
  SelectGuard select(source.get(), handle_.get());
  if (Transparent)
    lazy::TransparentBlt(dc, x, y, width_, height_, source.get(), 0, 0, width_, height_,
                         GetPixel(source.get(), 0, height_ - 1));
  else
    BitBlt(dc, x, y, width_, height_, source.get(), 0, 0, SRCCOPY);
}
