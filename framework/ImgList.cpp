#include "ImgList.h"

#include <utility>

#include "SystemLibraries.h"

namespace {
// The DC's colours for a monochrome source: its 0 bits give the text colour, its 1 bits the background.
class MonoColours {
 public:
  MonoColours(HDC dc, COLORREF zero, COLORREF one)
      : dc_(dc), text_(SetTextColor(dc, zero)), back_(SetBkColor(dc, one)) {}
  ~MonoColours() {
    SetTextColor(dc_, text_);
    SetBkColor(dc_, back_);
  }
  MonoColours(const MonoColours&) = delete;
  MonoColours& operator=(const MonoColours&) = delete;

 private:
  HDC dc_;
  COLORREF text_, back_;
};

constexpr COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255);

// Puts the colour image through its mask onto the DC: transparent pixels keep what the DC shows.
void DrawMasked(HDC dc, int x, int y, int width, int height, HDC colour, int colourX, HDC mask, int maskX) {
  {
    MonoColours opaqueBlack(dc, kBlack, kWhite);
    BitBlt(dc, x, y, width, height, mask, maskX, 0, SRCAND);
  }
  BitBlt(dc, x, y, width, height, colour, colourX, 0, SRCPAINT);
}
}  // namespace

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), designWidth_(width), designHeight_(height), width_(width), height_(height) {}

void TImageList::SetFiller(std::function<void(TImageList&)> filler) {
  filler_ = std::move(filler);
  filled_ = !filler_;
}

void TImageList::Fill() const {
  if (!std::exchange(filled_, true)) filler_(const_cast<TImageList&>(*this));
}

void TImageList::SetDpi(int dpi) {
  const int width = MulDiv(designWidth_, dpi, 96), height = MulDiv(designHeight_, dpi, 96);
  if (!filler_ || (width == width_ && height == height_)) return;
  width_ = width;
  height_ = height;
  images_.reset();
  masks_.reset();
  count_ = 0;
  filled_ = false;
}

int TImageList::Count() const {
  Fill();
  return count_;
}

int TImageList::AddMasked(HBITMAP image, COLORREF maskColor) {
  Fill();
  BITMAP info{};
  if (!image || !GetObjectW(image, sizeof info, &info)) return -1;
  const int added = info.bmWidth / width_;
  if (added <= 0) return -1;
  const int total = count_ + added;
  WindowDC screen(nullptr);
  UniqueBitmap images(CreateCompatibleBitmap(screen.get(), total * width_, height_));
  UniqueBitmap masks(CreateBitmap(total * width_, height_, 1, 1, nullptr));
  if (!images || !masks) throw EOutOfResources("image list");
  {
    MemoryDC source(screen.get()), imageDC(screen.get()), maskDC(screen.get());
    if (!source.get() || !imageDC.get() || !maskDC.get()) throw EOutOfResources("image list");
    SelectGuard selectImages(imageDC.get(), images.get());
    SelectGuard selectMasks(maskDC.get(), masks.get());
    if (count_ > 0) {
      SelectGuard selectOld(source.get(), images_.get());
      BitBlt(imageDC.get(), 0, 0, count_ * width_, height_, source.get(), 0, 0, SRCCOPY);
    }
    if (count_ > 0) {
      SelectGuard selectOld(source.get(), masks_.get());
      BitBlt(maskDC.get(), 0, 0, count_ * width_, height_, source.get(), 0, 0, SRCCOPY);
    }
    SelectGuard selectNew(source.get(), image);
    const int at = count_ * width_;
    BitBlt(imageDC.get(), at, 0, added * width_, height_, source.get(), 0, 0, SRCCOPY);
    // A colour-to-monochrome copy gives 1 for the pixels of the source's background colour.
    const COLORREF oldBack = SetBkColor(source.get(), maskColor);
    BitBlt(maskDC.get(), at, 0, added * width_, height_, source.get(), 0, 0, SRCCOPY);
    SetBkColor(source.get(), oldBack);
    // The transparent pixels of the images black, so that they add nothing when drawn.
    MonoColours transparentBlack(imageDC.get(), kWhite, kBlack);
    BitBlt(imageDC.get(), at, 0, added * width_, height_, maskDC.get(), at, 0, SRCAND);
  }
  images_ = std::move(images);
  masks_ = std::move(masks);
  const int first = count_;
  count_ = total;
  return first;
}

void TImageList::Draw(HDC dc, int x, int y, int index, bool enabled) const {
  if (index < 0 || index >= Count()) return;
  MemoryDC imageDC(dc), maskDC(dc);
  if (!imageDC.get() || !maskDC.get()) return;
  SelectGuard selectImages(imageDC.get(), images_.get());
  SelectGuard selectMasks(maskDC.get(), masks_.get());
  const int sourceX = index * width_;
  if (enabled) {
    DrawMasked(dc, x, y, width_, height_, imageDC.get(), sourceX, maskDC.get(), sourceX);
    return;
  }
  // Disabled: the image blended half and half with what lies under it, then put through its mask.
  UniqueBitmap blended(CreateCompatibleBitmap(dc, width_, height_));
  MemoryDC blendDC(dc);
  if (!blended || !blendDC.get()) return;
  SelectGuard selectBlended(blendDC.get(), blended.get());
  BitBlt(blendDC.get(), 0, 0, width_, height_, dc, x, y, SRCCOPY);
  const BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
  lazy::AlphaBlend(blendDC.get(), 0, 0, width_, height_, imageDC.get(), sourceX, 0, width_, height_, half);
  {
    MonoColours transparentBlack(blendDC.get(), kWhite, kBlack);
    BitBlt(blendDC.get(), 0, 0, width_, height_, maskDC.get(), sourceX, 0, SRCAND);
  }
  DrawMasked(dc, x, y, width_, height_, blendDC.get(), 0, maskDC.get(), sourceX);
}
