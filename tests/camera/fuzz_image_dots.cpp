#include <cstdint>
#include <vector>

#include "camera/view_model.h"

// The first four bytes give a picture's size (1 to 100 on each side) and
// its pixel layout, the rest its pixels (repeated as needed). Every fit
// stays inside the page picture and every rule writes 0 or 1.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const int width = data[0] % 100 + 1, height = data[1] % 100 + 1;
  const PixelLayout layout = data[2] & 1 ? PixelLayout::kBgra : PixelLayout::kBgrx;
  const float percent = static_cast<float>(data[3] % 101);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = data[4 + i % (size - 4)];
  PagePicture picture;
  if (!FitToPage(PixelRows{pixels.data(), width, height, width * 4, layout}, picture)) __builtin_trap();
  PinTracker tracker;
  std::uint8_t graphic[kPackedGraphic];
  for (DotsMode mode : {DotsMode::kFixed, DotsMode::kDynamicCamera, DotsMode::kDynamicScreen}) {
    ConvertPicture(picture, DotsRule{mode, ThresholdFromPercent(percent)}, tracker);
    for (std::uint8_t pin : tracker.pins)
      if (pin > 1) __builtin_trap();
    PinsToGraphic(tracker.pins, graphic);
  }
  return 0;
}
