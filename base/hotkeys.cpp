#include "base/hotkeys.h"

#include <cstdio>

#include "base/commands.h"
#include "base/keynames.h"
#include "base/log.h"
#include "base/settings.h"
#include "base/text.h"
#include "base/textformat.h"
#include "base/trace.h"

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
  HookFlagFn arrowsToFocus = nullptr;
  KeyboardHookHandle hook;
  // A defined key that the platform would take as a menu key was forwarded
  // and kept from the window; its release is kept back too.
  int heldMenuKey = 0;
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

bool KeyDown(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

// Bit 29 of a key's message data: Alt is down.
constexpr LPARAM kAltContext = 1L << 29;

// The default handling of a window enters the menu on F10 and on keys
// pressed with Alt; a key defined for a command must not get there.
bool IsDefinedMenuKey(const HotKeyState& s, int vk, LPARAM lParam) {
  if (vk != kVkF10 && !(lParam & kAltContext)) return false;
  return MatchKey(s.defs, vk, KeyDown(kVkShift), KeyDown(kVkControl), KeyDown(kVkMenu)) != nullptr;
}

// The keys belong to the key target while it is enabled (a modal window
// that is not one of the program's own dialogs, such as a common file
// dialog or a message box, disables its owner) and the thread's active
// window is the target or one it owns.
bool TargetHasTheKeyboard(HWND target) {
  if (!target || !IsWindowEnabled(target)) return false;
  HWND active = GetActiveWindow();
  return !active || GetAncestor(active, GA_ROOTOWNER) == GetAncestor(target, GA_ROOTOWNER);
}

void ReportRegistrationFailure(int slot, DWORD error, const HotKeyDef& def) {
  HotKeyState& s = State();
  char format[kValueMax];
  GetText("HotKeyError", format, "HotKeyError", sizeof format);
  const FormatArg args[] = {IntArg(static_cast<std::int32_t>(error)), IntArg(def.key), IntArg(def.alt),
                            IntArg(def.ctrl), IntArg(def.shift)};
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

bool InstallKeyboardHook(HWND target, HookFlagFn menuOpen, HookFlagFn popupOpen, HookFlagFn arrowsToFocus) {
  HotKeyState& s = State();
  s.keyTarget = target;
  s.menuOpen = menuOpen;
  s.popupOpen = popupOpen;
  s.arrowsToFocus = arrowsToFocus;
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
  auto vk = static_cast<std::int32_t>(wParam);
  TraceMark(TraceStage::kInputTaken, vk);
  bool released = (static_cast<DWORD>(lParam) & 0x80000000u) != 0;
  if (released) {
    if (vk != s.heldMenuKey) return 0;
    s.heldMenuKey = 0;
    return 1;
  }
  if (s.menuOpen && s.menuOpen()) return 0;
  // Someone else's modal window has the keyboard: it gets every key, and
  // no command runs.
  if (!TargetHasTheKeyboard(s.keyTarget)) return CallNextHookEx(s.hook.Get(), code, wParam, lParam);
  PostMessageA(s.keyTarget, kHookKeyMessage, wParam, lParam);
  if (IsDefinedMenuKey(s, vk, lParam)) {
    s.heldMenuKey = vk;
    return 1;
  }
  if (s.popupOpen && s.popupOpen()) return 0;
  if (vk == kVkTab) return -1;
  if ((vk == kVkUp || vk == kVkDown) && !(s.arrowsToFocus && s.arrowsToFocus())) return -1;
  return 0;
}

bool FindKey(HWND window, int key) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const HotKeyDef* hit = MatchKey(State().defs, key, Down(keys, kVkShift), Down(keys, kVkControl), Down(keys, kVkMenu));
  if (!hit) return false;
  // A parameter from a definition is a number, never the address of a text.
  LPARAM parameter = CommandTakesText(hit->command) ? 0 : static_cast<LPARAM>(hit->parameter);
  PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(hit->command), parameter);
  return true;
}
