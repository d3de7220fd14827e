// The main window's side of the camera and screen views: the capture
// library brought up and shut down, the tick's camera and screen branches,
// the hot key, the camera commands and the sliders.
#pragma once
#include <windows.h>

#include <cstdint>

// Start-up: loads and initialises the capture library, lists the cameras
// and greys the camera menu when there is none. The user is told when the
// library is missing; cancelling that notice closes the program.
void CaptureStart();
// When the main window is destroyed.
void CaptureShutdown();
// WM_DEVICECHANGE: a camera plugged in or pulled out. The camera list and
// menu are made anew; a camera view whose camera went away closes and says
// so, and opens again when that camera comes back.
void CameraDeviceChange(WPARAM event, LPARAM header);
// The tick while the camera or screen view runs; false when neither runs.
bool CameraTick(HWND window, std::uint16_t code);
// The screen-view hot key: starts or stops the screen view.
void ScreenHotKey(HWND window);
// The camera and screen commands; false for any other identifier.
bool CameraCommand(int id);
// WM_HSCROLL of the camera's sliders.
void CameraScrolled(WPARAM wParam, LPARAM lParam);
// The full layout of CMD_REFRESH: an open camera view applies its controls again.
void CameraRelayout();
struct HoverAreas;
// The threshold mark of an open camera view as a hint area (CMD_TRIGGER).
void CameraHintAreas(HoverAreas& areas);
// The sliders of an open camera view in the order the keyboard walks them
// (threshold, zoom, the five picture properties); their count.
int CameraFocusBars(HWND* bars, int max);
// The threshold and zoom sliders, for the scroll-bar colours and the log.
HWND CameraThresholdBar();
HWND CameraZoomBar();
