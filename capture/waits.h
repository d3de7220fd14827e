// Waits of the caller's thread that keep its windows alive. The preview
// window is a child of the caller's window, owned by another thread: while
// the caller's thread waits without handling the messages sent to it, a
// renderer that sends one to the owner waits as well, and a cross-thread
// SendMessage to any of the caller's windows hangs. These waits handle
// sent messages and paint messages; posted messages stay in the queue for
// the caller's own loop.
#pragma once
#include <windows.h>

// Waits for one of `count` handles (count may be 0) up to `timeoutMs`:
// WAIT_OBJECT_0 + i, WAIT_TIMEOUT or WAIT_FAILED, as WaitForMultipleObjects.
DWORD WaitKeepingWindowsAlive(DWORD count, const HANDLE* handles, DWORD timeoutMs);
