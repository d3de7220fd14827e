#include "shell/hotkeys.h"

#include <cstdio>

#include "shell/commands.h"
#include "shell/keynames.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "shell/text.h"
#include "shell/textformat.h"

namespace {

// Owns the thread keyboard hook.
class KeyboardHookHandle {
 public:
  KeyboardHookHandle() = default;
  KeyboardHookHandle(const KeyboardHookHandle&) = delete;
  KeyboardHookHandle& operator=(const KeyboardHookHandle&) = delete;
  ~KeyboardHookHandle() { Reset(); }
  void Reset(HHOOK hook = nullptr) {
    if (hook_) UnhookWindowsHookEx(hook_);
    hook_ = hook;
  }
  HHOOK Get() const { return hook_; }

 private:
  HHOOK hook_ = nullptr;
};

struct HotKeyState {
  KeyDefinitions defs{};
  HWND hotKeyWindow = nullptr;  // the hot keys belong to it; CMD_MESSAGE goes there
  HWND keyTarget = nullptr;
  HookFlagFn menuOpen = nullptr;
  HookFlagFn popupOpen = nullptr;
  KeyboardHookHandle hook;
  // One buffer per registration, so that a second failure cannot overwrite
  // the text of a message that is still waiting to be shown.
  char messages[kRegisteredHotKeysMax][kHotKeyMessageMax] = {};

  HotKeyState() = default;
  HotKeyState(const HotKeyState&) = delete;
  HotKeyState& operator=(const HotKeyState&) = delete;
  ~HotKeyState() { UnregisterAll(); }

  void UnregisterAll() {
    for (int i = 0; i < defs.registeredCount && i < kRegisteredHotKeysMax; ++i)
      UnregisterHotKey(hotKeyWindow, defs.registered[i]);
    defs.registeredCount = 0;
  }
};

HotKeyState& State() {
  static HotKeyState state;
  return state;
}

bool Down(const BYTE (&keys)[256], int vk) { return (keys[vk] & 0x80) != 0; }

void ReportRegistrationFailure(int slot, DWORD error, const HotKeyDef& def) {
  HotKeyState& s = State();
  char format[kValueMax];
  GetText("HotKeyError", format, "HotKeyError", sizeof format);
  const FormatArg args[] = {IntArg(static_cast<std::int32_t>(error)), IntArg(def.key),
                            IntArg(def.alt), IntArg(def.ctrl), IntArg(def.shift)};
  char* message = s.messages[slot];
  FormatUserText(message, kHotKeyMessageMax, format, args, sizeof args / sizeof args[0]);
  UnescapeText(message, kHotKeyMessageMax);
  message[kHotKeyMessageMax - 1] = '\0';
  PostMessageA(s.hotKeyWindow, WM_COMMAND, CMD_MESSAGE, reinterpret_cast<LPARAM>(message));
}

void RegisterGlobalHotKey(const HotKeyDef& def) {
  HotKeyState& s = State();
  if (!AddRegisteredHotKey(s.defs, def.command)) return;
  UINT modifiers = kHotKeyModNoRepeat;
  if (def.alt) modifiers |= kHotKeyModAlt;
  if (def.ctrl) modifiers |= kHotKeyModCtrl;
  if (def.shift) modifiers |= kHotKeyModShift;
  if (RegisterHotKey(s.hotKeyWindow, def.command, modifiers, static_cast<UINT>(def.key))) {
    LogWrite("Hotkey registriert");
    return;
  }
  DWORD error = GetLastError();
  LogWrite("Err: RegisterHotKey %lu", static_cast<unsigned long>(error));
  ReportRegistrationFailure(s.defs.registeredCount - 1, error, def);
}

}  // namespace

int ReadKeyDefinitions(HWND mainWindow) {
  HotKeyState& s = State();
  UnregisterHotKeys();
  ClearKeyDefinitions(s.defs);
  s.hotKeyWindow = mainWindow;
  for (int n = 0; n <= kHotKeyLinesLast; ++n) {
    char key[16];
    std::snprintf(key, sizeof key, "Key%03d", n);
    if (!ProfileHasKey(key, "HotKeys")) continue;
    char line[kValueMax];
    ProfileGetString(key, line, "00,0,0,0,0,0", "HotKeys", sizeof line);
    HotKeyDef d = ParseKeyLine(line);
    DefineKey(d.shift, d.ctrl, d.alt, d.key, d.command, d.parameter);
  }
  return CountKeyDefinitions(s.defs);
}

bool DefineKey(int shift, int ctrl, int alt, int key, int command, int parameter) {
  HotKeyDef def{shift, ctrl, alt, key, command, parameter};
  int index = -1;
  if (StoreKeyDefinition(State().defs, def, &index) != KeyStore::kStored) return false;
  if (parameter == kGlobalHotKeyParameter) RegisterGlobalHotKey(def);
  return true;
}

const KeyDefinitions& CurrentKeyDefinitions() { return State().defs; }

void UnregisterHotKeys() { State().UnregisterAll(); }

bool InstallKeyboardHook(HWND target, HookFlagFn menuOpen, HookFlagFn popupOpen) {
  HotKeyState& s = State();
  s.keyTarget = target;
  s.menuOpen = menuOpen;
  s.popupOpen = popupOpen;
  HHOOK hook = SetWindowsHookExA(WH_KEYBOARD, KeyboardHookProc, nullptr, GetCurrentThreadId());
  if (!hook) {
    LogWrite("Err: SetWindowsHookEx %lu", static_cast<unsigned long>(GetLastError()));
    return false;
  }
  s.hook.Reset(hook);
  LogWrite("SetWindowsHookEx Keyboard");
  return true;
}

void RemoveKeyboardHook() { State().hook.Reset(); }
bool KeyboardHookInstalled() { return State().hook.Get() != nullptr; }

void SetKeyTarget(HWND target) { State().keyTarget = target; }
HWND KeyTarget() { return State().keyTarget; }

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
  HotKeyState& s = State();
  // Only a key taken out of the queue counts: a peek without removing
  // (HC_NOREMOVE) is followed by the real call, and would forward twice.
  if (code != HC_ACTION) return CallNextHookEx(s.hook.Get(), code, wParam, lParam);
  bool released = (static_cast<DWORD>(lParam) & 0x80000000u) != 0;
  if (released || (s.menuOpen && s.menuOpen())) return 0;
  if (s.keyTarget) PostMessageA(s.keyTarget, kHookKeyMessage, wParam, lParam);
  bool popup = s.popupOpen && s.popupOpen();
  auto vk = static_cast<std::int32_t>(wParam);
  if (!popup && (vk == kVkTab || vk == kVkUp || vk == kVkDown)) return -1;
  return 0;
}

bool FindKey(HWND window, int key) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const HotKeyDef* hit = MatchKey(State().defs, key, Down(keys, kVkShift), Down(keys, kVkControl),
                                  Down(keys, kVkMenu));
  if (!hit) return false;
  PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(hit->command),
               static_cast<LPARAM>(hit->parameter));
  return true;
}
