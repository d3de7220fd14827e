// Stand-ins for the message and about dialogs until they are built in: the
// question of the message dialog is asked with a plain message box.
#include "shell/log.h"
#include "shell/shell_links.h"

int ShowMessageDialog(int mode) {
  LogWrite("ConfigSelect %d %d", mode, 0);
  return MessageBoxA(nullptr, "?", "Relivo X", MB_OKCANCEL) == IDOK ? 1 : 0;
}
void ShowAboutDialog(int) {}
void SetDialogMessage(const char*) {}
