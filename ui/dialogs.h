// The program's two modal dialogs: the message dialog, which shows one
// notice and asks to confirm or cancel, and the about dialog with the
// version and an about text or the connected device. Both are painted in
// the program's colours and work with the mouse, with the key definitions
// (CMD_OK, CMD_CANCEL, CMD_TAB through FindKey) and with the device keys.
#pragma once
#include <windows.h>

#include "relivo_version.h"

// Longest text of the message dialog after its escapes are expanded.
constexpr int kMessageTextMax = 512;
// Longest text of the about dialog after its escapes are expanded.
constexpr int kAboutTextMax = 256;

// Message dialog modes (the numbers are logged and posted as the dialog's
// own command).
enum MessageMode {
  kModeFileNotSaved = 404,    // unsaved changes before open or close
  kModeLouisMissing = 405,    // braille translator not loaded
  kModeCaptureMissing = 407,  // capture library not loaded
  kModeMessage = 408,         // the text of CMD_MESSAGE
};

// About dialog modes.
enum AboutMode { kAboutProgram = 0, kAboutDevice = 1 };

// The project's version (project() in CMakeLists.txt).
constexpr const char* kProgramVersion = RELIVO_VERSION_TEXT;

struct DeviceInfoText {
  const char* name;     // the device's name text
  const char* version;  // its version text
  int port;             // its serial port number
};

// Where the dialogs take what other parts own. Either may be null.
struct DialogSources {
  const char* (*fileTitle)();      // title of the chosen file (mode 404); empty: none
  DeviceInfoText (*deviceInfo)();  // the connected device (about mode 1)
};

// The main window owns the dialogs, gets IDM_REF when one closes and is the
// key receiver again afterwards.
void DialogsInit(HWND mainWindow, const DialogSources& sources);

// The text shown in mode 408 (copied, at most kMessageTextMax characters).
void SetDialogMessage(const char* text);

// Logs "ConfigSelect %d %d" (mode, dialog-open flag) and runs the message
// dialog modally over the main window: 1 when confirmed (also by the close
// box), 0 when cancelled or when the dialog could not be created.
int ShowMessageDialog(MessageMode mode);

// Runs the about dialog modally over the main window.
void ShowAboutDialog(AboutMode mode);

// True while a message dialog runs.
bool MessageDialogOpen();

// The dialog procedures and the title strip, for the templates
// IDD_DIALOGSELECT and IDD_DIALOGABOUT.
INT_PTR CALLBACK SelectProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ConfigProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void DrawHead(const DRAWITEMSTRUCT& item);

// The version line of the about dialog: "Relivo X Win 0.99.0 / Jan 19 2026".
void AboutVersionLine(char* out, int size);
