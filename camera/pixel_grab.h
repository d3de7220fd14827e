// The pixels under a fly window, read with a few block transfers: each of
// the 40 page rows takes the one source row through its middle into a
// device-independent bitmap, and the 60 pixels through the middles of its
// columns are picked from it in code. Whole source pixels are taken, never
// blended, as a stretch without blending would take them; but only 40 rows
// cross the display connection instead of the whole area, so a large area
// costs little more than a small one. A small area is read in one transfer.
// The 60 x 40 picture is kept in its own bitmap, which the camera view
// shows.
#pragma once
#include <windows.h>

#include <optional>

#include "base/owners.h"
#include "document/image_dots.h"

// A bitmap of 32 bits per pixel (blue, green, red, unused), rows from the
// top, selected into a memory surface.
struct PixelBitmap {
  std::optional<MemoryDc> dc;
  GdiObject<HBITMAP> bitmap;
  void* bits = nullptr;
  int width = 0, height = 0;
  std::optional<SelectGuard> selected;  // the bitmap in dc, put back first
};

struct PictureSurface {
  PixelBitmap page;  // 60 x 40: what was converted
  PixelBitmap rows;  // the source rows read, as wide as the area
};

// Makes the 60 x 40 surface; false (and the system's error code kept by the
// platform) when the bitmap cannot be made.
bool CreatePictureSurface(PictureSurface& surface, HDC compatible);
void ReleasePictureSurface(PictureSurface& surface);

// Reads (x, y, width, height) of `source` into the surface and the page
// picture. False when the surface is missing or a transfer failed (the
// picture is then white).
bool GrabPicture(PictureSurface& surface, HDC source, int x, int y, int width, int height, PagePicture& out);

// The source row or column whose middle a page row or column takes:
// floor((i + 0.5) * size / count).
int SampleAt(int i, int size, int count);
