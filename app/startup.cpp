#include "app/startup.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/braille_link.h"
#include "app/build_date.h"
#include "app/camera_link.h"
#include "app/device_link.h"
#include "app/keyboard_focus.h"
#include "app/language.h"
#include "app/main_window.h"
#include "base/commands.h"
#include "base/dpi.h"
#include "base/hotkeys.h"
#include "base/log.h"
#include "base/owners.h"
#include "base/settings.h"
#include "base/sound.h"
#include "base/text.h"
#include "base/trace.h"
#include "base/ui_resources.h"
#include "braille/fonts.h"
#include "document/ext_settings.h"
#include "document/page_paint.h"
#include "ui/dialogs.h"
#include "ui/icon_bar.h"

namespace {

constexpr int kSplashWidth = 700;
constexpr int kSplashHeight = 400;
constexpr int kSplashPicture = 600;  // width of the picture "Splash"
constexpr int kStartMessages = 10;
constexpr const char* kInstanceMutex = "RelivoX.SingleInstance";
constexpr const char* kErrorRunDefault = "Diese Anwendung l\xe4uft bereits und sollte nur einmal gestartet werden!";

// ---- single instance -------------------------------------------------------

// Reads a value without writing a default back: a second instance must not
// touch the settings file.
void PeekValue(const char* key, const char* section, const char* def, char* out, int size) {
  if (ProfileHasKey(key, section)) {
    ProfileGetString(key, out, def, section, size);
  } else {
    CopyText(out, static_cast<std::size_t>(size), def);
  }
}

// True when another instance runs; the mutex handle stays open for the
// life of this process.
bool AnotherInstanceRuns() {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);
  bool exists = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
  return exists || FindWindowA(kMainClassName, nullptr) != nullptr;
}

void RefuseSecondInstance() {
  char language[kValueMax];
  PeekValue("Lng", "Def", "0049", language, sizeof language);
  char text[kUnescapeWorkArea];
  PeekValue("Error.run", language, kErrorRunDefault, text, kValueMax);
  UnescapeText(text, kValueMax);
  text[kValueMax - 1] = '\0';
  MessageBoxA(nullptr, text, "Relivo X Win", MB_OK | MB_ICONERROR);
}

// ---- start line ------------------------------------------------------------

long DayNumber(int day, int month, int year) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  FILETIME ft;
  if (!SystemTimeToFileTime(&st, &ft)) return 0;
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  return static_cast<long>(t.QuadPart / (10000000ULL * 86400ULL));
}

void LogStartLine() {
  int day = 0, month = 0, year = 0;
  ParseBuildDate(__DATE__, day, month, year);
  SYSTEMTIME now;
  GetLocalTime(&now);
  long days = DayNumber(now.wDay, now.wMonth, now.wYear) - DayNumber(day, month, year);
  LogWrite("Programmstart: %d.%d.%d [%ld] %s", day, month, year, days, __TIME__);
}

// ---- pieces of the start ---------------------------------------------------

void SetProgramFolder(HINSTANCE instance) {
  char module[kPathMax] = "";
  GetModuleFileNameA(instance, module, sizeof module);
  module[kPathMax - 1] = '\0';
  char* slash = std::strrchr(module, '\\');
  if (slash) slash[1] = '\0';
  CopyText(g_app.programFolder, sizeof g_app.programFolder, module);
  char path[kPathMax];
  std::snprintf(path, sizeof path, "%sres\\RelivoX.ini", g_app.programFolder);
  SetSettingsPath(path);
}

void StartLog() {
  char path[kPathMax];
  std::snprintf(path, sizeof path, "%sres\\RelivoX.pro", g_app.programFolder);
  DeleteFileA(path);
  LogSetPath(path);
  LogSetLevel(1);
  LogReset();
}

void InitResources() {
  LogWrite("ResourcenInit() aufgerufen");
  ClearSubstitutionTexts();
  LoadColors();
  BmpFontInit();
  CreateInterfaceFonts(g_app.dpi);
}

void ShowSplash() {
  RECT main;
  GetWindowRect(g_app.mainWindow, &main);
  int x = main.left + (main.right - main.left) / 2 - kSplashPicture / 2;
  // Shown without taking the activation: the keyboard focus (and with it
  // the screen reader) stays in the main window, and a window that was
  // never active goes away at once when the first connect destroys it.
  g_app.splash =
      CreateWindowExA(WS_EX_TOPMOST | WS_EX_STATICEDGE | WS_EX_NOACTIVATE, "STATIC", "", WS_POPUP | SS_BITMAP, x, 100,
                      kSplashWidth, kSplashHeight, g_app.mainWindow, nullptr, g_app.instance, nullptr);
  if (!g_app.splash) return;
  // The static control does not own the picture: it is kept here until
  // the process ends.
  static GdiObject<HBITMAP> picture;
  picture.Reset(static_cast<HBITMAP>(LoadImageA(g_app.instance, "Splash", IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  if (picture) SendMessageA(g_app.splash, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.Get()));
  ShowWindow(g_app.splash, SW_SHOWNOACTIVATE);
  UpdateWindow(g_app.splash);
}

bool IsInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

void NoteMessage(const MSG& msg) {
  if (IsInput(msg.message)) TraceMark(TraceStage::kInputTaken, static_cast<long>(msg.message));
  g_main.lastMessagePoint = msg.pt;
  g_main.lastMessageWindow = msg.hwnd;
  if (msg.message == WM_MOUSEWHEEL) g_main.wheelDirection = ((msg.wParam >> 24) & 0xFF) != 0 ? +1 : -1;
}

// Takes at most n messages and dispatches them, so that the main window
// and the picture get painted. A fresh window has fewer than n messages to
// give: the start goes on as soon as the queue is empty instead of waiting
// for messages that do not come.
void DispatchMessages(int n) {
  MSG msg;
  for (int i = 0; i < n;) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    NoteMessage(msg);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    ++i;
  }
}

int MessageLoop() {
  MSG msg;
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    // One message reads the settings file as it was when it began.
    SettingsBatch batch;
    NoteMessage(msg);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return got == 0 ? static_cast<int>(msg.wParam) : 0;
}

const char* FileTitle() { return g_files.title; }
DeviceInfoText ConnectedDevice() { return DeviceInfoText{DeviceName(), DeviceVersion(), DevicePortNumber()}; }

// The marks beside the main window's controls that hint and act when the
// pointer rests on them: the braille focus marks, the camera's threshold mark.
void HintAreas(HoverAreas& areas) {
  BrailleFocusAreas(areas);
  CameraHintAreas(areas);
}

bool MenuIsOpen() { return g_main.menuOpen; }
bool PopupIsOpen() { return g_main.popupOpen; }

// ---- start-up phases ---------------------------------------------------------

void StartPlatform(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_USEREX_CLASSES};
  InitCommonControlsEx(&controls);
  g_app.instance = instance;
  SetProgramFolder(instance);
  // Before any window: each window is made for its screen's scaling.
  g_app.dpiAwareness = MakeDpiAware();
  g_app.dpi = static_cast<int>(WindowDpi(nullptr));
}

// The sound switch and the interface language, before the log starts.
void ReadStartSettings() {
  g_app.soundFlag = ProfileGetInt("Sound", 1, "Def");
  char language[kValueMax];
  ProfileGetString("Lng", language, "0049", "Def", kValueMax);
  SetLanguageSection(language);
}

// The trace of the stages from input to frame, when [Def] Trace names its
// file (below the program folder unless the name is a full path). A
// missing key stays missing: the trace is for developers.
void StartTrace() {
  if (!ProfileHasKey("Trace", "Def")) return;
  char name[kValueMax];
  ProfileGetString("Trace", name, "", "Def", sizeof name);
  char path[kPathMax];
  const bool full = name[0] == '\\' || (name[0] && name[1] == ':');
  std::snprintf(path, sizeof path, "%s%s", full ? "" : g_app.programFolder, name);
  TraceOpen(path);
}

void StartLogging() {
  StartLog();
  LogStartLine();
  LogSetLevel(ProfileGetInt("Debug", 0, "Def"));
  LogWrite("DPI: %d (%s)", g_app.dpi, g_app.dpiAwareness);
  g_main.refreshPeriod = ProfileGetInt("Refresh", 10, "Def");
}

void LoadFontsColoursAndTexts() {
  RegisterFontFiles(g_app.programFolder);
  InitResources();
  RefreshLanguageTexts();
}

void StartSoundAndPorts() {
  SoundInit(nullptr, g_app.programFolder, &g_app.soundFlag);
  PlayEventSound("Start", kSoundStart);
  DeviceScanPorts();
  g_app.boxSize = ScaleToDpi(ProfileGetInt("Box_Size", 10, "Def"), g_app.dpi);
}

// The main window; its icon bar takes the braille focus marks among its
// hint areas. The dialogs and the sounds' notices belong to it.
bool CreateAndShowMainWindow(HINSTANCE instance) {
  SetFocusMarkRegistrar(HintAreas);
  if (!RegisterMainClass(instance)) return false;
  g_app.mainWindow = CreateMainWindow(instance, g_app.boxSize);
  if (!g_app.mainWindow) return false;
  // Opened on a screen of another scaling than the main screen's.
  const int dpi = static_cast<int>(WindowDpi(g_app.mainWindow));
  if (dpi != g_app.dpi) ApplyDpi(g_app.mainWindow, dpi, nullptr);
  SoundInit(g_app.mainWindow, g_app.programFolder, &g_app.soundFlag);
  DialogsInit(g_app.mainWindow, DialogSources{FileTitle, ConnectedDevice});
  ShowWindow(g_app.mainWindow, SW_SHOW);
  UpdateWindow(g_app.mainWindow);
  return true;
}

// Menus, texts and the layout; the tick. What can wait is posted first, so
// that it runs as soon as the window is up, before anything else the
// queue takes: the connect of autostart (the first page on the pins), then
// the capture library with its camera list.
void StartMenusAndTick() {
  if (ProfileGetInt("autostart", 0, "Device") != 0) PostMessageA(g_app.mainWindow, WM_COMMAND, CMD_CONNECT, 0);
  PostMessageA(g_app.mainWindow, WM_START_LATER, 0, 0);
  RebuildMenus();
  SetTimer(g_app.mainWindow, kTickTimerId, kTickPeriodMs, nullptr);
}

// Key definitions and the keyboard hook (it logs its own result).
void StartKeys() {
  LogWrite("DefMyAcc:%d", ReadKeyDefinitions(g_app.mainWindow));
  PostMessageA(g_app.mainWindow, WM_ACTIVATEAPP, TRUE, 0);
  InstallKeyboardHook(g_app.mainWindow, MenuIsOpen, PopupIsOpen, FocusTakesArrows);
}

// The extension table and the braille translator (the tick translates the
// text line); the user is told when it is missing. The capture library
// follows from the message loop (WM_START_LATER).
void StartOptionalParts() {
  ReadExtensionTable(g_files);
  BrailleStart();
}

void ShutDown() {
  TraceClose();
  RemoveKeyboardHook();
  UnregisterHotKeys();
  LogWrite("***Ende");
  ReleasePageCanvas();
  FreeUiResources();
}

}  // namespace

int RunProgram(HINSTANCE instance) {
  // A screen reader asks the windows for their accessible objects through COM.
  ComInit com;
  StartPlatform(instance);
  // Before anything is read with a default: a second instance must not
  // write anything, not even a missing default.
  if (AnotherInstanceRuns()) {
    RefuseSecondInstance();
    return 0;
  }
  {
    // The start-up reads the settings file as it was when it began.
    SettingsBatch batch;
    StartTrace();
    ReadStartSettings();
    StartLogging();
    TraceMark(TraceStage::kStartPhase, 0, "settings");
    LoadFontsColoursAndTexts();
    TraceMark(TraceStage::kStartPhase, 1, "fonts");
    StartSoundAndPorts();
    TraceMark(TraceStage::kStartPhase, 2, "sound-ports");
    if (!CreateAndShowMainWindow(instance)) return 1;
    TraceMark(TraceStage::kStartPhase, 3, "window");
    ShowSplash();
    TraceMark(TraceStage::kStartPhase, 4, "splash");
    DispatchMessages(kStartMessages);
    TraceMark(TraceStage::kStartPhase, 5, "first-paint");
    StartMenusAndTick();
    TraceMark(TraceStage::kStartPhase, 6, "menus");
    StartKeys();
    TraceMark(TraceStage::kStartPhase, 7, "keys");
    StartOptionalParts();
    TraceMark(TraceStage::kStartPhase, 8, "translator");
  }
  int code = MessageLoop();
  ShutDown();
  return code;
}
