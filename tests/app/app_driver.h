// Drives the real RelivoX.exe from a test: a fresh copy of the output
// folder per run, the program started with CreateProcess, its windows
// found, messages posted, the log and the settings file read back.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct AppRun {
  std::string folder;  // the copy of the output folder, with '\' at the end
  PROCESS_INFORMATION process{};
  HWND main = nullptr;

  AppRun() = default;
  AppRun(const AppRun&) = delete;
  AppRun& operator=(const AppRun&) = delete;
  // Ends the program if it still runs and closes the handles.
  ~AppRun();

  std::string IniPath() const { return folder + "res\\RelivoX.ini"; }
  std::string LogPath() const { return folder + "res\\RelivoX.pro"; }
  DWORD Pid() const { return process.dwProcessId; }
};

// A fresh copy of the output folder (program, settings, sounds, data).
// With `ini` given, the settings file holds exactly that text.
std::string MakeRunFolder(const char* ini = nullptr);

// Starts RelivoX.exe in the folder (also its working folder).
bool StartProcess(AppRun& run, const std::string& folder);
// Starts it and waits for the main window and its laid-out children, and,
// when the settings log at [Def] Debug 1 or more, for the end of its
// start-up (Sync).
bool StartApp(AppRun& run, const std::string& folder, DWORD timeoutMs = 20000);
// Waits until the program has ended; false on time-out.
bool WaitExit(AppRun& run, DWORD timeoutMs);
// Posts WM_COMMAND (id, lParam) to the main window.
void PostCommand(const AppRun& run, int id, LPARAM lParam = 0);
// Waits until the program has handled every message posted to it before
// this call: posts CMD_FLY, whose only work is its log line, and waits for
// that line (the program must log at [Def] Debug 1 or more). False on
// time-out.
bool Sync(const AppRun& run, DWORD timeoutMs = 10000);
// Closes the program and declines to save the modified page when it asks;
// true when it asked and has ended.
bool CloseWithoutSaving(AppRun& run);
// Closes the program; the question about an unsaved page, if it comes, is
// answered with no. True when it has ended.
bool CloseAnsweringNo(AppRun& run);

// A visible top-level dialog (#32770) of the process, optionally with a
// title; nullptr after the time-out.
HWND WaitDialog(DWORD pid, const char* title, DWORD timeoutMs);
std::vector<HWND> Dialogs(DWORD pid);
std::string WindowText(HWND window);
// Text of the static controls of a dialog (the message of a message box).
std::string DialogMessage(HWND dialog);
// The dialog's message once it holds part (or what it holds after the time-out).
std::string WaitDialogMessage(HWND dialog, const std::string& part, DWORD timeoutMs = 5000);
// Clicks a push button of a dialog by its id.
void ClickButton(HWND dialog, int id);
// Types a full path into a file dialog and confirms it.
void ChooseFile(HWND dialog, const std::string& path);
// Answers "yes" when the save dialog asks before it creates a new file.
void ConfirmNewFile(DWORD pid, HWND fileDialog, DWORD timeoutMs);

std::string ReadFileText(const std::string& path);
std::vector<unsigned char> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const void* data, size_t size);
bool WaitForText(const std::string& path, const char* text, DWORD timeoutMs);
std::string IniValue(const std::string& ini, const char* section, const char* key);

// The children of the main window with their class and client rectangle.
struct ChildInfo {
  HWND window;
  std::string cls;
  int id;
  RECT rect;  // in the main window's client coordinates
  LONG style;
  LONG exStyle;
};
std::vector<ChildInfo> Children(HWND main);
