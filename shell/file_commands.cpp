#include "shell/file_commands.h"

#include "document/file_dialogs.h"
#include "document/formats.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/device_link.h"
#include "shell/log.h"
#include "shell/main_window.h"
#include "shell/sound.h"
#include "shell/text.h"
#include "ui/dialogs.h"

namespace {

bool HasChosenFile() { return g_files.path[0] != '\0' && g_files.format != kFormatUnknown; }

Document TheDocument() { return Document{g_page, g_dtm, MainPageObserver()}; }

// The chosen file's full name: the record may be refilled while a format
// works on it.
void ChosenFileName(char (&name)[kFilePathMax]) { CopyText(name, sizeof name, g_files.path); }

bool RunDialog(HWND window, bool save) {
  bool chosen = save ? SaveFileDialog(window, g_files) : OpenFileDialog(window, g_files);
  if (chosen) g_tools.skipCounter = kSkipAfterDialog;
  return chosen;
}

}  // namespace

void AskToSaveModifiedPage(HWND window) {
  if (!g_page.modified || ShowMessageDialog(kModeFileNotSaved) == 0) return;
  // Without a chosen file the save dialog must run now: a posted CMD_SAVEAS
  // would come after the page has been replaced or the window is gone.
  SendMessageA(window, WM_COMMAND, HasChosenFile() ? CMD_SAVE : CMD_SAVEAS, 0);
}

void CommandOpen(HWND window) {
  AskToSaveModifiedPage(window);
  ShowStatusText("Load");
  if (!RunDialog(window, false)) return;
  ShowInfoPanel();
  char name[kFilePathMax];
  ChosenFileName(name);
  LogWrite("Open:%s", name);
  PlayEventSound("Open", 1);
  Document doc = TheDocument();
  int bytes = LoadDocument(g_files.format, name, doc);
  if (bytes == kFormatNotSupported) {
    LogWrite("Dateiformat nicht unterst\xfctzt :%s", name);
  } else if (bytes == 0) {
    LogWrite("Datei nicht gefunden:%s", name);
  }
  RequestRefresh(1);
}

void CommandSave(HWND window) {
  LogWrite("CMD_SAVE");
  ShowStatusText("Save");
  PackPage(g_page, g_dtm);
  PackTextLine(g_page, g_dtm, DeviceLastText());
  if (!HasChosenFile()) {
    PostMessageA(window, WM_COMMAND, CMD_SAVEAS, 1);
    return;
  }
  PlayEventSound("Save", 1);
  g_page.modified = 0;
  char name[kFilePathMax];
  ChosenFileName(name);
  Document doc = TheDocument();
  int bytes = SaveDocument(g_files.format, name, doc);
  if (bytes == kFormatNotSupported) {
    LogWrite("Dateiformat nicht unterst\xfctzt:%d", static_cast<int>(g_files.format));
  } else if (bytes == 0) {
    LogWrite("Datei nicht gefunden:%s", name);
  }
}

void CommandSaveAs(HWND window) {
  LogWrite("CMD_SAVEAS");
  ShowStatusText("SaveAs");
  PlayEventSound("SaveAS", 1);
  ShowStatusText("Load");
  if (!RunDialog(window, true)) return;
  ShowInfoPanel();
  char name[kFilePathMax];
  ChosenFileName(name);
  LogWrite("Open:%s", name);
  g_page.modified = 0;
  CommandSave(window);
}
