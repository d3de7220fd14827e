#include "app/file_commands.h"

#include <algorithm>
#include <cstdio>

#include "app/app_state.h"
#include "app/device_link.h"
#include "app/main_window.h"
#include "base/commands.h"
#include "base/log.h"
#include "base/sound.h"
#include "base/text.h"
#include "base/textformat.h"
#include "document/formats.h"
#include "document/picture_wic.h"
#include "ui/dialogs.h"
#include "ui/file_dialogs.h"

namespace {

bool HasChosenFile() { return g_files.path[0] != '\0' && g_files.format != kFormatUnknown; }
// A file that CMD_SAVE can write without asking for another name.
bool CanSaveChosenFile() { return HasChosenFile() && CanSaveFormat(g_files.format); }

Document TheDocument() {
  Document doc{g_page, g_dtm, MainPageObserver()};
  doc.settings.bmpGap = ProfileGetInt("BMP.gap", 0, "Def") != 0;
  doc.settings.language = LanguageSection();
  const int threshold = ProfileGetInt("Picture.Trigger", static_cast<int>(kPictureThresholdDefault), "Def");
  doc.settings.pictureThreshold = static_cast<float>(std::clamp(threshold, 0, 100));
  doc.settings.pictureMode =
      ProfileGetInt("Picture.Outline", 0, "Def") != 0 ? PictureMode::kOutline : PictureMode::kThreshold;
  doc.pictures = &PlatformPictureDecoder();
  return doc;
}

// The chosen file's full name: the record may be refilled while a format
// works on it.
void ChosenFileName(char (&name)[kFilePathMax]) { CopyText(name, sizeof name, g_files.path); }

bool RunDialog(HWND window, bool save) {
  bool chosen = save ? SaveFileDialog(window, g_files) : OpenFileDialog(window, g_files);
  if (chosen) g_tools.skipCounter = kSkipAfterDialog;
  return chosen;
}

// Tells the user that a file command failed, naming the chosen file without
// its folder (the message dialog expands backslash escapes).
void TellFileFailed(const char* key, const char* def) {
  char format[kValueMax];
  // language key from the callers of TellFileFailed, argument 0
  GetText(key, format, def, sizeof format);
  char name[kFileTitleMax + kFileExtMax + 1];
  std::snprintf(name, sizeof name, g_files.extension[0] ? "%s.%s" : "%s", g_files.title, g_files.extension);
  FormatArg arg = TextArg(name);
  char message[kMessageTextMax + 1];
  FormatUserText(message, sizeof message, format, &arg, 1);
  SetDialogMessage(message);
  ShowMessageDialog(kModeMessage);
}

// CMD_SAVE. `askForName`: a chosen file of a format that cannot be saved
// (a picture) is saved under a new name; from CMD_SAVEAS it is refused.
// `wasModified`: the page's mark before the command, kept when the save
// fails.
void SaveCommand(HWND window, bool askForName, std::int32_t wasModified) {
  LogWrite("CMD_SAVE");
  ShowStatusText("Save");
  PackPage(g_page, g_dtm);
  PackTextLine(g_page, g_dtm, DeviceLastText());
  if (!HasChosenFile() || (askForName && !CanSaveFormat(g_files.format))) {
    PostMessageA(window, WM_COMMAND, CMD_SAVEAS, 1);
    return;
  }
  PlayEventSound("Save", kSoundStart);
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
  if (bytes <= 0) {
    // The page is not in the file: it must still count as unsaved.
    g_page.modified = wasModified;
    TellFileFailed("File.SaveErr", "Die Datei %s\\nkonnte nicht gespeichert werden.");
  }
}

}  // namespace

bool AskToSaveModifiedPage(HWND window) {
  if (!g_page.modified || ShowMessageDialog(kModeFileNotSaved) == 0) return true;
  // Without a file to save to, the save dialog must run now: a posted
  // CMD_SAVEAS would come after the page has been replaced or the window
  // is gone.
  SendMessageA(window, WM_COMMAND, CanSaveChosenFile() ? CMD_SAVE : CMD_SAVEAS, 0);
  return !g_page.modified;
}

void CommandOpen(HWND window) {
  if (!AskToSaveModifiedPage(window)) return;
  ShowStatusText("Load");
  const FileSelection previous = g_files;
  if (!RunDialog(window, false)) return;
  ShowInfoPanel();
  char name[kFilePathMax];
  ChosenFileName(name);
  LogWrite("Open:%s", name);
  PlayEventSound("Open", kSoundStart);
  Document doc = TheDocument();
  int bytes = LoadDocument(g_files.format, name, doc);
  if (bytes == kFormatNotSupported) {
    LogWrite("Dateiformat nicht unterst\xfctzt :%s", name);
  } else if (bytes == 0) {
    LogWrite("Datei nicht gefunden:%s", name);
  }
  if (bytes <= 0) {
    TellFileFailed("File.LoadErr", "Die Datei %s\\nkonnte nicht geladen werden.");
    // The page is the one it was, so is its file: CMD_SAVE must not write
    // it over the file that was refused.
    g_files = previous;
    ShowInfoPanel();
  }
  RequestRefresh(1);
}

void CommandSave(HWND window) { SaveCommand(window, true, g_page.modified); }

void CommandSaveAs(HWND window) {
  LogWrite("CMD_SAVEAS");
  ShowStatusText("SaveAs");
  PlayEventSound("SaveAS", kSoundStart);
  ShowStatusText("Load");
  if (!RunDialog(window, true)) return;
  ShowInfoPanel();
  char name[kFilePathMax];
  ChosenFileName(name);
  LogWrite("Open:%s", name);
  const std::int32_t wasModified = g_page.modified;
  g_page.modified = 0;
  SaveCommand(window, false, wasModified);
}

void CommandPictureOutline(HWND window) {
  const bool on = ProfileGetInt("Picture.Outline", 0, "Def") == 0;
  ProfileWriteInt("Picture.Outline", on ? 1 : 0, "Def");
  LogWrite("Bilder als Umriss: %d", on ? 1 : 0);
  if (HasChosenFile() && IsPictureFile(g_files.format, g_files.path) && AskToSaveModifiedPage(window)) {
    char name[kFilePathMax];
    ChosenFileName(name);
    Document doc = TheDocument();
    if (LoadDocument(g_files.format, name, doc) > 0) RequestRefresh(1);
  }
  ShowStatusText(on ? "Picture.outline.on" : "Picture.outline.off");
}
