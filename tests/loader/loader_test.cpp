// The loader of the optional libraries against a library built for this
// test that lacks some names, and against the real capture library and
// braille translator of the tree.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/library_files.h"
#include "base/optional_library.h"
#include "base/settings.h"
#include "braille/louis_names.h"
#include "camera/capture_names.h"

namespace {

std::string WindowsPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

const std::string kTestFolder = WindowsPath(LOADER_TEST_DIR);
constexpr const char* kPartial = "partial_library.dll";

std::string IniValue(const char* key) {
  char value[64] = "";
  GetPrivateProfileStringA("Louis Modul", key, "<absent>", value, sizeof value, SettingsPath());
  return value;
}

class Loader : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string ini = kTestFolder + "\\loader_test.ini";
    DeleteFileA(ini.c_str());
    SetSettingsPath(ini.c_str());
  }
  OptionalLibrary library;
};

}  // namespace

TEST_F(Loader, CaptureRuleTriesTheUnderscoreThenTheDecoratedName) {
  const ProcName names[] = {
      {"LumenoInitialize", 12}, {"LumenoUninitialize", 4}, {"LumenoDeviceChange", 12}, {"LumenoGetDeviceCount", 8}};
  const ProcNameRule rule = {"_%s", "_%s@%1d", nullptr};
  FARPROC slots[4] = {};
  // With a separator at the end of the folder: no second one.
  EXPECT_EQ(LoadOptionalLibrary(library, (kTestFolder + "\\").c_str(), kPartial, names, 4, rule, slots), 2);
  EXPECT_EQ(std::string(library.path), kTestFolder + "\\" + kPartial);
  EXPECT_EQ(library.missing, 2);
  EXPECT_NE(slots[0], nullptr);
  EXPECT_NE(slots[1], nullptr);
  EXPECT_EQ(slots[2], nullptr) << "the plain name is not tried";
  EXPECT_EQ(slots[3], nullptr);
  EXPECT_EQ(reinterpret_cast<int (*)()>(reinterpret_cast<void*>(slots[0]))(), 42);

  // A file that cannot be loaded: -99, the old library and its entry points gone.
  EXPECT_EQ(LoadOptionalLibrary(library, kTestFolder.c_str(), "no_such_library.dll", names, 4, rule, slots),
            kLibraryNotLoaded);
  EXPECT_FALSE(library.module);
  for (FARPROC slot : slots) EXPECT_EQ(slot, nullptr);
}

TEST_F(Loader, TranslatorRuleTakesTheByteCountFromTheSettings) {
  ProfileWriteInt("translateString", 32, "Louis Modul");
  const ProcName names[] = {{"version", 0}, {"charSize", 0}, {"translateString", 0}, {"free", 0}};
  FARPROC slots[4] = {};
  EXPECT_EQ(LoadOptionalLibrary(library, kTestFolder.c_str(), kPartial, names, 4, kLouisNameRule, slots), 1);
  EXPECT_NE(slots[0], nullptr);
  EXPECT_NE(slots[1], nullptr) << "absent setting: byte count 0";
  EXPECT_NE(slots[2], nullptr);
  EXPECT_EQ(slots[3], nullptr);
  // A name found in its plain form reads no setting; the others leave
  // theirs behind, with 0 where it was absent.
  EXPECT_EQ(IniValue("version"), "<absent>");
  EXPECT_EQ(IniValue("charSize"), "0");
  EXPECT_EQ(IniValue("free"), "0");
}

TEST_F(Loader, TheRealLibrariesResolveTheirWholeTables) {
  const std::string folder = WindowsPath(PROGRAM_DIR);
  FARPROC capture[kCaptureProcCount] = {};
  OptionalLibrary lumcap;
  EXPECT_EQ(LoadOptionalLibrary(lumcap, folder.c_str(), kCaptureLibraryFile, kCaptureProcNames, kCaptureProcCount,
                                kCaptureNameRule, capture),
            0);
  EXPECT_NE(capture[kCaptureProc_LumenoSetInput], nullptr);
  EXPECT_EQ(std::string(kCaptureProcNames[kCaptureProc_LumenoSetInput].name), "LumenoSetInput");
  EXPECT_EQ(kCaptureProcNames[kCaptureProc_LumenoGetDeviceResolutions].bytes, 20);

  FARPROC louis[kLouisProcCount] = {};
  EXPECT_EQ(LoadOptionalLibrary(library, folder.c_str(), kLouisLibraryFile, kLouisProcNames, kLouisProcCount,
                                kLouisNameRule, louis),
            0);
  auto charSize = reinterpret_cast<int(__stdcall*)()>(reinterpret_cast<void*>(louis[kLouis_charSize]));
  ASSERT_NE(charSize, nullptr);
  EXPECT_EQ(charSize(), 4);
  EXPECT_EQ(IniValue("free"), "<absent>") << "every name found in its plain form";
}
