// Stand-ins for the key definitions, the sound and the dialogs until they
// are built in.
#include "shell/shell_links.h"
#include "shell/log.h"

int PlayEventSound(const char*, int) { return 0; }
int ShowMessageDialog(int mode) {
  LogWrite("ConfigSelect %d %d", mode, 0);
  return MessageBoxA(nullptr, "?", "Relivo X", MB_OKCANCEL) == IDOK ? 1 : 0;
}
void ShowAboutDialog(int) {}
bool FindKey(HWND, int) { return false; }
void SetDialogMessage(const char*) {}
int ReadKeyDefinitions(HWND) { return 0; }
bool InstallKeyboardHook(HWND) { return false; }
void RemoveKeyboardHook() {}
void UnregisterHotKeys(HWND) {}
