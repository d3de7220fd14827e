// A screen reader's ears, for the tests: a thread of the test process that
// listens to another process's accessibility events with an out-of-context
// event hook, as a screen reader does, and reads the object of each event
// through the platform's accessibility interface (name, role).
#pragma once
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct HeardEvent {
  DWORD event;
  HWND window;
  std::string name;  // the accessible name, ANSI
  long role;
};

class ScreenReader {
 public:
  // Listens to the name-change, live-region and focus events of `pid`.
  explicit ScreenReader(DWORD pid);
  ~ScreenReader();
  ScreenReader(const ScreenReader&) = delete;
  ScreenReader& operator=(const ScreenReader&) = delete;

  bool Listening() const { return listening_; }
  std::vector<HeardEvent> Heard();
  // The names of the live-region events heard so far, in order.
  std::vector<std::string> Spoken();
  // Waits until a live-region event named `text` has been heard (after the
  // first `from` ones); false after the time-out.
  bool WaitSpoken(const std::string& text, std::size_t from = 0, DWORD timeoutMs = 5000);
  // Waits for a focus event whose name holds `part`; its role through `role`.
  bool WaitFocus(const std::string& part, long* role = nullptr, DWORD timeoutMs = 5000);

 private:
  static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD);
  void Run(DWORD pid);

  std::mutex lock_;
  std::vector<HeardEvent> heard_;
  std::thread thread_;
  DWORD threadId_ = 0;
  HANDLE ready_ = nullptr;
  bool listening_ = false;
};
