// The screen view: the fly window follows the pointer over the whole
// screen, and on every tick the pixels under it become the device's
// graphic. Started and stopped by the system-wide hot key.
//
// [SCR] keys: "Trigger" fixed threshold in brightness units (200), "dyn"
// dynamic threshold (1), "Outline" the outline instead of the threshold
// (0), "Factor" fly window factor (5), "Alpha" the fly window's opacity
// (128).
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>

#include "camera/fly_window.h"
#include "camera/pixel_grab.h"
#include "camera/view_model.h"
#include "document/dot_page.h"

struct ScreenView {
  bool active = false;
  HWND fly = nullptr;
  int factor = 5;
  int maxFactor = 1;
  float threshold = 200.0f;
  bool dynamic = true;
  bool outline = false;
  std::optional<WindowDc> screen;      // the whole screen's surface
  PictureSurface picture;              // the 60 x 40 picture
  FlyArea capture;                     // in screen coordinates
  std::uint32_t conversions = 0;       // over the whole run: "DYN" lines for the first 100
  float scaleX = 1.0f, scaleY = 1.0f;  // display-mode pixels per desktop pixel
  PinTracker pins;
};

// Reads the settings, measures the screen, makes the picture surface and
// shows the fly window around the pointer. Does nothing while its fly
// window exists.
void StartScreenView(ScreenView& view, HWND owner, HINSTANCE instance, POINT pointer);
// Destroys the fly window and the surfaces and stores "dyn", "Outline",
// "Trigger" and "Factor".
void StopScreenView(ScreenView& view);
// One tick: a pending wheel step (consumed) changes the factor, the fly
// window moves to the pointer, and the pixels under it become the packed
// graphic of `record` (its braille cells and text stay). True when the
// pins changed.
bool TrackScreen(ScreenView& view, POINT pointer, int& wheelStep, DTM& record);
// The threshold and dynamic-mode commands: +1 / -1 / toggle (0).
void ScreenThreshold(ScreenView& view, int direction);
void ScreenDynamic(ScreenView& view);
// Outline or threshold, stored as "Outline" in [SCR].
void ScreenOutline(ScreenView& view);
void ScreenFactor(ScreenView& view, int step);
