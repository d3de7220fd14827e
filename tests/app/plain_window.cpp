// The baseline of the start-up figure: the least a window program does
// under the same Wine. It registers a class, shows a window, starts a 50 ms
// timer and ends at its first tick.
#include <windows.h>

namespace {

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA cls = {};
  cls.lpfnWndProc = PlainProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  cls.lpszClassName = "PlainWindow";
  RegisterClassA(&cls);
  HWND window = CreateWindowExA(0, cls.lpszClassName, "Plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 20, 750, 660,
                                nullptr, nullptr, instance, nullptr);
  UpdateWindow(window);
  SetTimer(window, 100, 50, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
