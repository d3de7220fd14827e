// The pixels under a fly window, read in one block transfer: the area is
// stretched down to 60 x 40 into a device-independent bitmap (32 bits per
// pixel, rows from the top) whose bits are then read as the page picture.
#pragma once
#include <windows.h>

#include <optional>

#include "base/owners.h"
#include "document/image_dots.h"

struct PictureSurface {
  std::optional<MemoryDc> dc;
  GdiObject<HBITMAP> bitmap;
  void* bits = nullptr;                 // 60 x 40 pixels, blue, green, red, unused
  std::optional<SelectGuard> selected;  // the bitmap in dc, put back first
};

// Makes the 60 x 40 surface; false (and the system's error code kept by the
// platform) when the bitmap cannot be made.
bool CreatePictureSurface(PictureSurface& surface, HDC compatible);
void ReleasePictureSurface(PictureSurface& surface);

// Stretches (x, y, width, height) of `source` into the surface and reads the
// page picture. False when the surface is missing or the transfer failed
// (the picture is then white).
bool GrabPicture(PictureSurface& surface, HDC source, int x, int y, int width, int height, PagePicture& out);

// The same from a frame (a 24-bit picture, rows from the bottom, as the
// capture library copies it): (x, y, width, height) counted from its top
// left, stretched into the surface the way GrabPicture stretches the
// screen.
bool GrabFramePicture(PictureSurface& surface, const BITMAPINFOHEADER& frame, const void* bits, int x, int y, int width,
                      int height, PagePicture& out);
