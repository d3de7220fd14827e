// The Wine prefixes run with a fixed Western locale whatever the host's
// (this test runs with a Japanese one): the settings file's Windows-1252
// texts come back as they were written.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/settings.h"

TEST(Locale, TheSettingsFilesTextsComeBackWhateverTheHostsLocale) {
  EXPECT_EQ(GetACP(), 1252u);
  char dir[MAX_PATH];
  GetCurrentDirectoryA(sizeof dir, dir);
  const std::string path = std::string(dir) + "\\locale_test.ini";
  const char text[] = "[0049]\r\nDevice=Ger\xe4t gro\xdf \x80\r\n";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, text, sizeof text - 1, &written, nullptr);
  CloseHandle(file);
  SetSettingsPath(path.c_str());
  SetLanguageSection("0049");
  char value[64] = "";
  GetText("Device", value, "-", sizeof value);
  EXPECT_STREQ(value, "Ger\xe4t gro\xdf \x80");
  DeleteFileA(path.c_str());
}
