// Text rendered into the pins: a 60 x 44 monochrome picture whose dark
// pixels in rows 0..39 become the raised graphic pins. The rows below them
// hold nothing the device needs: the braille text line keeps the cells the
// translator made for the typed text, so that the device's braille line
// goes on showing the text while the graphic shows it large.
#pragma once
#include <cstdint>

#include "document/dot_page.h"

constexpr int kRenderWidth = kPageColumns;            // 60
constexpr int kRenderHeight = kPageRows + kTextRows;  // 44

// `bits` holds kRenderHeight rows of `stride` bytes, one bit per pixel,
// the leftmost pixel in the most significant bit, 0 for black (as the
// platform's monochrome bitmaps store them). Every graphic pin becomes 1
// (black) or 0, whatever stroke layers it had; the text pins stay.
void PinsFromMonoImage(DotPage& page, const std::uint8_t* bits, int stride);
