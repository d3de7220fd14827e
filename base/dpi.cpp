#include "base/dpi.h"

#include "base/owners.h"

namespace {

// DPI_AWARENESS_CONTEXT values and PROCESS_DPI_AWARENESS, named here for
// the systems whose headers lack them.
const HANDLE kContextPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kContextPerMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
constexpr int kProcessPerMonitorAware = 2;

using SetContextFn = BOOL(WINAPI*)(HANDLE);
using SetAwarenessFn = HRESULT(WINAPI*)(int);
using SetAwareFn = BOOL(WINAPI*)();
using DpiForWindowFn = UINT(WINAPI*)(HWND);

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

HMODULE User32() { return GetModuleHandleA("user32.dll"); }

}  // namespace

const char* MakeDpiAware() {
  if (auto setContext = Lookup<SetContextFn>(User32(), "SetProcessDpiAwarenessContext")) {
    if (setContext(kContextPerMonitorV2)) return "Per-Monitor v2";
    // Set before (by the manifest): the declaration stands.
    if (GetLastError() == ERROR_ACCESS_DENIED) return "vom Manifest gesetzt";
    if (setContext(kContextPerMonitor)) return "Per-Monitor";
  }
  ModuleHandle shcore(LoadLibraryA("shcore.dll"));
  if (auto setAwareness = Lookup<SetAwarenessFn>(shcore.Get(), "SetProcessDpiAwareness")) {
    const HRESULT hr = setAwareness(kProcessPerMonitorAware);
    if (SUCCEEDED(hr)) return "Per-Monitor";
    if (hr == E_ACCESSDENIED) return "vom Manifest gesetzt";
  }
  if (auto setAware = Lookup<SetAwareFn>(User32(), "SetProcessDPIAware"))
    if (setAware()) return "System";
  return "keine";
}

UINT WindowDpi(HWND window) {
  if (window)
    if (auto dpiForWindow = Lookup<DpiForWindowFn>(User32(), "GetDpiForWindow"))
      if (const UINT dpi = dpiForWindow(window)) return dpi;
  WindowDc screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : kBaseDpi;
  return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}
