// Key definitions at work: the table read from [HotKeys] at start-up, the
// thread keyboard hook that forwards every key press to the key target,
// FindKey, and the system-wide hot keys of the definitions whose parameter
// is 1000.
#pragma once
#include <windows.h>

#include "base/keydefs.h"

// Posted by the keyboard hook to the key target: wParam virtual key,
// lParam the key's message data.
constexpr UINT kHookKeyMessage = WM_USER + 1;

// Size of each message buffer handed to CMD_MESSAGE for a failed hot-key
// registration.
constexpr int kHotKeyMessageMax = 256;

// Modifier flags of a system-wide hot key.
constexpr UINT kHotKeyModAlt = 0x0001;
constexpr UINT kHotKeyModCtrl = 0x0002;
constexpr UINT kHotKeyModShift = 0x0004;
constexpr UINT kHotKeyModNoRepeat = 0x4000;

// Clears the table (unregistering hot keys of an earlier read), reads
// "Key000" .. "Key998" of [HotKeys] that exist with a value, defines each
// (the caller logs "DefMyAcc:%d" with the result). Hot keys are registered for `mainWindow`, and a
// failed registration posts CMD_MESSAGE to it. Returns the number of
// definitions whose key is not 0.
int ReadKeyDefinitions(HWND mainWindow);

// Adds one definition (the first definition of a key wins); parameter 1000
// also registers a system-wide hot key with the command as its identifier.
// Returns true when the definition was stored.
bool DefineKey(int shift, int ctrl, int alt, int key, int command, int parameter);

// The table as read (for tests and the info of other parts).
const KeyDefinitions& CurrentKeyDefinitions();

// Unregisters every system-wide hot key registered by DefineKey (shutdown).
void UnregisterHotKeys();

// Main-window states the hook asks on every key: a menu of the main window
// is open (nothing is forwarded), the pop-up menu of the camera or screen
// view is open (Tab, Up and Down reach that menu), the focused control
// moves with Up and Down itself (a slider: they reach it, and are
// forwarded as well).
using HookFlagFn = bool (*)();

// Installs the thread keyboard hook for the calling thread with `target` as
// the key target; logs "SetWindowsHookEx Keyboard" or
// "Err: SetWindowsHookEx %d". Any function may be null (flag never set).
bool InstallKeyboardHook(HWND target, HookFlagFn menuOpen = nullptr, HookFlagFn popupOpen = nullptr,
                         HookFlagFn arrowsToFocus = nullptr);
// Removes the hook if it is installed (after the message loop).
void RemoveKeyboardHook();
bool KeyboardHookInstalled();

// The window that receives forwarded keys: the main window, or a dialog
// while one is open.
void SetKeyTarget(HWND target);
HWND KeyTarget();

// The hook procedure: forwards key presses (not releases, not while a menu
// is open) as kHookKeyMessage to the key target, and consumes Tab, Up and
// Down unless the pop-up menu is open (Up and Down also while the focused
// control moves with them itself). While a modal window that is not the
// key target (a common file dialog, a message box) has the keyboard, every
// key passes on untouched and nothing is forwarded. A defined key that the
// platform would take as a menu key (F10, a key with Alt) is forwarded and
// kept, with its release, from the default menu handling.
LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam);

// Looks the key up with the thread's current Shift, Ctrl and Alt state and
// posts the matching definition's command (lParam = its parameter) to
// `window`. False when no definition matches.
bool FindKey(HWND window, int key);
