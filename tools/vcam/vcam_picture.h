// The camera's test picture: red grows from left to right, green from top
// to bottom, blue counts the frames; the top-left eighth is white, so that a
// flipped picture shows where its corner went.
#pragma once
#include <windows.h>

#include <cstddef>
#include <vector>

struct VcamRgb {
  BYTE r, g, b;
};

// Colour of pixel (x, y), counted from the top left, of a width x height
// picture at frame `frame`.
VcamRgb VcamPicturePixel(LONG x, LONG y, LONG width, LONG height, unsigned frame);

// Writes the picture in the header's layout (24-bit RGB, bottom-up for a
// positive height; YUY2) into data, at most `bytes` bytes. flip: bit 0
// mirrors left-right, bit 1 top-bottom. Returns the bytes of one image, 0
// for a layout it cannot write or a buffer too small.
std::size_t VcamFillPicture(BYTE* data, std::size_t bytes, const BITMAPINFOHEADER& header, unsigned frame, LONG flip);

// The picture (frame 0) of width x height as a JPEG file in memory, made
// with WIC's encoder (full Huffman tables); empty when that fails. Needs COM
// on the calling thread.
std::vector<BYTE> VcamEncodeJpeg(LONG width, LONG height);
