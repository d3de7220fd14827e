// The colours of the program: the settings' own, or the system's while its
// high-contrast mode is on, where every pair drawn together must stay apart.
#include "base/ui_resources.h"

#include <gtest/gtest.h>

#include <string>

#include "base/settings.h"

namespace {

COLORREF BrushColor(ColorId id) {
  LOGBRUSH brush = {};
  GetObjectA(ColorBrush(id), sizeof brush, &brush);
  return brush.lbColor;
}

}  // namespace

TEST(Colors, HighContrastTakesTheSystemsColoursAndKeepsEachPairApart) {
  char dir[MAX_PATH];
  GetCurrentDirectoryA(sizeof dir, dir);
  const std::string path = std::string(dir) + "\\ui_resources_test.ini";
  DeleteFileA(path.c_str());
  WritePrivateProfileStringA("Color", "Status.Text", "00FFFF", path.c_str());
  WritePrivateProfileStringA("Color", "Status.Brush", "000000", path.c_str());
  SetSettingsPath(path.c_str());

  LoadColors(ColorSource::kSettings);
  EXPECT_FALSE(SystemColorsInUse());
  EXPECT_EQ(ColorText(kColStatus), RGB(0xFF, 0xFF, 0x00));
  EXPECT_EQ(BrushColor(kColStatus), RGB(0, 0, 0));
  const int generation = ColorGeneration();

  LoadColors(ColorSource::kSystem);
  EXPECT_TRUE(SystemColorsInUse());
  EXPECT_GT(ColorGeneration(), generation) << "painted pixels are painted again";
  EXPECT_EQ(ColorText(kColStatus), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(BrushColor(kColStatus), GetSysColor(COLOR_WINDOW));
  // Text on its background, and pins on the page's background.
  for (ColorId id : {kColMenu, kColMenuSel, kColButton, kColEdit, kColStatus, kColTitle, kColDlg, kColBTN, kColStatic,
                     kColButton0, kColInfo})
    EXPECT_NE(ColorText(id), ColorBack(id)) << ColorName(id);
  for (ColorId pin : {kColDot, kColDotDarkBlue, kColDotBlue, kColDotRed, kColDotGold})
    EXPECT_NE(BrushColor(pin), BrushColor(kColDotBack)) << ColorName(pin);
  EXPECT_NE(BrushColor(kColDot), BrushColor(kColDotBlue)) << "a new stroke stands out from the raised pins";

  LoadColors();
  EXPECT_EQ(SystemColorsInUse(), HighContrastOn());
  FreeUiResources();
  DeleteFileA(path.c_str());
}
