// The pixels under a fly window, read in one of two ways, each taking whole
// source pixels, never blending them:
// - rows: each of the 40 page rows takes the one source row through its
//   middle into a device-independent bitmap, one transfer a row, and the 60
//   pixels through the middles of its columns are picked from it in code.
//   Only 40 rows cross the display connection, so a large area costs little
//   more than a small one (a small area is read in one transfer);
// - stretch: the platform stretches the whole area into the 60 x 40 picture
//   in one call, which is fast where the platform reads the screen through
//   shared memory, and slow where every pixel of the area crosses.
// The first grabs of an area's size try both in turn and keep the faster.
// The platform's reads can get faster later (the stretch of an area, once
// the platform has served a larger one), so each way is tried once again
// after kGrabRetry grabs, then after twice as many while the choice holds,
// up to kGrabRetryMost.
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

// Which way an area's size is read: tried in turn, then chosen.
struct GrabChoice {
  int width = 0, height = 0;
  int trials = 0;                      // left before the next choice
  double rowsMs = -1, stretchMs = -1;  // the best time of each in these trials
  bool stretch = false;                // the choice while no trials are left
  int untilRetry = 0;                  // grabs before the next trials
  int retryPeriod = 0;
};
constexpr int kGrabTries = 6;
constexpr int kGrabRetry = 200;
constexpr int kGrabRetryMost = 6400;

struct PictureSurface {
  PixelBitmap page;  // 60 x 40: what was converted
  PixelBitmap rows;  // the source rows read, as wide as the area
  GrabChoice choice;
};

// Makes the 60 x 40 surface; false (and the system's error code kept by the
// platform) when the bitmap cannot be made.
bool CreatePictureSurface(PictureSurface& surface, HDC compatible);
void ReleasePictureSurface(PictureSurface& surface);

// Reads (x, y, width, height) of `source` into the surface and the page
// picture. False when the surface is missing or a transfer failed (the
// picture is then white).
bool GrabPicture(PictureSurface& surface, HDC source, int x, int y, int width, int height, PagePicture& out);

// The same from a frame (a 24-bit picture, rows from the bottom, as the
// capture library copies it): (x, y, width, height) counted from its top
// left, stretched into the surface the way GrabPicture stretches the
// screen.
bool GrabFramePicture(PictureSurface& surface, const BITMAPINFOHEADER& frame, const void* bits, int x, int y, int width,
                      int height, PagePicture& out);

// The source row or column whose middle a page row or column takes:
// floor((i + 0.5) * size / count).
int SampleAt(int i, int size, int count);
