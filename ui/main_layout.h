// Where everything of the main window lies, as one function of the page's
// size in pins, the pin size in pixels, the client area and the screen's
// scaling (dots per inch; 96 is 100 percent): the program places its child
// windows and icons with it, and the tests check the real windows against
// it. The pin size is given scaled already; every other distance and size
// is one of 100 percent, scaled here. Free of platform headers.
#pragma once

#include "base/scale.h"

struct LayoutRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

constexpr int kLayoutDeviceKeys = 6;
constexpr int kLayoutPageOffset = 5;      // the page window's place, unscaled
constexpr int kLayoutIconSize = 48;       // the icons of the bar
constexpr int kLayoutSmallIconSize = 16;  // the shape arrows
// The camera area (and the icon bar's right edge) starts this far right of
// pin column 61.
constexpr int kLayoutCameraAreaGap = 150;

struct MainLayout {
  LayoutRect page;      // the pin grid
  LayoutRect textLine;  // txtwnd: the braille text line in pins
  LayoutRect deviceKeys[kLayoutDeviceKeys];
  LayoutRect cameraButton;    // cambutton
  LayoutRect languageList;    // brLngWnd
  LayoutRect gradeList;       // brGradeWnd
  LayoutRect brailleGraphic;  // brDotWnd
  LayoutRect textField;       // editWnd
  LayoutRect statusLine;      // statusWnd
  LayoutRect infoPanel;       // infoWnd
  // The icon bar between the page and the camera area.
  LayoutRect connectIcon, cameraIcon, backIcon, acceptIcon, toolIcon, shapeBackIcon, shapeForwardIcon;
};

// The main window's first size: wide enough for 61 pin columns and the
// camera area's gap, high enough for 44 pin rows of the pin size + 5.
LayoutRect MainWindowRect(int pinSize, int dpi = kBaseDpi);

// `columns` x `rows` pins of `pinSize` pixels in a client area of
// `clientWidth` x `clientHeight`.
MainLayout LayoutMain(int columns, int rows, int pinSize, int clientWidth, int clientHeight, int dpi = kBaseDpi);
