// Sizes in pixels at the platform's base of 96 dots per inch, scaled to a
// screen's dots per inch (150 percent scaling is 144). Free of platform
// headers.
#pragma once

constexpr int kBaseDpi = 96;

// `value` base pixels at `dpi`, rounded to the nearest pixel.
constexpr int ScaleToDpi(int value, int dpi) {
  return dpi == kBaseDpi ? value : (value * dpi + (value >= 0 ? kBaseDpi / 2 : -kBaseDpi / 2)) / kBaseDpi;
}
