#include "app/language.h"

#include "app/app_state.h"
#include "app/camera_menu.h"
#include "app/main_window.h"
#include "base/log.h"
#include "base/settings.h"
#include "base/text.h"
#include "braille/fonts.h"
#include "device/serial_port.h"
#include "ui/menus.h"

namespace {

int PresentPortCount() { return g_serialPort.portCount; }

MenuSources Sources() { return MenuSources{PresentPortCount, PortAt, FillCameraMenu, FillResolutionMenu}; }

void RedrawCaption() {
  if (g_app.mainWindow) RedrawWindow(g_app.mainWindow, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

// A label of the info panel, its escapes expanded.
void ReadLabel(const char* key, const char* def, char (&out)[kNotConnectedMax]) {
  char label[kUnescapeWorkArea];
  // language key from the callers of ReadLabel, argument 0
  GetText(key, label, def, kNotConnectedMax);
  UnescapeText(label, kNotConnectedMax);
  label[kNotConnectedMax - 1] = '\0';
  CopyText(out, sizeof out, label);
}

}  // namespace

void RefreshLanguageTexts() {
  GetText("Name", g_app.programName, "Relivo X Win", sizeof g_app.programName);
  ReadLabel("not_connected", "nicht\\nverbunden", g_app.notConnected);
  ReadLabel("device.searching", "Ger\xe4t getrennt\\nwird gesucht", g_app.deviceSearching);
  ReadSubstitutionTexts();
}

void RebuildMenus() {
  RefreshLanguageTexts();
  BuildMenus(g_app.mainWindow, Sources());
  if (!g_app.cameraAvailable && Menus().bar) {
    EnableMenuItem(Menus().bar, kCameraMenuPosition, MF_BYPOSITION | MF_GRAYED);
    if (g_app.mainWindow) DrawMenuBar(g_app.mainWindow);
  }
  // The layout reads the device keys' labels again and redraws the icon
  // bar and the info panel.
  LayoutMainWindow(kPageColumns, kPageRows, g_app.boxSize);
  RedrawCaption();
  if (g_app.mainWindow) PostMessageA(g_app.mainWindow, WM_ACTIVATEAPP, TRUE, 0);
}

void ChooseLanguage(int n) {
  const char* code = LanguageCode(n);
  if (!code) return;
  char chosen[kLanguageCodeMax];
  CopyText(chosen, sizeof chosen, code);
  LogWrite("Sprache: %s", chosen);
  ProfileWriteString("lng", chosen, "Def");
  SetLanguageSection(chosen);
  // Every language has its own braille and text fonts.
  BmpFontInit();
  RebuildMenus();
}
