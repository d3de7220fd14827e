#include "ui/main_layout.h"

namespace {

constexpr int kMainLeft = 100, kMainTop = 20;

LayoutRect At(int x, int y, int width, int height) { return LayoutRect{x, y, x + width, y + height}; }

}  // namespace

LayoutRect MainWindowRect(int pinSize, int dpi) {
  return At(kMainLeft, kMainTop, pinSize * 61 + ScaleToDpi(kLayoutCameraAreaGap, dpi),
            (pinSize + ScaleToDpi(5, dpi)) * 44);
}

MainLayout LayoutMain(int columns, int rows, int pinSize, int clientWidth, int clientHeight, int dpi) {
  const int c = columns, r = rows, p = pinSize, W = clientWidth, H = clientHeight;
  auto S = [dpi](int base) { return ScaleToDpi(base, dpi); };
  MainLayout l;
  // The page lies where the mouse's mapping to pins expects it, whatever
  // the scaling (kPageOffset of the drawing tools).
  l.page = At(kLayoutPageOffset, kLayoutPageOffset, c * p, r * p);
  l.textLine = At(c * p / 2 - 20 * p, r * p + S(60), 40 * p + 1, 4 * p + 1);
  for (int i = 0; i < kLayoutDeviceKeys; ++i) {
    l.deviceKeys[i] = At(c * p / 2 + (i * 40 * p) / kLayoutDeviceKeys - 20 * p, r * p + S(20), 5 * p, S(32));
  }
  l.cameraButton = At(S(10), r * p + S(20), S(62), S(42));
  l.languageList = At(56 * p, r * p + S(35), W - 56 * p - S(5), S(36));
  // The grade list right below, sharing the language list's border line.
  l.gradeList = At(56 * p, l.languageList.bottom - 1, W - 56 * p - S(5), S(36));
  l.brailleGraphic = At(56 * p, r * p + S(115), W - 56 * p - S(5), S(60));
  l.textField = At(c * p / 2 - 22 * p, (r + 4) * p + S(72), 44 * p, S(40));
  l.statusLine = At(S(2), H - S(25), W - S(6), S(24));
  l.infoPanel = At(c * p + S(10), 0, W - c * p - S(20), S(130));

  // The bar is centred between the page's right edge and the camera area.
  const int right = c * p;
  const int cameraArea = 61 * p + S(kLayoutCameraAreaGap);
  const int big = S(kLayoutIconSize), small = S(kLayoutSmallIconSize);
  const int x0 = right + (cameraArea - right - big) / 2;
  l.connectIcon = At(x0 - S(38), S(150), big, big);
  l.cameraIcon = At(x0 + S(30), S(150), big, big);
  l.backIcon = At(x0 - S(38), S(218), big, big);
  l.acceptIcon = At(x0 + S(30), S(218), big, big);
  l.toolIcon = At(x0, S(286), big, big);
  l.shapeBackIcon = At(x0 - S(32), S(318), small, small);
  l.shapeForwardIcon = At(x0 + S(64), S(318), small, small);
  return l;
}
