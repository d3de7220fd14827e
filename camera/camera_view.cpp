#include "camera/camera_view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/log.h"
#include "base/settings.h"
#include "base/sound.h"

namespace {

constexpr char kCam[] = "Cam";
constexpr int kNameBufferSize = 256;
constexpr INT32 kOpenFrameRate = 15;
constexpr int kWindowWidth = 400, kWindowHeight = 300;
constexpr int kMainWidening = 320;
constexpr int kInfoWidth = 400, kInfoHeight = 24;
constexpr int kCameraAreaTop = 20;
constexpr int kCameraMargin = 10;

void CopyName(char* out, std::size_t size, const char* name) { std::snprintf(out, size, "%s", name ? name : ""); }

void DestroyWindowOf(HWND& window) {
  if (window) DestroyWindow(window);
  window = nullptr;
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }

// The main window grows until the camera window beside the page fits in it:
// a preview cut off at the window's edge would be converted as black.
void FitMainToCamera(const CameraView& view, const CameraHost& host) {
  RECT camera, client, main;
  GetWindowRect(view.window, &camera);
  MapWindowPoints(nullptr, host.main, reinterpret_cast<POINT*>(&camera), 2);
  GetClientRect(host.main, &client);
  const int missing = camera.right + kCameraMargin - client.right;
  if (missing <= 0) return;
  GetWindowRect(host.main, &main);
  SetWindowPos(host.main, nullptr, 0, 0, main.right - main.left + missing, main.bottom - main.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The device goes before the camera window: the window owns the video
// renderer's window, and destroying it under a running graph destroys the
// renderer's window too.
void CloseDevice(CameraView& view, const CameraHost& host) {
  if (view.device) CAPTURE_PROC(*host.capture, LumenoCloseDevice)(view.device);
  view.device = nullptr;
}

void LogCaptureCaps(UINT32 caps) {
  if (caps == 0) {
    LogWrite("There are no advanced capture capabilities.");
    return;
  }
  LogWrite("Capture capabilities:");
  if (caps & LUMENO_FLIP_HORIZONTAL) LogWrite("- the picture can be flipped horizontally.");
  if (caps & LUMENO_FLIP_VERTICAL) LogWrite("- the picture can be flipped vertically.");
  if (caps & 0x4) LogWrite("- capture can be controlled by the hardware trigger.");
}

void SelectStoredInput(CameraView& view, const CameraHost& host) {
  UINT32 inputs = 0;
  CAPTURE_PROC(*host.capture, LumenoGetInputCount)(view.device, &inputs);
  LogWrite("Eing\xe4nge: %d", static_cast<int>(inputs));
  CAPTURE_PROC(*host.capture, LumenoSetInput)(view.device, 0);
  if (inputs == 0) return;
  ProfileGetString("Input", view.input, "", view.chosenName, sizeof view.input);
  for (UINT32 i = 0; i < inputs; ++i) {
    char name[kInputNameSize] = "";
    const HRESULT hr = CAPTURE_PROC(*host.capture, LumenoGetInputNameA)(view.device, i, name, sizeof name - 1);
    LogWrite("Input: %s / %s", name, view.input);
    if (SUCCEEDED(hr) && std::strcmp(name, view.input) == 0)
      CAPTURE_PROC(*host.capture, LumenoSetInput)(view.device, i);
  }
}

// The rectangle the pointer must lie in: the large window, or the main
// window in the normal view (the edges count as inside).
bool PointerInView(const CameraView& view, const CameraHost& host, POINT pointer) {
  RECT r;
  GetWindowRect(view.large ? view.window : host.main, &r);
  return pointer.x >= r.left && pointer.x <= r.right && pointer.y >= r.top && pointer.y <= r.bottom;
}

void ShowConverted(const CameraView& view, const CameraHost& host) {
  if (!host.preview || !view.picture.page.dc) return;
  WindowDc dc(host.preview);
  if (dc) BitBlt(dc.Get(), 0, 0, kPageColumns, kPageRows, view.picture.page.dc->Get(), 0, 0, SRCCOPY);
}

// The newest frame into view.frame and view.frameBits: false while the
// library has none (or fails).
bool CopyNewestFrame(CameraView& view, const CameraHost& host) {
  if (!view.device) return false;
  auto copy = CAPTURE_PROC(*host.capture, LumenoCopyNewestFrame);
  // The buffer grows to the frame once (an empty one asks for the header).
  HRESULT hr = copy(view.device, &view.frame, view.frameBits.data(), static_cast<UINT32>(view.frameBits.size()));
  if (hr == HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) || (hr == S_OK && view.frameBits.empty())) {
    view.frameBits.resize(view.frame.biSizeImage);
    hr = copy(view.device, &view.frame, view.frameBits.data(), static_cast<UINT32>(view.frameBits.size()));
  }
  return hr == S_OK && !view.frameBits.empty();
}

// The fly rectangle maps onto the frame as the preview shows it: the
// preview is stretched over the camera window's client area.
bool GrabFromFrame(CameraView& view, const CameraHost& host, const RECT& camera, PagePicture& picture) {
  if (!CopyNewestFrame(view, host)) return false;
  POINT origin = {0, 0};
  ClientToScreen(view.window, &origin);
  RECT client;
  GetClientRect(view.window, &client);
  const FrameArea area = PreviewAreaInFrame(
      camera.left + view.flyRect.x - origin.x, camera.top + view.flyRect.y - origin.y, view.flyRect.width,
      view.flyRect.height, client.right, client.bottom, view.frame.biWidth, view.frame.biHeight);
  return GrabFramePicture(view.picture, view.frame, view.frameBits.data(), area.x, area.y, area.width, area.height,
                          picture);
}

void ConvertCameraPicture(CameraView& view, const CameraHost& host, bool& changed) {
  const float fixed = ThresholdFromPercent(view.threshold);
  PagePicture picture;
  if (!view.picture.page.dc) {
    WindowDc main(host.main);
    CreatePictureSurface(view.picture, main.Get());
  }
  // The camera's own frame where the library delivers one: whatever draws
  // the preview (and whether it can be read back from the screen), the
  // pins follow the camera. Else the preview is read from the screen,
  // where the camera window shows it.
  RECT camera;
  GetWindowRect(view.window, &camera);
  const bool fromFrame = view.fromFrames && GrabFromFrame(view, host, camera, picture);
  if (!fromFrame) {
    WindowDc screen(nullptr);
    GrabPicture(view.picture, screen.Get(), camera.left + view.flyRect.x, camera.top + view.flyRect.y,
                view.flyRect.width, view.flyRect.height, picture);
  }
  const int source = fromFrame ? 1 : 2;
  if (source != view.pixelSource) LogWrite(fromFrame ? "Cam: pixels from the frames" : "Cam: pixels from the screen");
  view.pixelSource = source;
  ShowConverted(view, host);
  const DotsRule rule{view.dynamic ? DotsMode::kDynamicCamera : DotsMode::kFixed, fixed};
  changed = ConvertPicture(picture, view.outline ? PictureMode::kOutline : PictureMode::kThreshold, rule, view.pins);
  for (int i = 0; i < kPagePins; ++i) host.page->pins[i] = view.pins.pins[i];
}

}  // namespace

bool CameraUsable(const CameraView& view) { return view.available && view.count > 0; }

void ListCameras(CameraView& view, const CameraHost& host, HMENU cameraMenu) {
  view.cameraMenu = cameraMenu;
  if (!view.available) return;
  UINT32 count = 0;
  CAPTURE_PROC(*host.capture, LumenoGetDeviceCount)(view.library, &count);
  view.count = static_cast<int>(std::min<UINT32>(count, kCamerasMax));
  view.threshold = static_cast<float>(ProfileGetInt("Trigger", 50, kCam));
  view.dynamic = ProfileGetInt("dyn", 1, kCam) != 0;
  view.outline = ProfileGetInt("Outline", 0, kCam) != 0;
  view.chosen = 0;
  if (cameraMenu)
    for (int i = 0; i < kCamerasMax; ++i) DeleteMenu(cameraMenu, 0, MF_BYPOSITION);
  ProfileGetString("Camera", view.chosenName, "", kCam, sizeof view.chosenName);
  LogWrite("Ger\xe4te: %d [%s]", static_cast<int>(count), view.chosenName);
  for (int i = 0; i < view.count; ++i) {
    char name[kNameBufferSize] = "";
    CAPTURE_PROC(*host.capture, LumenoGetDeviceNameA)(view.library, static_cast<UINT32>(i), name, sizeof name - 1);
    char key[8];
    std::snprintf(key, sizeof key, "%02d", i);
    ProfileWriteString(key, name, kCam);
    LogWrite("%3d %s", i, name);
    CopyName(view.names[i], sizeof view.names[i], name);
    if (cameraMenu) AppendMenuA(cameraMenu, MF_STRING, static_cast<UINT_PTR>(kCameraCommandFirst + i), view.names[i]);
    if (std::strcmp(view.names[i], view.chosenName) == 0 || count == 1) {
      view.chosen = i;
      CopyName(view.chosenName, sizeof view.chosenName, view.names[i]);
      ProfileWriteString("Camera", view.chosenName, kCam);
    }
  }
  if (cameraMenu)
    CheckMenuItem(cameraMenu, static_cast<UINT>(kCameraCommandFirst + view.chosen), MF_BYCOMMAND | MF_CHECKED);
  CAPTURE_PROC(*host.capture, LumenoEnableDeviceChangeNotifications)(view.library, host.main);
}

void ReadCameraCaps(CameraView& view, const CameraHost& host) {
  view.resolutionCount = 0;
  const UINT32 index = static_cast<UINT32>(view.chosen);
  if (FAILED(CAPTURE_PROC(*host.capture, LumenoGetDeviceCaps)(view.library, index, &view.deviceCaps))) {
    LogWrite("GetDeviceCaps %d error", view.chosen);
    return;
  }
  if (view.deviceCaps & LUMENO_CAPS_STILL_PIN) LogWrite("can capture high-resolution stills.");
  if (view.deviceCaps & LUMENO_CAPS_CAMERA_TERMINAL) LogWrite("can control some UVC properties.");
  UINT32 size = 0;
  auto resolutions = CAPTURE_PROC(*host.capture, LumenoGetDeviceResolutions);
  if (FAILED(resolutions(view.library, index, view.deviceCaps, nullptr, &size)) || size < sizeof(UINT32)) {
    LogWrite("GetDeviceResolution error");
    return;
  }
  std::vector<std::uint8_t> buffer(size);
  auto* list = reinterpret_cast<LumenoResolutionList*>(buffer.data());
  if (FAILED(resolutions(view.library, index, view.deviceCaps, list, &size))) {
    LogWrite("GetDeviceResolution error");
    return;
  }
  // Never more than the buffer holds, nor than the table.
  const std::size_t fits = (buffer.size() - offsetof(LumenoResolutionList, items)) / sizeof(LumenoResolution);
  const int listed = static_cast<int>(std::min<std::size_t>(list->count, fits));
  std::fill(std::begin(view.resolutions), std::end(view.resolutions), CameraResolution{});
  // A driver lists a size once for every picture format (and header kind)
  // it delivers it in: the user chooses among sizes, each once.
  for (int i = 0; i < listed && view.resolutionCount < kResolutionsMax; ++i) {
    const LumenoResolution& r = list->items[i];
    const CameraResolution* first = view.resolutions;
    const CameraResolution* end = first + view.resolutionCount;
    if (std::find_if(first, end, [&](const CameraResolution& known) {
          return known.width == r.maxWidth && known.height == r.maxHeight;
        }) != end)
      continue;
    view.resolutions[view.resolutionCount++] = CameraResolution{r.maxWidth, r.maxHeight};
  }
  const CameraResolution largest = LargestResolution(view.resolutions, view.resolutionCount);
  view.largestWidth = largest.width;
  view.largestHeight = largest.height;
  LogWrite("Resolutions: %d", view.resolutionCount);
  FillResolutionEntries(view, view.resolutionMenu);
}

void FillResolutionEntries(CameraView& view, HMENU menu) {
  view.resolutionMenu = menu;
  if (!menu) return;
  while (GetMenuItemCount(menu) > 0)
    if (!DeleteMenu(menu, 0, MF_BYPOSITION)) break;
  for (int i = 0; i < view.resolutionCount; ++i) {
    char text[48];
    std::snprintf(text, sizeof text, "[%3d]\t%4d * %4d", i, view.resolutions[i].width, view.resolutions[i].height);
    const UINT breakFlag = i > 0 && i % kResolutionMenuColumn == 0 ? MF_MENUBARBREAK : 0;
    AppendMenuA(menu, MF_STRING | breakFlag, static_cast<UINT_PTR>(kResolutionCommandFirst + i), text);
  }
  const int chosen = ChooseResolution(ProfileGetInt("Res", -1, view.chosenName), view.resolutionCount);
  CheckMenuItem(menu, static_cast<UINT>(kResolutionCommandFirst + chosen), MF_BYCOMMAND | MF_CHECKED);
}

void SelectResolution(CameraView& view, const CameraHost& host) {
  const int stored = ProfileGetInt("Res", -1, view.chosenName);
  LogWrite("*SelectResolution");
  RECT client = {0, 0, 0, 0};
  if (view.window) GetClientRect(view.window, &client);
  const int w = client.right;
  view.params = LumenoOpenParams{};
  view.params.ownerWindow = view.window;
  view.params.notifyMessage = WM_STILL_CAPTURED;
  view.params.flags = LUMENO_OPEN_STILL_PIN;
  view.params.frameRate = kOpenFrameRate;
  int index = ChooseResolution(stored, view.resolutionCount);
  if (stored >= view.resolutionCount && view.resolutionCount > 0) {
    view.params.width = view.largestWidth;
    view.params.height = view.largestHeight;
  } else {
    view.params.width = view.resolutions[index].width;
    view.params.height = view.resolutions[index].height;
  }
  if (view.resolutionMenu)
    CheckMenuItem(view.resolutionMenu, static_cast<UINT>(kResolutionCommandFirst + index), MF_BYCOMMAND | MF_CHECKED);
  const float r = AspectPercent(view.params.width, view.params.height);
  const int h = HeightForAspect(w, r);
  ProfileWriteInt("W", w, view.chosenName);
  ProfileWriteInt("B", h, view.chosenName);
  if (view.window) {
    if (view.large)
      SetWindowPos(view.window, nullptr, ScreenWidth() - view.bigWidth - 100, 5, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    else {
      SetWindowPos(view.window, nullptr, 61 * host.pinSize + 150, kCameraAreaTop, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
      FitMainToCamera(view, host);
    }
  }
  LogWrite("set to res:%d ,nRes:%d,c:%d=W:%d H:%d  %1.3f [%d %d]", stored, view.resolutionCount, index,
           static_cast<int>(view.params.width), static_cast<int>(view.params.height), static_cast<double>(r), w, h);
}

void OpenCamera(CameraView& view, const CameraHost& host) {
  const CaptureModule& capture = *host.capture;
  if (view.device) CAPTURE_PROC(capture, LumenoCloseDevice)(view.device);
  view.device = nullptr;
  LumenoDevice* device = nullptr;
  const HRESULT hr =
      CAPTURE_PROC(capture, LumenoOpenDevice)(view.library, static_cast<UINT32>(view.chosen), &view.params, &device);
  if (FAILED(hr)) {
    LogWrite("Err: OpenDevice. %d 0x%x", view.chosen, static_cast<unsigned>(hr));
    return;
  }
  view.device = device;
  view.fromFrames = ProfileGetInt("Frames", 1, kCam) != 0;
  view.pixelSource = 0;
  const HRESULT caps = CAPTURE_PROC(capture, LumenoGetCaptureCaps)(device, &view.captureCaps);
  if (FAILED(caps))
    LogWrite("Err: LumenoGetCaptureCaps hr=0x%08x", static_cast<unsigned>(caps));
  else
    LogCaptureCaps(view.captureCaps);
  SelectStoredInput(view, host);
  RECT client;
  GetClientRect(view.window, &client);
  view.maxFactor = std::max(1, MaxFactor(client.right, client.bottom));
  view.factor = std::min(view.factor, view.maxFactor);
  CAPTURE_PROC(capture, LumenoSetPreviewPosition)(device, &client);
  CAPTURE_PROC(capture, LumenoShowPreview)(device, TRUE);
  SetCamControls(view, host);
}

void CreateCamFly(CameraView& view, const CameraHost& host) {
  DestroyWindowOf(view.fly);
  view.factor = std::clamp(static_cast<int>(ProfileGetInt("Factor", 5, "CAM")), 1, view.maxFactor);
  RECT camera;
  GetWindowRect(view.window, &camera);
  const POINT centre = {(camera.left + camera.right) / 2, (camera.top + camera.bottom) / 2};
  const FlyArea area = FlyAreaAt(centre, view.factor);
  const FlyLook look{static_cast<BYTE>(std::clamp(static_cast<int>(ProfileGetInt("Alpha", 128, kCam)), 0, 255)), true};
  view.fly = CreateFlyWindow(host.main, host.instance, area, look);
  view.flyRect = FlyArea{area.x - camera.left, area.y - camera.top, area.width, area.height};
  LogWrite("camFly: %d-%d-%d-%d %d", area.x, area.y, area.width, area.height, view.factor);
}

void CreateCam(CameraView& view, const CameraHost& host) {
  LogWrite("*CreateCam");
  view.large = false;
  GetWindowRect(host.main, &view.savedMain);
  SetWindowPos(host.main, nullptr, 0, 0, view.savedMain.right - view.savedMain.left + kMainWidening,
               view.savedMain.bottom - view.savedMain.top, SWP_NOMOVE | SWP_NOZORDER);
  CloseDevice(view, host);
  DestroyWindowOf(view.window);
  RECT client;
  GetClientRect(host.main, &client);
  view.window = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN, client.right + 10,
                                5, kWindowWidth, kWindowHeight, host.main, nullptr, host.instance, nullptr);
  DestroyWindowOf(view.info);
  DestroyCamControls(view);
  view.info = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_READONLY, client.right + 10, client.bottom - 25,
                              kInfoWidth, kInfoHeight, host.main, nullptr, host.instance, nullptr);
  SelectResolution(view, host);
  OpenCamera(view, host);
  CreateCamFly(view, host);
  view.open = true;
}

void CreateBigCam(CameraView& view, const CameraHost& host) {
  view.large = true;
  SetWindowPos(host.main, nullptr, view.savedMain.left, view.savedMain.top, view.savedMain.right - view.savedMain.left,
               view.savedMain.bottom - view.savedMain.top, SWP_NOZORDER);
  CloseDevice(view, host);
  DestroyWindowOf(view.info);
  DestroyCamControls(view);
  DestroyWindowOf(view.window);
  const int screen = ScreenWidth();
  view.window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, screen - view.bigWidth, 0,
                                view.bigWidth, view.bigHeight, host.main, nullptr, host.instance, nullptr);
  RECT r = {0, 0, 0, 0};
  if (view.window) GetWindowRect(view.window, &r);
  if (r.right > screen) {
    LogWrite("Verschiebe: %d", screen - view.bigWidth - 100);
    SetWindowPos(view.window, nullptr, screen - view.bigWidth - 100, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    GetWindowRect(view.window, &r);
  }
  LogWrite("CBig1: %d-%d-%d-%d  %d", static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
           static_cast<int>(r.bottom), view.factor);
  SelectResolution(view, host);
  OpenCamera(view, host);
  if (view.window) GetWindowRect(view.window, &r);
  LogWrite("CBig2: %d-%d-%d-%d  %d", static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
           static_cast<int>(r.bottom), view.factor);
  CreateCamFly(view, host);
  view.open = true;
}

void CloseCam(CameraView& view, const CameraHost& host) {
  if (!view.open) return;
  CAPTURE_PROC(*host.capture, LumenoCloseDevice)(view.device);
  view.device = nullptr;
  ProfileWriteInt("dyn", view.dynamic ? 1 : 0, kCam);
  ProfileWriteInt("Outline", view.outline ? 1 : 0, kCam);
  ProfileWriteInt("Trigger", static_cast<int>(view.threshold), kCam);
  ProfileWriteInt("Factor", view.factor, kCam);
  DestroyWindowOf(view.window);
  DestroyWindowOf(view.fly);
  DestroyWindowOf(view.info);
  DestroyCamControls(view);
  ReleasePictureSurface(view.picture);
  const RECT& r = view.savedMain;
  SetWindowPos(host.main, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
  view.open = false;
}

bool CameraLost(const CameraView& view, const CameraHost& host) {
  if (!view.available || !view.device) return false;
  UINT32 caps = 0;
  return CAPTURE_PROC(*host.capture, LumenoGetCaptureCaps)(view.device, &caps) == LUMENO_E_DEVICE_LOST;
}

bool CameraDevicesChanged(CameraView& view, const CameraHost& host, WPARAM event, LPARAM header) {
  if (!view.available) return false;
  const HRESULT hr = CAPTURE_PROC(*host.capture, LumenoDeviceChange)(view.library, event, header);
  if (hr == S_FALSE) return false;
  LogWrite("DeviceChange 0x%04x: 0x%08x", static_cast<unsigned>(event), static_cast<unsigned>(hr));
  // A failed enumeration (E_FAIL: no camera is left) leaves the list as
  // far as it got: the menu shows that.
  ListCameras(view, host, view.cameraMenu);
  return true;
}

int ListedCamera(const CameraView& view, const char* name) {
  for (int i = 0; i < view.count; ++i)
    if (std::strcmp(view.names[i], name) == 0) return i;
  return -1;
}

bool TrackCamera(CameraView& view, const CameraHost& host, POINT pointer, int& wheelStep, HWND lastWindow) {
  const SHORT left = GetAsyncKeyState(VK_LBUTTON), middle = GetAsyncKeyState(VK_MBUTTON),
              right = GetAsyncKeyState(VK_RBUTTON);
  if (!view.window || !PointerInView(view, host, pointer)) {
    view.pointerInside = false;
    return false;
  }
  SetCursor(LoadCursor(nullptr, IDC_CROSS));
  if (left & 0x8000) PlayEventSound("Lklick", kSoundStart);
  if (right & 0x8000) {
    PlayEventSound("Rklick", kSoundStart);
    LogWrite("was ist los?");
    const int entry = ViewPopup(host, pointer, true, PopupChecks{view.dynamic, view.outline});
    if (entry && host.popupEntry) host.popupEntry(entry);
  }
  wheelStep = 0;
  view.pointerInside = true;
  const FlyArea area = FlyAreaAt(pointer, view.factor);
  MoveFlyWindow(view.fly, area);
  RECT camera;
  GetWindowRect(view.window, &camera);
  view.flyRect = FlyArea{area.x - camera.left, area.y - camera.top, area.width, area.height};
  bool changed = false;
  ConvertCameraPicture(view, host, changed);
  PackGraphic(*host.page, *host.record);
  if (view.info) {
    char status[128];
    std::snprintf(status, sizeof status, "%d x %d %d-%d-%d-%d [%d %d %d] [%04X]", static_cast<int>(pointer.x),
                  static_cast<int>(pointer.y), view.flyRect.x, view.flyRect.y, view.flyRect.width, view.flyRect.height,
                  (left >> 8) & 0xFF, (middle >> 8) & 0xFF, (right >> 8) & 0xFF,
                  static_cast<unsigned>(reinterpret_cast<UINT_PTR>(lastWindow) & 0xFFFF));
    SetWindowTextA(view.info, status);
  }
  ShowTrigger(view, host);
  return changed;
}

void CameraThreshold(CameraView& view, int direction) {
  view.threshold = StepThreshold(view.threshold, direction, kCameraThresholdUpper);
  ProfileWriteInt("Trigger", static_cast<int>(view.threshold), kCam);
}

void CameraFactor(CameraView& view, int step) { view.factor = StepFactor(view.factor, step, view.maxFactor); }

void CameraDynamic(CameraView& view, const CameraHost& host) {
  view.dynamic = !view.dynamic;
  ProfileWriteInt("Dyn", view.dynamic ? 1 : 0, "CAM");
  ShowTrigger(view, host);
}

void CameraOutline(CameraView& view, const CameraHost& host) {
  view.outline = !view.outline;
  ProfileWriteInt("Outline", view.outline ? 1 : 0, kCam);
  ShowTrigger(view, host);
}

void CameraPause(CameraView& view, const CameraHost& host) {
  view.paused = !view.paused;
  if (view.available) CAPTURE_PROC(*host.capture, LumenoPausePreview)(view.device, view.paused ? TRUE : FALSE);
}

void ChooseCamera(CameraView& view, const CameraHost& host, int index) {
  if (index < 0 || index >= view.count) return;
  if (view.cameraMenu) {
    for (int i = 0; i < kCamerasMax; ++i)
      CheckMenuItem(view.cameraMenu, static_cast<UINT>(kCameraCommandFirst + i), MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(view.cameraMenu, static_cast<UINT>(kCameraCommandFirst + index), MF_BYCOMMAND | MF_CHECKED);
  }
  view.chosen = index;
  CopyName(view.chosenName, sizeof view.chosenName, view.names[index]);
  ProfileWriteString("Camera", view.chosenName, kCam);
  // The chosen camera's own sizes, its stored (or first) one opened.
  ReadCameraCaps(view, host);
  SelectResolution(view, host);
  if (view.open) {
    OpenCamera(view, host);
    CreateCamFly(view, host);
  }
}

void ChooseCameraResolution(CameraView& view, const CameraHost& host, int index) {
  if (view.resolutionMenu) {
    for (int i = 0; i < kResolutionEntriesChecked; ++i)
      CheckMenuItem(view.resolutionMenu, static_cast<UINT>(kResolutionCommandFirst + i), MF_BYCOMMAND | MF_UNCHECKED);
  }
  ProfileWriteInt("Res", index, view.chosenName);
  if (view.resolutionMenu)
    CheckMenuItem(view.resolutionMenu, static_cast<UINT>(kResolutionCommandFirst + index), MF_BYCOMMAND | MF_CHECKED);
  SelectResolution(view, host);
}

int ViewPopup(const CameraHost& host, POINT pointer, bool cameraEntries, PopupChecks checks) {
  if (!host.popupMenu || !host.popupOpen) return 0;
  // One pop-up at a time: a tick or a command that comes while one is open
  // (its menu loop dispatches them) neither opens another nor clears the
  // flag that keeps the arrow keys going to the open one.
  if (*host.popupOpen) return 0;
  for (int entry : {kPopupBigSmall, kPopupPause})
    EnableMenuItem(host.popupMenu, static_cast<UINT>(entry), MF_BYCOMMAND | (cameraEntries ? MF_ENABLED : MF_GRAYED));
  CheckMenuItem(host.popupMenu, kPopupDynamic, MF_BYCOMMAND | (checks.dynamic ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(host.popupMenu, kPopupOutline, MF_BYCOMMAND | (checks.outline ? MF_CHECKED : MF_UNCHECKED));
  *host.popupOpen = true;
  const int entry = static_cast<int>(TrackPopupMenu(host.popupMenu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD,
                                                    pointer.x, pointer.y, 0, host.main, nullptr));
  PostMessageA(host.main, WM_NULL, 0, 0);
  *host.popupOpen = false;
  return entry;
}
