#include "camera/pixel_grab.h"

namespace {

constexpr int kBytesPerPixel = 4;

void WhitePicture(PagePicture& out) {
  for (PixelRgb& p : out.pixels) p = PixelRgb{255, 255, 255};
}

}  // namespace

bool CreatePictureSurface(PictureSurface& surface, HDC compatible) {
  ReleasePictureSurface(surface);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kPageColumns;
  info.bmiHeader.biHeight = -kPageRows;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  surface.bitmap.Reset(CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!surface.bitmap || !bits) return false;
  surface.dc.emplace(compatible);
  if (!surface.dc->Get()) {
    ReleasePictureSurface(surface);
    return false;
  }
  surface.bits = bits;
  surface.selected.emplace(surface.dc->Get(), surface.bitmap.Get());
  // Whole source pixels are taken, never blended: a black edge stays black.
  SetStretchBltMode(surface.dc->Get(), COLORONCOLOR);
  return true;
}

void ReleasePictureSurface(PictureSurface& surface) {
  surface.selected.reset();
  surface.bitmap.Reset();
  surface.dc.reset();
  surface.bits = nullptr;
}

bool GrabFramePicture(PictureSurface& surface, const BITMAPINFOHEADER& frame, const void* bits, int x, int y, int width,
                      int height, PagePicture& out) {
  BITMAPINFO info = {};
  info.bmiHeader = frame;
  // A bottom-up picture is addressed from its lower left corner.
  const int fromBottom = frame.biHeight - (y + height);
  if (!surface.bits || !surface.dc || !bits || frame.biHeight <= 0 ||
      StretchDIBits(surface.dc->Get(), 0, 0, kPageColumns, kPageRows, x, fromBottom, width, height, bits, &info,
                    DIB_RGB_COLORS, SRCCOPY) == 0) {
    WhitePicture(out);
    return false;
  }
  GdiFlush();
  return FitToPage(PixelRows{static_cast<const std::uint8_t*>(surface.bits), kPageColumns, kPageRows,
                             kPageColumns * kBytesPerPixel, PixelLayout::kBgrx},
                   out);
}

bool GrabPicture(PictureSurface& surface, HDC source, int x, int y, int width, int height, PagePicture& out) {
  if (!surface.bits || !surface.dc || !source ||
      !StretchBlt(surface.dc->Get(), 0, 0, kPageColumns, kPageRows, source, x, y, width, height, SRCCOPY)) {
    WhitePicture(out);
    return false;
  }
  GdiFlush();  // the bits are read directly
  return FitToPage(PixelRows{static_cast<const std::uint8_t*>(surface.bits), kPageColumns, kPageRows,
                             kPageColumns * kBytesPerPixel, PixelLayout::kBgrx},
                   out);
}
