#include "camera/view_model.h"

#include <algorithm>
#include <cstring>

int MaxFactor(int width, int height) { return std::min(width / kFlyUnitWidth, height / kFlyUnitHeight); }

int WheelFactor(int factor, int step, int maximum) {
  const int k = factor + step;
  if (k > maximum) return std::max(maximum, 1);
  return std::max(k, 1);
}

int StepFactor(int factor, int step, int maximum) {
  if (step > 0 && factor < maximum) return factor + 1;
  if (step < 0 && factor > 1) return factor - 1;
  return factor;
}

float StepThreshold(float threshold, int direction, float upper) {
  if (direction > 0 && threshold < upper) return threshold + kThresholdStep;
  if (direction < 0 && threshold > kThresholdStep) return threshold - kThresholdStep;
  return threshold;
}

int ChooseResolution(int stored, int count) {
  if (stored < 0 || count <= 0) return 0;
  return stored < count ? stored : count - 1;
}

CameraResolution LargestResolution(const CameraResolution* sizes, int count) {
  CameraResolution largest;
  for (int i = 0; sizes && i < count; ++i)
    if (sizes[i].width >= largest.width && sizes[i].height >= largest.height) largest = sizes[i];
  return largest;
}

float AspectPercent(int width, int height) {
  if (height == 0) return 100.0f;
  return static_cast<float>((static_cast<std::int64_t>(width) * 100) / height);
}

int HeightForAspect(int width, float aspectPercent) {
  if (aspectPercent <= 0.0f) return width;
  return static_cast<int>((static_cast<float>(width) * 100.0f) / aspectPercent);
}

int MoveSlider(int value, SliderMove move, int thumb, const SliderSteps& steps) {
  switch (move) {
    case SliderMove::kLineLeft: value -= steps.line; break;
    case SliderMove::kLineRight: value += steps.line; break;
    case SliderMove::kPageLeft: value -= steps.page; break;
    case SliderMove::kPageRight: value += steps.page; break;
    case SliderMove::kThumb: value = thumb; break;
    case SliderMove::kNone: break;
  }
  return std::clamp(value, steps.minimum, std::max(steps.minimum, steps.maximum));
}

void PinsToGraphic(const std::uint8_t (&pins)[kPagePins], std::uint8_t (&graphic)[kPackedGraphic]) {
  std::memset(graphic, 0, sizeof graphic);
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x)
      if (pins[y * kPageColumns + x])
        graphic[PackedByte(x, y)] = static_cast<std::uint8_t>(graphic[PackedByte(x, y)] | (1u << PackedBit(x, y)));
}

bool ConvertPicture(const PagePicture& picture, const DotsRule& rule, PinTracker& tracker) {
  return ConvertPicture(picture, PictureMode::kThreshold, rule, tracker);
}

bool ConvertPicture(const PagePicture& picture, PictureMode mode, const DotsRule& rule, PinTracker& tracker) {
  std::uint8_t pins[kPagePins];
  ConvertPictureMode(picture, mode, rule, pins);
  const bool changed = !tracker.any || std::memcmp(pins, tracker.pins, sizeof pins) != 0;
  std::memcpy(tracker.pins, pins, sizeof pins);
  tracker.any = true;
  return changed;
}
