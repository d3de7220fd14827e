// The program's windows as a screen reader sees them, and the status line
// as the place where the program speaks.
//
// A screen reader asks a window for its accessible object (WM_GETOBJECT)
// and reads its role, name, value and state. The platform answers for
// every standard control; `ExposeAccessible` keeps that answer and replaces
// only the role and the name, so that a slider is named "Threshold: 50",
// the status line is a status bar and a drawn key a push button, on every
// system, whatever the platform would guess from labels.
//
// Every change of the status line goes through `Announce`. Only changes
// are spoken, and of a burst only its last value (base/announce_gate.h).
// To speak, the status line raises the live-region event (with the status
// line marked as a polite live region where the platform can mark it), the
// name-change event as the floor every screen reader knows, and, where
// the system has it (loaded at run time, so the program starts without
// it), the UI Automation notification event carrying the text itself.
#pragma once
#include <windows.h>
#include <oleacc.h>  // the roles (ROLE_SYSTEM_...)

// The live-region event (EVENT_OBJECT_LIVEREGIONCHANGED), which the
// headers name only for newer systems than the program needs.
constexpr DWORD kEventLiveRegionChanged = 0x8019;

// Writes the accessible name of a window (ANSI text, terminated, at most
// `size` bytes).
using AccessibleNameFn = void (*)(HWND window, char* out, int size);

// How a window presents itself: its role (0 keeps the platform's) and the
// function that gives its name (null: its window text). The record must
// live as long as the window (a constant).
struct AccessibleLook {
  long role;
  AccessibleNameFn name;
};

// From now on the window answers a screen reader with `look`. Calling it
// again replaces the look; it ends with the window.
void ExposeAccessible(HWND window, const AccessibleLook* look);

// Tells screen readers that the window's name changed (a slider's label).
void NotifyNameChanged(HWND window);

// The status line: exposed as a status bar named by what it announced
// last, marked as a live region. Announcements need it.
void StartAnnouncements(HWND statusLine);

// The status line now shows `text`. Unless `speak` is false (a change a
// screen reader takes from elsewhere, such as a menu's own read-out or a
// focused control's name), a change is raised as the accessibility events,
// at once or as the last value of a burst; each raised text is logged as
// "Ansage: %s".
void Announce(const char* text, bool speak = true);

// The text raised last (the status line's accessible name).
const char* AnnouncedText();
