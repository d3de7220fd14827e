// Text rendered into the pins: a 60 x 44 monochrome picture whose dark
// pixels become raised pins. Rows 0..39 are the graphic; rows 40..43, the
// four rows below it, become the braille text line, pixel (x, 40 + y) the
// text pin (x, y) for x in 0..39.
#pragma once
#include <cstdint>

#include "document/dot_page.h"

constexpr int kRenderWidth = kPageColumns;            // 60
constexpr int kRenderHeight = kPageRows + kTextRows;  // 44

// `bits` holds kRenderHeight rows of `stride` bytes, one bit per pixel,
// the leftmost pixel in the most significant bit, 0 for black (as the
// platform's monochrome bitmaps store them). Every graphic pin becomes 1
// (black) or 0, whatever stroke layers it had; the text pins the same.
void PinsFromMonoImage(DotPage& page, const std::uint8_t* bits, int stride);
