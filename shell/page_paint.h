// Plain painting of the page: grid lines and the pins in their colours.
#pragma once
#include <windows.h>

#include "document/dot_page.h"

// Grid of the page window and of txtwnd, then every pin.
void PaintGrid(const DotPage& page, HWND pageWindow, HWND textWindow);
void PaintPins(const DotPage& page, HWND pageWindow);
void PaintPin(const DotPage& page, HWND pageWindow, int x, int y);
void PaintTextLine(const DotPage& page, HWND window);
// The brush of a pin byte.
HBRUSH PinBrush(std::uint8_t pin);
