// The process-wide records of the program, in one place. Each record
// belongs to one concern; all of them live as long as the process and are
// touched only on the user-interface thread (the keyboard hook included,
// it is a thread hook).
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/settings.h"
#include "braille/braille_text.h"
#include "braille/louis_module.h"
#include "camera/camera_view.h"
#include "document/dot_page.h"
#include "document/file_select.h"
#include "document/pin_cursor.h"
#include "document/tools.h"

constexpr int kNotConnectedMax = 80;  // label shown while no device is connected
constexpr int kButtonLabelMax = 80;   // labels and help texts of the device keys
constexpr int kDeviceButtons = 6;
constexpr UINT_PTR kTickTimerId = 100;
constexpr UINT kTickPeriodMs = 50;
constexpr UINT_PTR kGraphicTimerId = 101;               // a graphic waits for the wire
constexpr UINT WM_MENU_DONE = WM_STILL_CAPTURED + 1;    // posted to itself when a menu closed
constexpr UINT WM_PAGE_FOCUS = WM_STILL_CAPTURED + 2;   // the page got or lost the keyboard focus
constexpr UINT WM_START_LATER = WM_STILL_CAPTURED + 3;  // the start-up's part that runs from the loop

// Values set during start-up and read everywhere.
struct AppState {
  HINSTANCE instance = nullptr;
  char programFolder[kPathMax] = "";  // with its trailing backslash
  HWND mainWindow = nullptr;
  RECT firstRect = {0, 0, 0, 0};  // the main window's first rectangle
  int soundFlag = 1;              // [Def] Sound
  int boxSize = 10;               // [Def] Box_Size scaled to the screen: pixels per pin
  int dpi = 96;                   // the main window's dots per inch
  const char* dpiAwareness = "";  // how the process is aware of the screens' scaling
  char programName[kValueMax] = "Relivo X Win";
  char notConnected[kNotConnectedMax] = "";
  char deviceSearching[kNotConnectedMax] = "";  // stands for a device that went away
  HWND splash = nullptr;                        // start-up picture until the first connect
  bool cameraAvailable = false;
};

// State of the main window (user-interface thread only).
struct MainWindowState {
  int textPosition = 0;      // character position in editWnd for the device keys
  int refreshCountdown = 0;  // plain refreshes left before the next full layout
  int refreshPeriod = 10;    // [Def] Refresh
  bool screenViewActive = false;
  bool cameraViewActive = false;
  bool popupOpen = false;            // pop-up menu of the camera or screen view is open
  bool menuOpen = false;             // a menu of the main window is open
  bool menuCommand = false;          // the commands now in the queue were chosen in a menu
  int wheelDirection = 0;            // +1 or -1, consumed by the screen view
  int brailleFocus = kFocusGraphic;  // kFocusGraphic, kFocusLanguage or kFocusGrade
  bool cameraWish = false;           // the user asked for the camera view
  POINT lastMessagePoint = {0, 0};
  HWND lastMessageWindow = nullptr;
};

// Child windows of the main window and their labels.
struct PageView {
  HWND page = nullptr;
  HWND txtwnd = nullptr;
  HWND buttons[kDeviceButtons] = {};
  HWND cambutton = nullptr;
  HWND brLngWnd = nullptr;
  HWND brGradeWnd = nullptr;
  HWND brDotWnd = nullptr;
  HWND editWnd = nullptr;
  HWND statusWnd = nullptr;
  HWND infoWnd = nullptr;
  HWND flyWnd = nullptr;
  char buttonLabel[kDeviceButtons][kButtonLabelMax] = {};
  char buttonHelp[kDeviceButtons][kButtonLabelMax] = {};
};

extern AppState g_app;
extern MainWindowState g_main;
extern PageView g_view;
extern ToolState g_tools;
extern PinCursor g_cursor;
extern DotPage g_page;
extern DTM g_dtm;
extern FileSelection g_files;
extern LouisModule g_louis;
extern BrailleSelection g_braille;
