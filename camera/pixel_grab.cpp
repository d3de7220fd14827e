#include "camera/pixel_grab.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kBytesPerPixel = 4;
// Up to this many source rows an area is read in one transfer; above it,
// one transfer per page row costs less than the rows in between.
constexpr int kOneTransferRows = 2 * kPageRows;

void WhitePicture(PagePicture& out) {
  for (PixelRgb& p : out.pixels) p = PixelRgb{255, 255, 255};
}

void ReleaseBitmap(PixelBitmap& b) {
  b.selected.reset();
  b.bitmap.Reset();
  b.dc.reset();
  b.bits = nullptr;
  b.width = b.height = 0;
}

bool MakeBitmap(PixelBitmap& b, HDC compatible, int width, int height) {
  ReleaseBitmap(b);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  b.bitmap.Reset(CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!b.bitmap || !bits) return false;
  b.dc.emplace(compatible);
  if (!b.dc->Get()) {
    ReleaseBitmap(b);
    return false;
  }
  b.bits = bits;
  b.width = width;
  b.height = height;
  b.selected.emplace(b.dc->Get(), b.bitmap.Get());
  return true;
}

// The rows bitmap at least width x height; it only grows.
bool RowsFor(PictureSurface& surface, int width, int height) {
  PixelBitmap& rows = surface.rows;
  if (rows.bits && rows.width >= width && rows.height >= height) return true;
  const int w = width > rows.width ? width : rows.width;
  const int h = height > rows.height ? height : rows.height;
  return MakeBitmap(rows, nullptr, w, h);
}

const std::uint8_t* RowBits(const PixelBitmap& b, int row) {
  return static_cast<const std::uint8_t*>(b.bits) + static_cast<std::ptrdiff_t>(row) * b.width * kBytesPerPixel;
}

// Reads the source rows the page rows take into the rows bitmap; returns
// which bitmap row holds page row r through `rowOf`.
bool ReadRows(PictureSurface& surface, HDC source, int x, int y, int width, int height, int (&rowOf)[kPageRows]) {
  if (height <= kOneTransferRows) {
    if (!RowsFor(surface, width, height)) return false;
    for (int r = 0; r < kPageRows; ++r) rowOf[r] = SampleAt(r, height, kPageRows);
    return BitBlt(surface.rows.dc->Get(), 0, 0, width, height, source, x, y, SRCCOPY) != FALSE;
  }
  if (!RowsFor(surface, width, kPageRows)) return false;
  for (int r = 0; r < kPageRows; ++r) {
    rowOf[r] = r;
    if (!BitBlt(surface.rows.dc->Get(), 0, r, width, 1, source, x, y + SampleAt(r, height, kPageRows), SRCCOPY))
      return false;
  }
  return true;
}

// The page rows' source rows, their columns picked into the picture.
bool GrabRows(PictureSurface& surface, HDC source, int x, int y, int width, int height) {
  int rowOf[kPageRows];
  if (!ReadRows(surface, source, x, y, width, height, rowOf)) return false;
  GdiFlush();  // the bits are read directly
  int columnOf[kPageColumns];
  for (int c = 0; c < kPageColumns; ++c) columnOf[c] = SampleAt(c, width, kPageColumns);
  auto* picture = static_cast<std::uint8_t*>(surface.page.bits);
  for (int r = 0; r < kPageRows; ++r) {
    const std::uint8_t* row = RowBits(surface.rows, rowOf[r]);
    std::uint8_t* to = picture + r * kPageColumns * kBytesPerPixel;
    for (int c = 0; c < kPageColumns; ++c)
      std::memcpy(to + c * kBytesPerPixel, row + columnOf[c] * kBytesPerPixel, kBytesPerPixel);
  }
  return true;
}

bool GrabStretched(PictureSurface& surface, HDC source, int x, int y, int width, int height) {
  HDC dc = surface.page.dc->Get();
  SetStretchBltMode(dc, COLORONCOLOR);
  if (!StretchBlt(dc, 0, 0, kPageColumns, kPageRows, source, x, y, width, height, SRCCOPY)) return false;
  GdiFlush();
  return true;
}

// Reads the area the way chosen for its size, or, while both are tried,
// the way whose turn it is, keeping its best time.
bool Grab(PictureSurface& surface, HDC source, int x, int y, int width, int height) {
  GrabChoice& c = surface.choice;
  if (c.width != width || c.height != height) {
    c = GrabChoice{width, height};
    c.trials = kGrabTries;
  } else if (c.trials == 0 && --c.untilRetry <= 0) {
    c.trials = 2;
    c.rowsMs = c.stretchMs = -1;
  }
  if (c.trials == 0) {
    return c.stretch ? GrabStretched(surface, source, x, y, width, height)
                     : GrabRows(surface, source, x, y, width, height);
  }
  const bool stretch = c.trials % 2 == 1;
  const auto start = std::chrono::steady_clock::now();
  const bool ok =
      stretch ? GrabStretched(surface, source, x, y, width, height) : GrabRows(surface, source, x, y, width, height);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  double& best = stretch ? c.stretchMs : c.rowsMs;
  if (best < 0 || ms < best) best = ms;
  if (--c.trials == 0) {
    const bool was = c.stretch;
    c.stretch = c.stretchMs < c.rowsMs;
    c.retryPeriod = c.retryPeriod == 0 || c.stretch != was ? kGrabRetry : std::min(2 * c.retryPeriod, kGrabRetryMost);
    c.untilRetry = c.retryPeriod;
  }
  return ok;
}

}  // namespace

int SampleAt(int i, int size, int count) {
  return static_cast<int>((static_cast<std::int64_t>(2 * i + 1) * size) / (2 * static_cast<std::int64_t>(count)));
}

bool CreatePictureSurface(PictureSurface& surface, HDC compatible) {
  ReleasePictureSurface(surface);
  return MakeBitmap(surface.page, compatible, kPageColumns, kPageRows);
}

void ReleasePictureSurface(PictureSurface& surface) {
  ReleaseBitmap(surface.page);
  ReleaseBitmap(surface.rows);
}

bool GrabFramePicture(PictureSurface& surface, const BITMAPINFOHEADER& frame, const void* bits, int x, int y, int width,
                      int height, PagePicture& out) {
  BITMAPINFO info = {};
  info.bmiHeader = frame;
  // A bottom-up picture is addressed from its lower left corner.
  const int fromBottom = frame.biHeight - (y + height);
  if (surface.page.dc) SetStretchBltMode(surface.page.dc->Get(), COLORONCOLOR);
  if (!surface.page.bits || !surface.page.dc || !bits || frame.biHeight <= 0 ||
      StretchDIBits(surface.page.dc->Get(), 0, 0, kPageColumns, kPageRows, x, fromBottom, width, height, bits, &info,
                    DIB_RGB_COLORS, SRCCOPY) == 0) {
    WhitePicture(out);
    return false;
  }
  GdiFlush();
  return FitToPage(PixelRows{static_cast<const std::uint8_t*>(surface.page.bits), kPageColumns, kPageRows,
                             kPageColumns * kBytesPerPixel, PixelLayout::kBgrx},
                   out);
}

bool GrabPicture(PictureSurface& surface, HDC source, int x, int y, int width, int height, PagePicture& out) {
  if (!surface.page.bits || !source || width < 1 || height < 1 || !Grab(surface, source, x, y, width, height)) {
    WhitePicture(out);
    return false;
  }
  auto* picture = static_cast<std::uint8_t*>(surface.page.bits);
  return FitToPage(PixelRows{picture, kPageColumns, kPageRows, kPageColumns * kBytesPerPixel, PixelLayout::kBgrx}, out);
}
