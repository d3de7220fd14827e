// The arithmetic of the camera and screen views, free of the platform: the
// fly window's factor, the threshold steps, the choice of a resolution and
// the camera window's height for its aspect ratio, the slider moves, and the
// pins of a converted picture packed into the device's graphic.
#pragma once
#include <cstdint>

#include "document/image_dots.h"
#include "document/image_outline.h"

// The fly window covers (60 k) x (40 k) pixels; k runs from 1 to the
// largest factor that fits the window or screen it looks at.
constexpr int kFlyUnitWidth = kPageColumns;
constexpr int kFlyUnitHeight = kPageRows;
int MaxFactor(int width, int height);
// A wheel step (+1 or -1) added to k, kept between 1 and the maximum.
int WheelFactor(int factor, int step, int maximum);
// The factor commands: +1 while below the maximum, -1 while above 1.
int StepFactor(int factor, int step, int maximum);

// The threshold commands move by 5: up while below `upper` (the camera's
// 100 percent, the screen's 95 brightness units), down while above 5.
constexpr float kThresholdStep = 5.0f;
constexpr float kCameraThresholdUpper = 100.0f;
constexpr float kScreenThresholdUpper = 95.0f;
float StepThreshold(float threshold, int direction, float upper);

// The resolution opened for the stored index "Res": -1 (nothing stored) the
// first, an index within the list that one, anything beyond the list the
// last (the largest). An empty list gives index 0, an empty entry that keeps
// the device's format; a negative index other than -1 is taken as -1.
int ChooseResolution(int stored, int count);
// One size a camera lists (its range's largest width and height).
struct CameraResolution {
  int width = 0, height = 0;
};
// The largest of a camera's sizes: walking the list, a size becomes the
// largest when it is at least the largest so far in both width and height.
// 0 x 0 for an empty list.
CameraResolution LargestResolution(const CameraResolution* sizes, int count);
// Width x 100 / height in whole numbers, 100 for a height of 0.
float AspectPercent(int width, int height);
// The camera window's height for its width and the picture's aspect.
int HeightForAspect(int width, float aspectPercent);

// A slider move: a line or page step, or a thumb position, kept in bounds.
enum class SliderMove { kLineLeft, kLineRight, kPageLeft, kPageRight, kThumb, kNone };
struct SliderSteps {
  int line;
  int page;
  int minimum;
  int maximum;
};
int MoveSlider(int value, SliderMove move, int thumb, const SliderSteps& steps);

// The pins (0 or 1 each, 2400) packed into the device's graphic: byte
// (x / 2) + (y / 4) x 30, bit (y mod 4) + 4 x (x mod 2).
void PinsToGraphic(const std::uint8_t (&pins)[kPagePins], std::uint8_t (&graphic)[kPackedGraphic]);

// One conversion of a view: the page picture to pins, and whether they
// differ from the pins of the conversion before (the first always does).
struct PinTracker {
  std::uint8_t pins[kPagePins] = {};
  bool any = false;  // a conversion has run
};
bool ConvertPicture(const PagePicture& picture, const DotsRule& rule, PinTracker& tracker);
// The same in a mode: the threshold rule, or the picture's outline.
bool ConvertPicture(const PagePicture& picture, PictureMode mode, const DotsRule& rule, PinTracker& tracker);
