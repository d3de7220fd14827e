// Pictures that read by touch: instead of raising every dark pixel (the
// threshold rules of image_dots.h), raise the pins that lie on an edge of
// the picture, so that a filled shape is felt as its outline and a line
// drawing as its lines.
//
// From the page picture's brightness grid (the same v = sqrt(3 R^2) as the
// threshold rules):
//  1. the Sobel gradient magnitude of every pixel (the picture's border
//     pixels repeated outward, so the page's own edge is no edge);
//  2. a threshold that follows the picture, as the dynamic rule does: the
//     mean magnitude plus its standard deviation, never below a floor (an
//     edge is a step of at least a fifth of the full brightness), so that
//     a smooth gradient and faint noise give no pins; pixels above it are
//     edges, and edges grow into their neighbours above half of it;
//  3. of the two sides of an edge the darker one: a pin is raised where a
//     pixel at or beside an edge is darker than one of its four neighbours
//     by an eighth of the threshold, so that the outline lies on the shape
//     and a thin dark line stays itself;
//  4. thinning: pixels of bands two or more pins wide are removed as long as
//     that keeps every part connected, so that an edge is one pin wide where
//     it can be; the ends of lines and the corners of outlines stay.
#pragma once
#include <cstdint>

#include "document/image_dots.h"

// The least edge strength: a step of a fifth of the full brightness across
// one pixel, as the Sobel operator weighs it (4 times the step).
constexpr float kOutlineFloor = 4.0f * 0.2f * 441.673f;

// What one outline conversion found (for the log and the tests).
struct OutlineStats {
  float threshold = 0.0f;  // the edge threshold used
  int edges = 0;           // pixels taken as edges
  int raised = 0;          // pins raised after thinning
};

// Writes 1 (raised) or 0 into every one of the 2400 pins.
OutlineStats PictureToOutline(const PagePicture& picture, std::uint8_t (&pins)[kPagePins]);

// How a picture becomes pins: by the threshold rule of image_dots.h, or as
// its outline.
enum class PictureMode { kThreshold, kOutline };

// The picture to pins in the given mode (the rule is the threshold mode's).
void ConvertPictureMode(const PagePicture& picture, PictureMode mode, const DotsRule& rule,
                        std::uint8_t (&pins)[kPagePins]);
