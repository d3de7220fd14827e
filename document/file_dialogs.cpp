#include "document/file_dialogs.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "document/dot_page.h"
#include "document/file_select.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/device_link.h"
#include "shell/log.h"
#include "shell/main_window.h"
#include "shell/settings.h"
#include "ui/dialogs.h"
#include "shell/sound.h"
#include "shell/text.h"

namespace {

constexpr const char* kDefaultFilter =
    "DTM Dateien (*.dtm)\\0*.dtm\\0XML Dateien (*.xml)\\0*.xml\\0BMP Dateien\\0*.bmp\\0\\0";
constexpr int kFileNameMax = kFilePathMax;

// Runs one of the two dialogs; fills the record from the chosen file.
bool RunFileDialog(HWND owner, bool save) {
  ClearChoice(g_files);
  char filter[kFilterMax];
  GetText("File.Filter", filter, kDefaultFilter, sizeof filter);
  UnescapeText(filter, sizeof filter);
  filter[kFilterMax - 1] = '\0';
  filter[kFilterMax - 2] = '\0';  // the list always ends with two NULs
  char title[kValueMax];
  if (save) {
    GetText("file.dlg.save", title, "Relivo X Datei speichern", sizeof title);
  } else {
    GetText("file.dlgname", title, "Relivo X Datei \xf6" "ffnen", sizeof title);
  }
  char path[kFilePathMax] = "";
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.lpstrInitialDir = ".\\data";
  ofn.lpstrTitle = title;
  if (save) {
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT | OFN_DONTADDTORECENT | OFN_HIDEREADONLY;
    ofn.lpstrDefExt = "dtm";
  } else {
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  }
  BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!chosen) return false;
  if (save) LogWrite("GSVN:%s", path);
  SetChoice(g_files, path, ofn.nFileOffset, ofn.nFileExtension);
  g_files.format = FormatFromExtension(g_files, g_files.extension);
  const char* entry = g_files.format >= 0 && g_files.format < g_files.extCount ? g_files.extTable[g_files.format] : "";
  LogWrite("Datei %s ausgew\xe4hlt im Format %s / %d", path, entry, static_cast<int>(g_files.format));
  g_tools.skipCounter = 2;
  return true;
}

// The chosen file's full name, as the dialog reported it.
void ChosenFileName(char (&name)[kFileNameMax]) { CopyText(name, sizeof name, g_files.path); }

bool HasChosenFile() { return g_files.path[0] != '\0' && g_files.format != kFormatUnknown; }

}  // namespace

bool OpenFileDialog(HWND owner) { return RunFileDialog(owner, false); }
bool SaveFileDialog(HWND owner) { return RunFileDialog(owner, true); }

void SaveBeforeLeaving(HWND window) {
  // Without a chosen file the save dialog must run now: a posted CMD_SAVEAS
  // would come after the page has been replaced or the window is gone.
  SendMessageA(window, WM_COMMAND, HasChosenFile() ? CMD_SAVE : CMD_SAVEAS, 0);
}

void CommandOpen(HWND window) {
  if (g_page.modified && ShowMessageDialog(404) != 0) SaveBeforeLeaving(window);
  ShowStatusText("Load");
  if (!OpenFileDialog(window)) return;
  ShowInfoPanel();
  char name[kFileNameMax];
  ChosenFileName(name);
  LogWrite("Open:%s", name);
  PlayEventSound("Open", 1);
  int bytes = 0;
  if (g_files.format == kFormatDtm) {
    bytes = g_dtm.Load(name, g_page, MainPageObserver());
    if (bytes == 0) LogWrite("Datei nicht gefunden:%s", name);
  } else {
    // XML and BMP documents arrive with their formats.
    LogWrite("Dateiformat nicht unterst\xfctzt :%s", name);
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
  char name[kFileNameMax];
  ChosenFileName(name);
  int bytes = 0;
  if (g_files.format == kFormatDtm) {
    bytes = g_dtm.Save(name, MainPageObserver());
    if (bytes == 0) LogWrite("Datei nicht gefunden:%s", name);
  } else {
    LogWrite("Dateiformat nicht unterst\xfctzt:%d", static_cast<int>(g_files.format));
  }
}

void CommandSaveAs(HWND window) {
  LogWrite("CMD_SAVEAS");
  ShowStatusText("SaveAs");
  PlayEventSound("SaveAS", 1);
  ShowStatusText("Load");
  if (!SaveFileDialog(window)) return;
  ShowInfoPanel();
  char name[kFileNameMax];
  ChosenFileName(name);
  LogWrite("Open:%s", name);
  g_page.modified = 0;
  CommandSave(window);
}
