// The device's key bits and the commands they raise in the main window.
// Free of platform headers so that it is checked natively.
#pragma once
#include <cstdint>

#include "base/commands.h"
#include "device/device_session.h"

// BUTTON0..BUTTON5 for the six single-key codes, 0 for any other code.
constexpr int DeviceKeyCommand(std::uint16_t code) {
  switch (code) {
    case kKeyButton0: return BUTTON0;
    case kKeyButton1: return BUTTON1;
    case kKeyButton2: return BUTTON2;
    case kKeyButton3: return BUTTON3;
    case kKeyButton4: return BUTTON4;
    case kKeyButton5: return BUTTON5;
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

// Browsing the typed text on the pins with the device keys BUTTON1 ..
// BUTTON4 (key 1 .. 4): what to render and where the character cursor
// goes. An empty text renders nothing; a cursor beyond the text (the text
// got shorter) is taken back to its end first.
enum class BrowseRender { kNothing, kText, kChar };
struct BrowseStep {
  BrowseRender render;
  int at;  // kText: the text from this index; kChar: the character at it
};

constexpr BrowseStep BrowseText(int key, int length, int& position) {
  if (length <= 0) {
    position = 0;
    return {BrowseRender::kNothing, 0};
  }
  if (position < 0) position = 0;
  if (position > length) position = length;
  switch (key) {
    case 1:  // text back
      if (position > 0) --position;
      return {BrowseRender::kText, position};
    case 2: {  // the character before the cursor
      if (position < 1) position = length;
      const int at = position - 1;
      --position;
      return {BrowseRender::kChar, at};
    }
    case 3:  // the character after the cursor, from the start after the last
      if (position < length - 1) {
        ++position;
        return {BrowseRender::kChar, position};
      }
      position = 0;
      return {BrowseRender::kChar, 0};
    case 4:  // text forward
      if (position < length - 4) {
        ++position;
      } else {
        position = 0;
      }
      return {BrowseRender::kText, position};
    default: return {BrowseRender::kNothing, 0};
  }
}
