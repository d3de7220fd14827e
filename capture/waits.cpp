#include "capture/waits.h"

namespace {

// Messages sent by other threads are handled inside PeekMessage; paint
// messages are taken and dispatched; nothing else leaves the queue.
void HandleSentAndPaint() {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageW(&msg);
}

}  // namespace

DWORD WaitKeepingWindowsAlive(DWORD count, const HANDLE* handles, DWORD timeoutMs) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    // What arrived before the wait would not wake it.
    HandleSentAndPaint();
    DWORD left = INFINITE;
    if (timeoutMs != INFINITE) {
      const ULONGLONG passed = GetTickCount64() - start;
      left = passed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - passed);
    }
    const DWORD result = MsgWaitForMultipleObjectsEx(count, handles, left, QS_SENDMESSAGE | QS_PAINT, 0);
    if (result != WAIT_OBJECT_0 + count) return result;
  }
}
