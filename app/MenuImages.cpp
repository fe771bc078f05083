#include "MenuImages.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>

#include "Handles.h"
#include "ImgList.h"

namespace {
constexpr COLORREF kMask = RGB(255, 0, 255);

// The pictures are laid out on a 16-pixel grid; each size snaps every edge to its own whole pixels, so that
// no picture is a stretched copy of another.
class Grid {
 public:
  explicit Grid(int size) : size_(size) {}
  int At(double v) const { return static_cast<int>(std::lround(v * size_ / 16.0)); }
  // A stroke of the grid's width, never thinner than one pixel.
  int Stroke(double v) const { return std::max(1, At(v)); }
  RECT Box(double l, double t, double r, double b) const { return {At(l), At(t), At(r), At(b)}; }
  int Size() const { return size_; }

 private:
  int size_;
};

void Fill(HDC dc, RECT r, COLORREF colour) {
  UniqueBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &r, brush.get());
}

RECT Inset(RECT r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

void Disc(HDC dc, RECT r, int edgeWidth, COLORREF fill, COLORREF edge) {
  UniqueBrush brush(CreateSolidBrush(fill));
  UniquePen pen(CreatePen(PS_INSIDEFRAME, edgeWidth, edge));
  SelectGuard b(dc, brush.get()), p(dc, pen.get());
  Ellipse(dc, r.left, r.top, r.right, r.bottom);
}

void Polygon(HDC dc, COLORREF colour, std::initializer_list<POINT> points) {
  UniqueBrush brush(CreateSolidBrush(colour));
  UniquePen pen(CreatePen(PS_SOLID, 1, colour));
  SelectGuard b(dc, brush.get()), p(dc, pen.get());
  ::Polygon(dc, points.begin(), static_cast<int>(points.size()));
}

void Glyph(HDC dc, const Grid& g, const wchar_t* text, COLORREF colour) {
  UniqueFont font(CreateFontW(-g.At(13), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                              NONANTIALIASED_QUALITY, 0, L"Tahoma"));
  SelectGuard f(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  RECT r{0, 0, g.Size(), g.Size()};
  DrawTextW(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

const std::function<void(HDC, const Grid&)> kPictures[] = {
    // Exit: a door with a red arrow leaving it.
    [](HDC dc, const Grid& g) {
      const RECT door = g.Box(2, 1, 10, 15);
      Fill(dc, door, RGB(128, 64, 0));
      Fill(dc, Inset(door, g.Stroke(1)), RGB(200, 140, 60));
      const int shaft = g.Stroke(2), mid = g.At(8);
      Fill(dc, {g.At(6), mid - shaft / 2, g.At(11.5), mid - shaft / 2 + shaft}, RGB(220, 0, 0));
      Polygon(dc, RGB(220, 0, 0), {{g.At(10.5), g.At(4)}, {g.At(15) - 1, mid}, {g.At(10.5), g.At(12)}});
    },
    // Version: a blue disc with an "i".
    [](HDC dc, const Grid& g) {
      Disc(dc, g.Box(0, 0, 16, 16), g.Stroke(1), RGB(40, 90, 220), RGB(0, 40, 140));
      Glyph(dc, g, L"i", RGB(255, 255, 255));
    },
    // Maker link: a globe.
    [](HDC dc, const Grid& g) {
      Disc(dc, g.Box(0, 0, 16, 16), g.Stroke(1), RGB(60, 170, 230), RGB(0, 80, 140));
      Fill(dc, g.Box(3, 4, 8, 8), RGB(40, 160, 60));
      Fill(dc, g.Box(8, 9, 13, 13), RGB(40, 160, 60));
      const int line = g.Stroke(1), mid = g.At(8) - line / 2;
      Fill(dc, {g.At(1), mid, g.At(15), mid + line}, RGB(0, 80, 140));
      Fill(dc, {mid, g.At(1), mid + line, g.At(15)}, RGB(0, 80, 140));
    },
    // Help: a yellow disc with a question mark.
    [](HDC dc, const Grid& g) {
      Disc(dc, g.Box(0, 0, 16, 16), g.Stroke(1), RGB(250, 210, 40), RGB(160, 120, 0));
      Glyph(dc, g, L"?", RGB(0, 0, 128));
    },
    // Settings: a sheet with check boxes.
    [](HDC dc, const Grid& g) {
      const RECT sheet = g.Box(1, 1, 15, 15);
      Fill(dc, sheet, RGB(90, 90, 90));
      Fill(dc, Inset(sheet, g.Stroke(1)), RGB(255, 255, 255));
      for (double y : {4.0, 9.0}) {
        Fill(dc, g.Box(3, y, 6, y + 3), RGB(0, 0, 160));
        const int line = g.Stroke(1), mid = g.At(y + 1.5) - line / 2;
        Fill(dc, {g.At(7), mid, g.At(13), mid + line}, RGB(90, 90, 90));
      }
    },
};
}  // namespace

void FillMenuImages(TImageList& images) {
  const int width = images.Width(), height = images.Height();
  const Grid grid(std::min(width, height));
  WindowDC screen(nullptr);
  for (const auto& picture : kPictures) {
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    {
      MemoryDC memory(screen.get());
      SelectGuard select(memory.get(), bitmap.get());
      Fill(memory.get(), {0, 0, width, height}, kMask);
      picture(memory.get(), grid);
    }
    images.AddMasked(bitmap.get(), kMask);
  }
}
