// The translator DLL as the program meets it: loaded by file name from the
// program folder, plain lou_* names, standard-call entry points, 32-bit
// characters, tables in tbl.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/library_files.h"
#include "base/owners.h"

namespace {

using TranslateString = int(__stdcall*)(const char*, const unsigned int*, int*, unsigned int*, int*, unsigned short*,
                                        char*, int);
using CharSize = int(__stdcall*)();
using Version = const char*(__stdcall*)();
using Free = void(__stdcall*)();

struct Library {
  ModuleHandle module{LoadLibraryA(kLouisLibraryFile)};
  const HMODULE h = module.Get();
  template <typename T>
  T Get(const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(h, name)));
  }
};

std::u32string Translate(Library& lib, const char* table, const std::u32string& text, int mode) {
  auto translate = lib.Get<TranslateString>("lou_translateString");
  std::basic_string<unsigned int> in(text.begin(), text.end());
  unsigned int out[256] = {};
  int inLen = static_cast<int>(in.size()), outLen = 256;
  if (!translate(table, in.c_str(), &inLen, out, &outLen, nullptr, nullptr, mode)) return U"<failed>";
  return std::u32string(out, out + outLen);
}

}  // namespace

TEST(LouisDll, ExportsThePlainNames) {
  Library lib;
  ASSERT_NE(lib.h, nullptr) << kLouisLibraryFile << " not found in the program folder";
  for (const char* name :
       {"lou_translateString", "lou_charSize", "lou_version", "lou_free", "lou_registerLogCallback", "lou_setLogLevel",
        "lou_backTranslateString", "lou_getTable", "lou_setDataPath", "lou_dotsToChar", "lou_charToDots"})
    EXPECT_NE(GetProcAddress(lib.h, name), nullptr) << name;
  EXPECT_EQ(lib.Get<CharSize>("lou_charSize")(), 4);
  EXPECT_NE(std::string(lib.Get<Version>("lou_version")()).find("3.24.0"), std::string::npos);
}

TEST(LouisDll, TranslatesAGermanWord) {
  Library lib;
  ASSERT_NE(lib.h, nullptr);
  std::u32string cells = Translate(lib, "tbl\\de-g0.utb", U"Haus", 0);
  ASSERT_NE(cells, U"<failed>");
  EXPECT_EQ(cells.size(), 4u);
  // In dots mode (4) every result is a dot pattern: 0x8000 plus dots as bits.
  std::u32string dots = Translate(lib, "tbl\\de-g0.utb", U"Haus", 4);
  ASSERT_EQ(dots.size(), 4u);
  // h = dots 1 2 5, a = dot 1, u = dots 1 3 6, s = dots 2 3 4.
  EXPECT_EQ(dots[1] & 0xFF, 0x01u);
  EXPECT_EQ(dots[2] & 0xFF, 0x01u | 0x04u | 0x20u);
  EXPECT_EQ(dots[3] & 0xFF, 0x02u | 0x04u | 0x08u);
  // Contracted German shortens the word "und".
  std::u32string g2 = Translate(lib, "tbl\\de-g2.ctb", U"und", 4);
  ASSERT_NE(g2, U"<failed>");
  EXPECT_LT(g2.size(), 3u);
  lib.Get<Free>("lou_free")();
}

TEST(LouisDll, UnknownTableFails) {
  Library lib;
  ASSERT_NE(lib.h, nullptr);
  EXPECT_EQ(Translate(lib, "tbl\\no-such-table.ctb", U"x", 0), U"<failed>");
  lib.Get<Free>("lou_free")();
}
