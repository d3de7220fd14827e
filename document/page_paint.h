// Painting of the page: the magnified pin grid of the page window and the
// braille text line of txtwnd (and of the floating copy of it).
//
// Coordinates are those of the window rectangle, border included: the
// square of pin (x, y) is at (s·x + 1, s·y + 1), s − 2 pixels wide, with a
// grid line every s pixels; the window border lies on the outer lines.
// Everything is drawn into a memory bitmap first and reaches the screen in
// one blit, so nothing flickers. The page keeps its bitmap: a repaint
// draws only the pins whose byte changed since the last one and blits the
// rectangle around them.
#pragma once
#include <windows.h>

#include "document/dot_page.h"

// The full layout's paint: grid and pins of the page window and of txtwnd,
// all of it put on the screen. Pins are drawn again when the colours were
// read again since.
void PaintGrid(const DotPage& page, HWND pageWindow, HWND textWindow);
// The pins of the page window that changed since they were last painted,
// and those PaintPin drew, put on the screen in one blit.
void PaintPins(const DotPage& page, HWND pageWindow);
// One pin into the bitmap; a whole-page command repaints pin by pin and
// ends with a refresh, whose PaintPins shows them all at once.
void PaintPin(const DotPage& page, HWND pageWindow, int x, int y);
// The whole page window from its bitmap (its WM_PAINT).
void PaintPageWindow(const DotPage& page, HWND pageWindow);
// The text line into txtwnd or the floating copy. Unless forced, a window
// whose pins are as last painted is left alone.
void PaintTextLine(const DotPage& page, HWND window, bool force = false);
// The brush of a pin byte.
HBRUSH PinBrush(std::uint8_t pin);
// The pin cursor: a frame of kPinFrameWidth pixels on the grid lines
// around the square of pin (x, y), drawn on the window only (the bitmap
// keeps the pin); UnpaintPinFrame puts the square and its lines back.
constexpr int kPinFrameWidth = 2;
void PaintPinFrame(const DotPage& page, HWND pageWindow, int x, int y, HBRUSH brush);
void UnpaintPinFrame(const DotPage& page, HWND pageWindow, int x, int y);
// Drops the page's bitmap (when the window goes).
void ReleasePageCanvas();
