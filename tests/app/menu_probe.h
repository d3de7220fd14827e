// The program's menus and tooltips read from inside it: the test hooks
// the probe DLL (menu_probe.cpp) into the program's thread, asks it for a
// dump and reads the file it writes. One line per item, "bar 0.3 id=...
// od=... sep=... checked=... gray=... text=...", and "tip n text=..." per
// tooltip of the icon bar.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/app/app_driver.h"

inline constexpr const char* kProbeFile = "menu-probe.txt";

inline std::string ReadMenus(const AppRun& run) {
  static HMODULE probe = LoadLibraryA(RELIVO_MENU_PROBE);
  if (!probe) return "probe not loaded";
  FARPROC found = GetProcAddress(probe, "MenuProbeHook");
  if (!found) found = GetProcAddress(probe, "MenuProbeHook@12");
  auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(found));
  if (!proc) return "probe without its hook";
  const std::string path = run.folder + kProbeFile;
  DeleteFileA(path.c_str());
  HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, proc, probe, GetWindowThreadProcessId(run.main, nullptr));
  if (!hook) return "no hook";
  PostMessageA(run.main, RegisterWindowMessageA("RelivoX.MenuProbe"), 0, 0);
  std::string text;
  for (int i = 0; i < 200 && (text = ReadFileText(path)).empty(); ++i) Sleep(50);
  UnhookWindowsHookEx(hook);
  return text;
}

// The dumped line of an item ("bar 0" is the first menu, "bar 0.2" its
// third item).
inline std::string Item(const std::string& dump, const std::string& path) {
  const std::string wanted = path + " ";
  for (std::size_t at = 0; at < dump.size();) {
    std::size_t end = dump.find('\n', at);
    if (end == std::string::npos) end = dump.size();
    if (dump.compare(at, wanted.size(), wanted) == 0) return dump.substr(at, end - at);
    at = end + 1;
  }
  return "";
}

// The command identifier of the first item whose caption is `text`.
inline int IdOf(const std::string& dump, const std::string& text) {
  const std::size_t at = dump.find(" text=" + text + "\n");
  if (at == std::string::npos) return -1;
  const std::size_t line = dump.rfind('\n', at) + 1;
  return std::atoi(dump.c_str() + dump.find("id=", line) + 3);
}
