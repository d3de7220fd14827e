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

  // Dispatches the thread's messages until `done` holds (checked after
  // every message and at least every 10 ms) or the time is up; true when
  // it held. A busy machine only makes it take longer.
  template <typename Done>
  static bool PumpUntil(Done done, DWORD timeoutMs = kSettleTimeoutMs) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (!done()) {
      if (GetTickCount() - start >= timeoutMs) return false;
      if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      }
    }
    return true;
  }
  // Dispatches every message posted to the thread before the call: a
  // marker posted behind them comes back last.
  bool Settle() {
    const LPARAM marker = ++markers_;
    PostMessageA(hwnd_, kMarkerMessage, 0, marker);
    return PumpUntil([&] { return settled_ == marker; });
  }
  // The same for real input: a key that nothing defines (F24) is pressed
  // and released behind the keys sent before, and its release comes back
  // after they were all handled, with what their handling posted.
  bool SettleInput() {
    INPUT in[2] = {};
    for (int i = 0; i < 2; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki.wVk = VK_F24;
      in[i].ki.dwFlags = i ? KEYEVENTF_KEYUP : 0;
    }
    const int before = Count(WM_KEYUP, VK_F24);
    SendInput(2, in, sizeof in[0]);
    return PumpUntil([&] { return Count(WM_KEYUP, VK_F24) > before; }) && Settle();
  }
  int Count(UINT message, WPARAM wParam) const {
    int n = 0;
    for (const Posted& p : seen_)
      if (p.message == message && p.wParam == wParam) ++n;
    return n;
  }

 private:
  static constexpr UINT kMarkerMessage = WM_APP + 0x3F0;
  static constexpr DWORD kSettleTimeoutMs = 10000;
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg == kMarkerMessage) {
      self->settled_ = lp;
      return 0;
    }
    if (self &&
        (msg == WM_COMMAND || msg == WM_HOTKEY || msg == kHookKeyMessage || msg == WM_KEYDOWN || msg == WM_KEYUP))
      self->seen_.push_back(Posted{msg, wp, lp});
    if (self && self->onMessage) self->onMessage(hwnd, msg, wp, lp);
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  HWND hwnd_ = nullptr;
  std::vector<Posted> seen_;
  LPARAM markers_ = 0;
  LPARAM settled_ = 0;
};
