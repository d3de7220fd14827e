// The program draws itself for each screen's scaling (per monitor): its
// window, fonts, icons and pins grow with the screen's dots per inch
// instead of being stretched by the system. The functions of newer systems
// are looked up at run time, so that the program starts where they are
// missing. The program's manifest declares the same awareness; where it
// did, the call here finds the awareness set and leaves it.
#pragma once
#include <windows.h>

#include "base/scale.h"

// Declares the process aware of each monitor's scaling (per monitor v2,
// else per monitor, else of the system's scaling); returns what it is, for
// the log ("Per-Monitor v2", ...).
const char* MakeDpiAware();
// The dots per inch the window is shown at (the system's where the system
// cannot tell per window; of the screen for no window).
UINT WindowDpi(HWND window);
