#include "app/camera_link.h"

#include "app/app_state.h"
#include "app/camera_menu.h"
#include "app/device_link.h"
#include "app/main_window.h"
#include "base/commands.h"
#include "base/log.h"
#include "base/settings.h"
#include "base/sound.h"
#include "camera/camera_view.h"
#include "camera/screen_view.h"
#include "device/device_session.h"
#include "document/page_paint.h"
#include "ui/dialogs.h"
#include "ui/hover_areas.h"
#include "ui/menus.h"

namespace {

CaptureModule g_capture;
CameraView g_camera;
ScreenView g_screen;

void PopupEntry(int entry);

CameraHost Host() {
  CameraHost host;
  host.capture = &g_capture;
  host.main = g_app.mainWindow;
  host.instance = g_app.instance;
  host.preview = g_view.cambutton;
  host.page = &g_page;
  host.record = &g_dtm;
  host.firstRect = g_app.firstRect;
  host.pinSize = g_page.pinSize ? g_page.pinSize : g_app.boxSize;
  host.popupMenu = Menus().cameraPopup;
  host.popupOpen = &g_main.popupOpen;
  host.refresh = RequestRefresh;
  host.popupEntry = PopupEntry;
  return host;
}

// After a conversion: whenever the device shows something else than the
// record (a still picture converts to the same pins again, but a delete, an
// invert, a file or a refresh in between sent other pins), the page goes
// out again. The session writes nothing while the device has it already.
void SendWhereDiffers() {
  if (DeviceGraphicDiffers(g_dtm.graphic)) PostMessageA(g_app.mainWindow, WM_COMMAND, CMD_SEND_PAGE, 0);
}

// The pointer where it is, also over the windows of other programs, which
// send this program no message that would tell.
POINT PointerNow() {
  POINT p = g_main.lastMessagePoint;
  GetCursorPos(&p);
  return p;
}

void EnableCameraMenu(bool on) {
  HMENU bar = GetMenu(g_app.mainWindow);
  if (bar) EnableMenuItem(bar, kCameraMenuPosition, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
  if (bar) DrawMenuBar(g_app.mainWindow);
}

// The menu build greys the camera menu while no camera can be used.
void SyncFlags() {
  g_main.cameraViewActive = g_camera.open;
  g_app.cameraAvailable = CameraUsable(g_camera);
}

// The entries of the camera and screen pop-up menu, as the commands that
// do the same.
constexpr int kPopupCommands[] = {0,         CMD_BIGSMALL, CMD_PLUS,   CMD_MINUS, CMD_CTRL_PLUS, CMD_CTRL_MINUS,
                                  CMD_PAUSE, CMD_TRIGGER,  CMD_OUTLINE};

// The camera's own entries (large or small, pause) act while the camera
// view is the one shown.
bool CameraShown() { return g_camera.open && !g_main.screenViewActive; }

void PopupEntry(int entry) {
  if (entry <= 0 || entry >= static_cast<int>(sizeof kPopupCommands / sizeof kPopupCommands[0])) return;
  if (!CameraShown() && (entry == kPopupBigSmall || entry == kPopupPause)) return;
  PostMessageA(g_app.mainWindow, WM_COMMAND, static_cast<WPARAM>(kPopupCommands[entry]), 0);
}

void ScreenPopup() {
  const int entry = ViewPopup(Host(), PointerNow(), false, PopupChecks{g_screen.dynamic, g_screen.outline});
  // From the pop-up the dynamic switch only toggles.
  if (entry == kPopupDynamic) {
    ScreenDynamic(g_screen);
    return;
  }
  PopupEntry(entry);
}

// While a pop-up menu is open its loop still dispatches the ticks: the
// views wait until it is closed.
void TrackScreenTick() {
  if (g_main.popupOpen) return;
  if (GetAsyncKeyState(VK_RBUTTON) & 0x8000) ScreenPopup();
  TrackScreen(g_screen, PointerNow(), g_main.wheelDirection, g_dtm);
  SendWhereDiffers();
}

void TrackCameraTick() {
  if (g_main.popupOpen) return;
  TrackCamera(g_camera, Host(), PointerNow(), g_main.wheelDirection, g_main.lastMessageWindow);
  SendWhereDiffers();
}

// A command's action on the view the user sees, followed by its tick: the
// screen view while it runs (the camera view waits behind it), else the
// camera view when it is open.
template <typename Camera, typename Screen>
void ForViews(Camera camera, Screen screen) {
  if (g_main.screenViewActive) {
    screen();
    TrackScreenTick();
  } else if (g_camera.open) {
    camera();
    TrackCameraTick();
  }
}

// The mode is said in the status line when it changes.
void AnnounceOutline(bool on) { ShowStatusText(on ? "Outline.on" : "Outline.off"); }

void CameraOnOff() {
  PlayEventSound("klick", kSoundStart);
  g_main.cameraWish = !g_main.cameraWish && CameraUsable(g_camera);
  if (g_main.cameraWish) {
    CreateCam(g_camera, Host());
  } else {
    CloseCam(g_camera, Host());
  }
  SyncFlags();
  RequestRefresh(1);
}

}  // namespace

void CaptureStart() {
  g_camera.available = false;
  bool initialised = false;
  const std::int32_t result = StartCapture(g_capture, g_app.programFolder, &g_camera.library, initialised);
  if (result == 0) {
    g_camera.bigWidth = ProfileGetInt("Big.x", 800, "CAM");
    g_camera.bigHeight = ProfileGetInt("Big.y", 600, "CAM");
  } else if (ShowMessageDialog(kModeCaptureMissing) == 0) {
    PostMessageA(g_app.mainWindow, WM_CLOSE, 0, 0);
  }
  g_camera.available = initialised;
  g_camera.resolutionMenu = Menus().resolution;
  ListCameras(g_camera, Host(), Menus().camera);
  const bool usable = CameraUsable(g_camera);
  EnableCameraMenu(usable);
  if (usable) {
    ReadCameraCaps(g_camera, Host());
    SelectResolution(g_camera, Host());
  }
  SyncFlags();
}

void CaptureShutdown() {
  if (!g_camera.available) return;
  StopCapture(g_capture, g_camera.library, g_camera.device);
  g_camera.device = nullptr;
}

void FillCameraMenu(HMENU menu) { ListCameras(g_camera, Host(), menu); }

void FillResolutionMenu(HMENU menu) { FillResolutionEntries(g_camera, menu); }

bool CameraTick(HWND window, std::uint16_t code) {
  (void)window;
  // The screen view runs in front of an open camera view, whose windows
  // are hidden with the main window meanwhile.
  if (g_main.screenViewActive) {
    const POINT p = PointerNow();
    if (code == kKeyButton0) LogWrite("Scr: Maus %ld %ld", p.x, p.y);
    if (code == kKeyButton2) g_main.wheelDirection = -1;
    if (code == kKeyButton3) g_main.wheelDirection = +1;
    TrackScreenTick();
    return true;
  }
  if (g_main.cameraViewActive) {
    const POINT p = PointerNow();
    if (code == kKeyButton0) LogWrite("Cam: Maus %ld %ld", p.x, p.y);
    TrackCameraTick();
    PaintPins(g_page, g_view.page);
    return true;
  }
  return false;
}

void ScreenHotKey(HWND window) {
  if (!g_main.screenViewActive) {
    ShowWindow(window, SW_HIDE);
    if (g_camera.fly) ShowWindow(g_camera.fly, SW_HIDE);
    StartScreenView(g_screen, window, g_app.instance, PointerNow());
    g_main.screenViewActive = true;
  } else {
    ShowWindow(window, SW_SHOW);
    if (g_camera.fly) ShowWindow(g_camera.fly, SW_SHOWNOACTIVATE);
    g_main.screenViewActive = false;
    StopScreenView(g_screen);
    SetCapture(window);
    RequestRefresh(1);
  }
}

bool CameraCommand(int id) {
  const CameraHost host = Host();
  if (CommandInRange(id, CMD_CAM_FIRST, CMD_CAM_LAST)) {
    if (!CameraUsable(g_camera)) return true;
    ChooseCamera(g_camera, host, id - CMD_CAM_FIRST);
    RequestRefresh(1);
    return true;
  }
  if (CommandInRange(id, CMD_CAMRES_FIRST, CMD_CAMRES_LAST)) {
    if (CameraUsable(g_camera)) ChooseCameraResolution(g_camera, host, id - CMD_CAMRES_FIRST);
    return true;
  }
  const bool camera = CameraShown();
  switch (id) {
    case CMD_CAM_ONOFF: CameraOnOff(); return true;
    case CMD_PLUS:
    case CMD_MINUS: {
      const int direction = id == CMD_PLUS ? +1 : -1;
      LogWrite("%s", id == CMD_PLUS ? "CMD_PLUS" : "CMD_MINUS");
      ForViews([&] { CameraThreshold(g_camera, direction); }, [&] { ScreenThreshold(g_screen, direction); });
      return true;
    }
    case CMD_CTRL_PLUS:
    case CMD_CTRL_MINUS: {
      const int step = id == CMD_CTRL_PLUS ? +1 : -1;
      LogWrite("%s", id == CMD_CTRL_PLUS ? "CMD_CTRL_PLUS" : "CMD_CTRL_MINUS");
      ForViews([&] { CameraFactor(g_camera, step); }, [&] { ScreenFactor(g_screen, step); });
      return true;
    }
    case CMD_PAUSE:
      LogWrite("CMD_PAUSE");
      if (camera) CameraPause(g_camera, host);
      return true;
    case CMD_TRIGGER:
      LogWrite("CMD_TRIGGER");
      ForViews([&] { CameraDynamic(g_camera, host); }, [] { ScreenDynamic(g_screen); });
      return true;
    case CMD_OUTLINE:
      // Without a view running, the command is the pictures' (dispatch).
      if (!g_main.screenViewActive && !g_camera.open) return false;
      LogWrite("CMD_OUTLINE");
      ForViews([&] { CameraOutline(g_camera, host); }, [] { ScreenOutline(g_screen); });
      AnnounceOutline(g_main.screenViewActive ? g_screen.outline : g_camera.outline);
      return true;
    case CMD_TRACK:
      LogWrite("CMD_TRACK");
      if (g_main.screenViewActive) {
        ScreenPopup();
      } else if (camera) {
        LogWrite("TrackPopupMenu");
        PopupEntry(ViewPopup(host, PointerNow(), true, PopupChecks{g_camera.dynamic, g_camera.outline}));
      }
      return true;
    case CMD_BIGSMALL:
      if (!camera) return true;
      if (g_camera.large)
        CreateCam(g_camera, host);
      else
        CreateBigCam(g_camera, host);
      RequestRefresh(1);
      return true;
    default: return false;
  }
}

void CameraScrolled(WPARAM wParam, LPARAM lParam) {
  LogWrite("WM_HSCROLL: L:%04X T:%04X Z:%04X", static_cast<unsigned>(lParam),
           static_cast<unsigned>(reinterpret_cast<UINT_PTR>(g_camera.controls.thresholdBar) & 0xFFFF),
           static_cast<unsigned>(reinterpret_cast<UINT_PTR>(g_camera.controls.zoomBar) & 0xFFFF));
  CameraScroll(g_camera, Host(), reinterpret_cast<HWND>(lParam), LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
}

void CameraRelayout() {
  if (g_camera.open) RefreshCamControls(g_camera, Host());
}

void CameraHintAreas(HoverAreas& areas) {
  if (!g_camera.open || !g_camera.controls.markShown) return;
  char text[kValueMax] = "";
  if (g_camera.controls.thresholdText) GetWindowTextA(g_camera.controls.thresholdText, text, sizeof text);
  AddHoverArea(areas, g_camera.controls.mark.x, g_camera.controls.mark.y, kThresholdMarkSize, CMD_TRIGGER, text);
}

HWND CameraThresholdBar() { return g_camera.controls.thresholdBar; }
HWND CameraZoomBar() { return g_camera.controls.zoomBar; }
