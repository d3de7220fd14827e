#include "ui/file_dialogs.h"

#include <commdlg.h>

#include "base/log.h"
#include "base/settings.h"
#include "base/text.h"

namespace {

constexpr const char* kDefaultFilter =
    "DTM Dateien (*.dtm)\\0*.dtm\\0XML Dateien (*.xml)\\0*.xml\\0BMP Dateien\\0*.bmp\\0"
    "Bilder (png, jpg, gif, bmp)\\0*.png;*.jpg;*.jpeg;*.gif;*.bmp\\0\\0";
constexpr const char* kDefaultExtension = "dtm";
constexpr const char* kDocumentFolder = ".\\data";

enum class DialogKind { kOpen, kSave };

bool RunFileDialog(HWND owner, DialogKind kind, FileSelection& files) {
  const bool save = kind == DialogKind::kSave;
  ClearChoice(files);
  char filter[kFilterMax];
  GetText("File.Filter", filter, kDefaultFilter, sizeof filter);
  UnescapeText(filter, sizeof filter);
  filter[kFilterMax - 1] = '\0';
  filter[kFilterMax - 2] = '\0';  // the list always ends with two NULs
  char title[kValueMax];
  if (save) {
    GetText("file.dlg.save", title, "Relivo X Datei speichern", sizeof title);
  } else {
    GetText("file.dlgname", title,
            "Relivo X Datei \xf6"
            "ffnen",
            sizeof title);
  }
  char path[kFilePathMax] = "";
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.lpstrInitialDir = kDocumentFolder;
  ofn.lpstrTitle = title;
  if (save) {
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT | OFN_DONTADDTORECENT | OFN_HIDEREADONLY;
    ofn.lpstrDefExt = kDefaultExtension;
  } else {
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  }
  BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!chosen) return false;
  if (save) LogWrite("GSVN:%s", path);
  SetChoice(files, path, ofn.nFileOffset, ofn.nFileExtension);
  const char* entry = files.format >= 0 && files.format < files.extCount ? files.extTable[files.format] : "";
  LogWrite("Datei %s ausgew\xe4hlt im Format %s / %d", path, entry, static_cast<int>(files.format));
  return true;
}

}  // namespace

bool OpenFileDialog(HWND owner, FileSelection& files) { return RunFileDialog(owner, DialogKind::kOpen, files); }
bool SaveFileDialog(HWND owner, FileSelection& files) { return RunFileDialog(owner, DialogKind::kSave, files); }
