#include "camera/screen_view.h"

#include <algorithm>

#include "base/log.h"
#include "base/settings.h"

namespace {

constexpr char kSection[] = "SCR";
constexpr std::uint32_t kLoggedConversions = 100;

void LogScreen(const ScreenView& view, const RECT& desktop, const DEVMODEA& mode) {
  LogWrite("DT: %d-%d-%d-%d  %d [%d %d] %1.2f %1.2f [%d %d]", static_cast<int>(desktop.left),
           static_cast<int>(desktop.top), static_cast<int>(desktop.right), static_cast<int>(desktop.bottom),
           view.maxFactor, GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN),
           static_cast<double>(view.scaleX), static_cast<double>(view.scaleY), static_cast<int>(mode.dmPelsWidth),
           static_cast<int>(mode.dmPelsHeight));
  MONITORINFOEXA monitor = {};
  monitor.cbSize = sizeof monitor;
  const POINT origin = {0, 0};
  if (GetMonitorInfoA(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &monitor))
    LogWrite("MO: %s %d-%d %d-%d", monitor.szDevice, static_cast<int>(monitor.rcMonitor.left),
             static_cast<int>(monitor.rcMonitor.top), static_cast<int>(monitor.rcMonitor.right),
             static_cast<int>(monitor.rcMonitor.bottom));
  LogWrite("H: %d V: %d H: %d V: %d N: %d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
           GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), GetSystemMetrics(SM_CMONITORS));
  LogWrite("DLP:%d Pw:%d pH:%d", GetDeviceCaps(view.screen->Get(), LOGPIXELSX), static_cast<int>(mode.dmPelsWidth),
           static_cast<int>(mode.dmPelsHeight));
}

// Desktop pixels are scaled when the display runs at another size than
// the desktop the program sees.
void MeasureScreen(ScreenView& view) {
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  view.scaleX = view.scaleY = 1.0f;
  if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) && desktop.right > 0 && desktop.bottom > 0) {
    view.scaleX = static_cast<float>(mode.dmPelsWidth) / static_cast<float>(desktop.right);
    view.scaleY = static_cast<float>(mode.dmPelsHeight) / static_cast<float>(desktop.bottom);
  }
  view.maxFactor = std::max(1, MaxFactor(GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN)));
  LogScreen(view, desktop, mode);
}

}  // namespace

void StartScreenView(ScreenView& view, HWND owner, HINSTANCE instance, POINT pointer) {
  if (view.fly) return;
  view.threshold = static_cast<float>(ProfileGetInt("Trigger", 200, kSection));
  view.dynamic = ProfileGetInt("dyn", 1, kSection) != 0;
  view.outline = ProfileGetInt("Outline", 0, kSection) != 0;
  view.screen.emplace(nullptr);
  MeasureScreen(view);
  view.pins = PinTracker{};
  if (!CreatePictureSurface(view.picture, view.screen->Get())) {
    LogWrite("Err: CreateBitmap %d", static_cast<int>(GetLastError()));
    return;
  }
  view.factor = std::clamp(static_cast<int>(ProfileGetInt("Factor", 5, kSection)), 1, view.maxFactor);
  view.capture = FlyAreaAt(pointer, view.factor);
  const FlyLook look{static_cast<BYTE>(std::clamp(static_cast<int>(ProfileGetInt("Alpha", 128, kSection)), 0, 255)),
                     false};
  view.fly = CreateFlyWindow(owner, instance, view.capture, look);
  LogWrite("SCR --- %d-%d-%d-%d %d", view.capture.x, view.capture.y, view.capture.width, view.capture.height,
           view.factor);
}

void StopScreenView(ScreenView& view) {
  if (view.fly) DestroyWindow(view.fly);
  view.fly = nullptr;
  ReleasePictureSurface(view.picture);
  view.screen.reset();
  ProfileWriteInt("dyn", view.dynamic ? 1 : 0, kSection);
  ProfileWriteInt("Outline", view.outline ? 1 : 0, kSection);
  ProfileWriteInt("Trigger", static_cast<int>(view.threshold), kSection);
  ProfileWriteInt("Factor", view.factor, kSection);
}

bool TrackScreen(ScreenView& view, POINT pointer, int& wheelStep, DTM& record) {
  if (wheelStep != 0) {
    view.factor = WheelFactor(view.factor, wheelStep, view.maxFactor);
    LogWrite("wheel:%d", view.factor);
    wheelStep = 0;
  }
  view.capture = FlyAreaAt(pointer, view.factor);
  MoveFlyWindow(view.fly, view.capture);
  PagePicture picture;
  GrabPicture(view.picture, view.screen ? view.screen->Get() : nullptr,
              static_cast<int>(static_cast<float>(view.capture.x) * view.scaleX),
              static_cast<int>(static_cast<float>(view.capture.y) * view.scaleY), view.capture.width,
              view.capture.height, picture);
  const float mean = MeanBrightness(picture);
  if (view.conversions++ < kLoggedConversions) LogWrite("DYN: %3.2f", static_cast<double>(mean));
  const DotsRule rule{view.dynamic ? DotsMode::kDynamicScreen : DotsMode::kFixed, view.threshold};
  const bool changed =
      ConvertPicture(picture, view.outline ? PictureMode::kOutline : PictureMode::kThreshold, rule, view.pins);
  // Only the graphic: the braille line stays on the device.
  PinsToGraphic(view.pins.pins, record.graphic);
  return changed;
}

void ScreenThreshold(ScreenView& view, int direction) {
  view.threshold = StepThreshold(view.threshold, direction, kScreenThresholdUpper);
  ProfileWriteInt("Trigger", static_cast<int>(view.threshold), kSection);
}

void ScreenDynamic(ScreenView& view) { view.dynamic = !view.dynamic; }

void ScreenOutline(ScreenView& view) {
  view.outline = !view.outline;
  ProfileWriteInt("Outline", view.outline ? 1 : 0, kSection);
}

void ScreenFactor(ScreenView& view, int step) { view.factor = StepFactor(view.factor, step, view.maxFactor); }
