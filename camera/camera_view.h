// The camera view: the chosen camera's live preview in a camera window
// beside the main window (or in a large separate window), the fly window
// over it, and the controls below it. On every tick the pixels under the
// fly window become the page's pins.
//
// [Cam] keys: "Camera" the chosen camera's name, "00".."09" the names of
// the listed cameras, "Trigger" fixed threshold in percent (50), "dyn"
// dynamic threshold (1), "Outline" the outline instead of the threshold
// (0), "Factor" fly window factor (5), "Alpha" its opacity (128),
// "Big.x"/"Big.y" the large window's size (800 x 600). The camera's own section (its name):
// "Res" the chosen resolution (-1), "W"/"B" the camera window's size,
// "Input" the input to select, "prop0".."prop4" the picture properties,
// "Zoom" the zoom.
#pragma once
#include <windows.h>

#include <cstdint>

#include "camera/capture_module.h"
#include "camera/fly_window.h"
#include "camera/pixel_grab.h"
#include "camera/view_model.h"
#include "document/dot_page.h"

// The still-picture message the capture library posts to the main window
// (the program never asks for a still; the main window logs it).
constexpr UINT WM_STILL_CAPTURED = WM_APP + 1;

constexpr int kCameraNameSize = 80;
constexpr int kCamerasMax = 10;
constexpr int kResolutionsMax = 256;
constexpr int kInputNameSize = 32;
constexpr int kPictureProperties = 5;
constexpr int kResolutionMenuColumn = 32;  // entries per column of the resolution menu
constexpr int kCameraCommandFirst = 250;   // camera n is 250 + n
constexpr int kResolutionCommandFirst = 2000;
constexpr int kResolutionEntriesChecked = 50;
constexpr int kThresholdMarkSize = 16;  // the threshold mark's icon
// Built-in German default of "Outline.on", the threshold label in outline mode.
constexpr const char* kOutlineOnText = "Umriss: ein";

// Property ids of the capture library.
constexpr UINT32 kPropertyPicture = LUMENO_PROPERTY_VIDEO_PROC_AMP;  // + p
constexpr UINT32 kPropertyZoom = LUMENO_PROPERTY_CAMERA_CONTROL + 3;
constexpr UINT32 kPropertyFocus = LUMENO_PROPERTY_CAMERA_CONTROL + 6;

struct CameraControls {
  HWND thresholdBar = nullptr, thresholdText = nullptr;
  HWND zoomBar = nullptr, zoomText = nullptr;
  HWND propertyBars[kPictureProperties] = {};
  HWND propertyLabels[kPictureProperties] = {};
  POINT mark = {0, 0};  // the threshold mark, in the main window's client area
  bool markShown = false;
};

struct CameraView {
  bool available = false;  // the library is loaded and initialised
  bool open = false;       // a camera view is shown
  int factor = 1;
  int maxFactor = 5;
  HRESULT lastPropertyResult = S_OK;
  LumenoLibrary* library = nullptr;
  LumenoDevice* device = nullptr;
  LumenoOpenParams params = {};
  UINT32 captureCaps = 0;
  CameraResolution resolutions[kResolutionsMax];
  int chosen = 1;
  int count = 0;
  char chosenName[kCameraNameSize] = "";
  char names[kCamerasMax][kCameraNameSize] = {};
  char input[kInputNameSize] = "";
  RECT savedMain = {0, 0, 0, 0};
  HWND window = nullptr;  // the camera window: the preview's owner
  HWND fly = nullptr;
  HWND info = nullptr;
  FlyArea flyRect;          // relative to the camera window
  float threshold = 50.0f;  // percent
  UINT32 deviceCaps = 0;
  int largestWidth = 0, largestHeight = 0;
  int resolutionCount = 0;
  bool pointerInside = false;
  bool large = false;
  bool paused = false;
  bool dynamic = true;
  bool outline = false;  // the picture's outline instead of the threshold
  int bigWidth = 800, bigHeight = 600;
  LumenoPropertyInfo zoom = {};
  LumenoPropertyInfo properties[kPictureProperties] = {};
  CameraControls controls;
  PictureSurface picture;
  PinTracker pins;
  HMENU cameraMenu = nullptr, resolutionMenu = nullptr;  // owned by the menus
};

// What the camera view takes from the program.
struct CameraHost {
  const CaptureModule* capture = nullptr;
  HWND main = nullptr;
  HINSTANCE instance = nullptr;
  HWND preview = nullptr;  // 62 x 42 field that shows what is converted
  DotPage* page = nullptr;
  DTM* record = nullptr;
  RECT firstRect = {0, 0, 0, 0};  // the main window's first rectangle
  int pinSize = 10;
  HMENU popupMenu = nullptr;  // the camera pop-up menu, owned by the menus
  bool* popupOpen = nullptr;
  void (*refresh)(int full) = nullptr;      // posts CMD_REFRESH
  void (*popupEntry)(int entry) = nullptr;  // acts on an entry of the camera pop-up menu
};

// Camera usable: the library is available and lists a camera.
bool CameraUsable(const CameraView& view);

void ListCameras(CameraView& view, const CameraHost& host, HMENU cameraMenu);
void ReadCameraCaps(CameraView& view, const CameraHost& host);
// The resolution submenu (made anew by every menu build) filled from the
// resolutions read last, the chosen one checked.
void FillResolutionEntries(CameraView& view, HMENU menu);
void SelectResolution(CameraView& view, const CameraHost& host);
void CreateCam(CameraView& view, const CameraHost& host);
void CreateBigCam(CameraView& view, const CameraHost& host);
void OpenCamera(CameraView& view, const CameraHost& host);
void CreateCamFly(CameraView& view, const CameraHost& host);
// Switches the view off: the device closed, the settings stored, the
// windows destroyed, the main window back at its first size.
void CloseCam(CameraView& view, const CameraHost& host);

// One tick while the view is open: the fly window follows the pointer over
// the camera window and its pixels become pins. True when they changed.
bool TrackCamera(CameraView& view, const CameraHost& host, POINT pointer, int& wheelStep, HWND lastWindow);

// Commands.
void CameraThreshold(CameraView& view, int direction);
void CameraFactor(CameraView& view, int step);
void CameraDynamic(CameraView& view, const CameraHost& host);
// Outline or threshold, stored as "Outline" in [Cam].
void CameraOutline(CameraView& view, const CameraHost& host);
void CameraPause(CameraView& view, const CameraHost& host);
void ChooseCamera(CameraView& view, const CameraHost& host, int index);
void ChooseCameraResolution(CameraView& view, const CameraHost& host, int index);
// The entries of the camera pop-up menu (both views use it): the menu
// build gives entry n the identifier n.
enum ViewPopupEntry {
  kPopupBigSmall = 1,
  kPopupThresholdUp,
  kPopupThresholdDown,
  kPopupFactorUp,
  kPopupFactorDown,
  kPopupPause,
  kPopupDynamic,
  kPopupOutline,
};
// The camera pop-up menu at the pointer: the chosen entry, 0 for none.
// The camera's own entries (large/small, pause) are greyed unless
// `cameraEntries`; the dynamic and outline entries are checked as given.
// While one pop-up is open another gives 0 at once.
struct PopupChecks {
  bool dynamic;
  bool outline;
};
int ViewPopup(const CameraHost& host, POINT pointer, bool cameraEntries, PopupChecks checks);

// Picture controls (the column below the camera window).
void SetCamControls(CameraView& view, const CameraHost& host);
bool ApplyProperty(CameraView& view, const CameraHost& host, int p);
void ShowProperty(CameraView& view, const CameraHost& host, int p);
void ApplyZoom(CameraView& view, const CameraHost& host);
void ShowTrigger(CameraView& view, const CameraHost& host);
// The full layout's refresh: the threshold, zoom and properties shown,
// stored and applied again.
void RefreshCamControls(CameraView& view, const CameraHost& host);
// A WM_HSCROLL of one of the sliders; false when the bar is none of them.
bool CameraScroll(CameraView& view, const CameraHost& host, HWND bar, int code, int thumb);
void DestroyCamControls(CameraView& view);
