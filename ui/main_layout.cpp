#include "ui/main_layout.h"

namespace {

constexpr int kMainLeft = 100, kMainTop = 20;

LayoutRect At(int x, int y, int width, int height) { return LayoutRect{x, y, x + width, y + height}; }

}  // namespace

LayoutRect MainWindowRect(int pinSize) {
  return At(kMainLeft, kMainTop, pinSize * 61 + kLayoutCameraAreaGap, (pinSize + 5) * 44);
}

MainLayout LayoutMain(int columns, int rows, int pinSize, int clientWidth, int clientHeight) {
  const int c = columns, r = rows, p = pinSize, W = clientWidth, H = clientHeight;
  MainLayout l;
  l.page = At(5, 5, c * p, r * p);
  l.textLine = At(c * p / 2 - 20 * p, r * p + 60, 40 * p + 1, 4 * p + 1);
  for (int i = 0; i < kLayoutDeviceKeys; ++i) {
    l.deviceKeys[i] = At(c * p / 2 + (i * 40 * p) / kLayoutDeviceKeys - 20 * p, r * p + 20, 5 * p, 32);
  }
  l.cameraButton = At(10, r * p + 20, 62, 42);
  l.languageList = At(56 * p, r * p + 35, W - 56 * p - 5, 36);
  l.gradeList = At(56 * p, r * p + 70, W - 56 * p - 5, 36);
  l.brailleGraphic = At(56 * p, r * p + 115, W - 56 * p - 5, 60);
  l.textField = At(c * p / 2 - 22 * p, (r + 4) * p + 72, 44 * p, 40);
  l.statusLine = At(2, H - 25, W - 6, 24);
  l.infoPanel = At(c * p + 10, 0, W - c * p - 20, 130);

  // The bar is centred between the page's right edge and the camera area.
  const int right = c * p;
  const int cameraArea = 61 * p + kLayoutCameraAreaGap;
  const int x0 = right + (cameraArea - right - kLayoutIconSize) / 2;
  const int big = kLayoutIconSize, small = kLayoutSmallIconSize;
  l.connectIcon = At(x0 - 38, 150, big, big);
  l.cameraIcon = At(x0 + 30, 150, big, big);
  l.backIcon = At(x0 - 38, 218, big, big);
  l.acceptIcon = At(x0 + 30, 218, big, big);
  l.toolIcon = At(x0, 286, big, big);
  l.shapeBackIcon = At(x0 - 32, 318, small, small);
  l.shapeForwardIcon = At(x0 + 64, 318, small, small);
  return l;
}
