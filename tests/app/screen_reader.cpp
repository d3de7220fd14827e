#include "tests/app/screen_reader.h"

#include <oleacc.h>

#include "base/accessible.h"

namespace {

ScreenReader* g_reader = nullptr;  // the hook's callback has no context of its own

std::string Narrow(BSTR text) {
  if (!text) return "";
  char out[1024] = "";
  WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out - 1, nullptr, nullptr);
  return out;
}

}  // namespace

ScreenReader::ScreenReader(DWORD pid) {
  ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_reader = this;
  thread_ = std::thread([this, pid] { Run(pid); });
  WaitForSingleObject(ready_, 10000);
}

ScreenReader::~ScreenReader() {
  if (threadId_) PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
  if (thread_.joinable()) thread_.join();
  g_reader = nullptr;
  CloseHandle(ready_);
}

void ScreenReader::Run(DWORD pid) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
  threadId_ = GetCurrentThreadId();
  HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_FOCUS, kEventLiveRegionChanged, nullptr, OnEvent, pid, 0, WINEVENT_OUTOFCONTEXT);
  listening_ = hook != nullptr;
  SetEvent(ready_);
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  if (hook) UnhookWinEvent(hook);
  CoUninitialize();
}

void CALLBACK ScreenReader::OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  if (!g_reader || object != OBJID_CLIENT) return;
  if (event != EVENT_OBJECT_FOCUS && event != EVENT_OBJECT_NAMECHANGE && event != kEventLiveRegionChanged) return;
  HeardEvent heard{event, window, "", 0};
  IAccessible* accessible = nullptr;
  VARIANT id;
  VariantInit(&id);
  if (SUCCEEDED(AccessibleObjectFromEvent(window, object, child, &accessible, &id)) && accessible) {
    BSTR name = nullptr;
    if (accessible->get_accName(id, &name) == S_OK) heard.name = Narrow(name);
    SysFreeString(name);
    VARIANT role;
    VariantInit(&role);
    if (SUCCEEDED(accessible->get_accRole(id, &role)) && role.vt == VT_I4) heard.role = role.lVal;
    VariantClear(&role);
    accessible->Release();
  }
  VariantClear(&id);
  std::lock_guard<std::mutex> guard(g_reader->lock_);
  g_reader->heard_.push_back(heard);
}

std::vector<HeardEvent> ScreenReader::Heard() {
  std::lock_guard<std::mutex> guard(lock_);
  return heard_;
}

std::vector<std::string> ScreenReader::Spoken() {
  std::vector<std::string> spoken;
  for (const HeardEvent& e : Heard())
    if (e.event == kEventLiveRegionChanged) spoken.push_back(e.name);
  return spoken;
}

bool ScreenReader::WaitSpoken(const std::string& text, std::size_t from, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    const std::vector<std::string> spoken = Spoken();
    for (std::size_t i = from; i < spoken.size(); ++i)
      if (spoken[i] == text) return true;
    Sleep(20);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

bool ScreenReader::WaitFocus(const std::string& part, long* role, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    for (const HeardEvent& e : Heard()) {
      if (e.event == EVENT_OBJECT_FOCUS && e.name.find(part) != std::string::npos) {
        if (role) *role = e.role;
        return true;
      }
    }
    Sleep(20);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}
