#include "MenuImages.h"

#include <functional>

#include "Handles.h"
#include "ImgList.h"

namespace {
constexpr COLORREF kMask = RGB(255, 0, 255);

void Fill(HDC dc, RECT r, COLORREF colour) {
  UniqueBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &r, brush.get());
}

void Disc(HDC dc, RECT r, COLORREF fill, COLORREF edge) {
  UniqueBrush brush(CreateSolidBrush(fill));
  UniquePen pen(CreatePen(PS_SOLID, 1, edge));
  SelectGuard b(dc, brush.get()), p(dc, pen.get());
  Ellipse(dc, r.left, r.top, r.right, r.bottom);
}

void Glyph(HDC dc, const wchar_t* text, COLORREF colour, int height, bool bold) {
  UniqueFont font(CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                              NONANTIALIASED_QUALITY, 0, L"Tahoma"));
  SelectGuard f(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  RECT r{0, 0, 16, 16};
  DrawTextW(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void Line(HDC dc, int width, COLORREF colour, std::initializer_list<POINT> points) {
  UniquePen pen(CreatePen(PS_SOLID, width, colour));
  SelectGuard p(dc, pen.get());
  const POINT* first = points.begin();
  MoveToEx(dc, first->x, first->y, nullptr);
  for (const POINT* q = first + 1; q != points.end(); ++q) LineTo(dc, q->x, q->y);
}

const std::function<void(HDC)> kPictures[] = {
    // Exit: a door with a red arrow leaving it.
    [](HDC dc) {
      Fill(dc, {2, 1, 10, 15}, RGB(128, 64, 0));
      Fill(dc, {3, 2, 9, 14}, RGB(200, 140, 60));
      Line(dc, 2, RGB(220, 0, 0), {{7, 8}, {14, 8}});
      Line(dc, 2, RGB(220, 0, 0), {{11, 5}, {14, 8}, {11, 11}});
    },
    // Version: a blue disc with an "i".
    [](HDC dc) {
      Disc(dc, {0, 0, 16, 16}, RGB(40, 90, 220), RGB(0, 40, 140));
      Glyph(dc, L"i", RGB(255, 255, 255), 14, true);
    },
    // Maker link: a globe.
    [](HDC dc) {
      Disc(dc, {0, 0, 16, 16}, RGB(60, 170, 230), RGB(0, 80, 140));
      Fill(dc, {3, 4, 8, 8}, RGB(40, 160, 60));
      Fill(dc, {8, 9, 13, 13}, RGB(40, 160, 60));
      Line(dc, 1, RGB(0, 80, 140), {{1, 8}, {15, 8}});
      Line(dc, 1, RGB(0, 80, 140), {{8, 1}, {8, 15}});
    },
    // Help: a yellow disc with a question mark.
    [](HDC dc) {
      Disc(dc, {0, 0, 16, 16}, RGB(250, 210, 40), RGB(160, 120, 0));
      Glyph(dc, L"?", RGB(0, 0, 128), 14, true);
    },
    // Settings: a sheet with check boxes.
    [](HDC dc) {
      Fill(dc, {1, 1, 15, 15}, RGB(90, 90, 90));
      Fill(dc, {2, 2, 14, 14}, RGB(255, 255, 255));
      for (int y : {4, 9}) {
        Fill(dc, {3, y, 6, y + 3}, RGB(0, 0, 160));
        Fill(dc, {7, y + 1, 13, y + 2}, RGB(90, 90, 90));
      }
    },
};
}  // namespace

void FillMenuImages(TImageList& images) {
  WindowDC screen(nullptr);
  for (const auto& picture : kPictures) {
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), 16, 16));
    {
      MemoryDC memory(screen.get());
      SelectGuard select(memory.get(), bitmap.get());
      Fill(memory.get(), {0, 0, 16, 16}, kMask);
      picture(memory.get());
    }
    images.AddMasked(bitmap.get(), kMask);
  }
}
