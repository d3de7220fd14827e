// The fly window: a borderless, layered, click-through window that marks
// the area turned into pins. Only its rim is window, half transparent: the
// inside is cut out of its region (a colour key would do the same on a
// desktop with composition, but without it the keyed pixels show black), and
// the rim lies just outside the marked area, so the window never covers a
// pixel that is read.
#pragma once
#include <windows.h>

// An area in screen coordinates: position and size.
struct FlyArea {
  int x = 0, y = 0, width = 0, height = 0;
};

// Pixels of the rim on each side of the marked area.
constexpr int kFlyRim = 2;

struct FlyLook {
  BYTE alpha;  // opacity of the rim
  bool topmost;
};

// Creates the window, owned by `owner`, around `area`; null on failure.
HWND CreateFlyWindow(HWND owner, HINSTANCE instance, const FlyArea& area, const FlyLook& look);
// Moves it around a new area (without activating it).
void MoveFlyWindow(HWND fly, const FlyArea& area);
// The area around a pointer: 60 k x 40 k pixels centred on it.
FlyArea FlyAreaAt(POINT pointer, int factor);
