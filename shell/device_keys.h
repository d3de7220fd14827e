// The device's key bits and the commands they raise in the main window.
// Free of platform headers so that it is checked natively.
#pragma once
#include <cstdint>

#include "shell/commands.h"

// BUTTON0..BUTTON5 for the six single-key codes, 0 for any other code.
constexpr int DeviceKeyCommand(std::uint16_t code) {
  switch (code) {
    case 0x0004: return BUTTON0;
    case 0x8000: return BUTTON1;
    case 0x4000: return BUTTON2;
    case 0x2000: return BUTTON3;
    case 0x1000: return BUTTON4;
    case 0x0002: return BUTTON5;
    default: return 0;
  }
}

// Decides whether a CMD_REFRESH lays the window out again and counts the
// countdown down: lParam 1 always does; any other value does when the
// countdown was 0 before this request. On a layout the countdown restarts
// at the period.
constexpr bool RefreshNeedsLayout(int& countdown, int period, long lParam) {
  bool layout = lParam == 1 || countdown == 0;
  if (layout) {
    countdown = period;
  } else {
    --countdown;
  }
  return layout;
}
