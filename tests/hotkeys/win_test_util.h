// Helpers shared by the Windows tests of key definitions and sound: a
// fresh settings file and log in the working folder, and a small window
// that records what is posted to it.
#pragma once
#include <windows.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "base/hotkeys.h"
#include "base/log.h"
#include "base/settings.h"

inline std::string WorkFolder() {
  char dir[MAX_PATH];
  GetCurrentDirectoryA(sizeof dir, dir);
  std::string s(dir);
  if (s.empty() || s.back() != '\\') s += '\\';
  return s;
}

// Points the settings and the log at fresh files named after the test.
inline void FreshSettingsAndLog(const std::string& name) {
  std::string ini = WorkFolder() + name + ".ini";
  std::string log = WorkFolder() + name + ".pro";
  DeleteFileA(ini.c_str());
  DeleteFileA(log.c_str());
  SetSettingsPath(ini.c_str());
  SetLanguageSection("0049");
  LogSetPath(log.c_str());
  LogSetLevel(1);
  LogReset();
}

inline std::string ReadLog() {
  std::ifstream in(LogPath());
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string RawSetting(const char* section, const char* key) {
  char buf[512];
  GetPrivateProfileStringA(section, key, "<none>", buf, sizeof buf, SettingsPath());
  return buf;
}

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// A top-level window that records WM_COMMAND, WM_HOTKEY, kHookKeyMessage and
// key messages.
class RecordingWindow {
 public:
  // A hidden window is quicker to make and drop under Wine.
  explicit RecordingWindow(bool visible = true) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RelivoKeyTestWindow";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, "keys", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10, 10, 300,
                            200, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;
  ~RecordingWindow() { DestroyWindow(hwnd_); }

  HWND hwnd() const { return hwnd_; }
  std::vector<Posted>& seen() { return seen_; }
  // Called with every message before the default handling.
  std::function<void(HWND, UINT, WPARAM, LPARAM)> onMessage;

  // Dispatches what is queued, for at most `ms` milliseconds.
  static void Pump(DWORD ms = 200) {
    DWORD end = GetTickCount() + ms;
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      Sleep(5);
    }
  }
  int Count(UINT message, WPARAM wParam) const {
    int n = 0;
    for (const Posted& p : seen_)
      if (p.message == message && p.wParam == wParam) ++n;
    return n;
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self &&
        (msg == WM_COMMAND || msg == WM_HOTKEY || msg == kHookKeyMessage || msg == WM_KEYDOWN || msg == WM_KEYUP))
      self->seen_.push_back(Posted{msg, wp, lp});
    if (self && self->onMessage) self->onMessage(hwnd, msg, wp, lp);
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  HWND hwnd_ = nullptr;
  std::vector<Posted> seen_;
};
