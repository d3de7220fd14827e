// The platform-free half of the text line's translation, with a stand-in
// translator: the table list text, the widening of UTF-16 text and the
// cells taken from the translator's output.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "braille/braille_cells.h"

namespace {

// Answers like the translator in dots mode: one cell per character, the
// character's low bits as dots, each marked 0x8000 as the translator does.
struct FakeTranslator {
  static inline int result = 1;
  static inline int outLength = -1;  // -1: one cell per character
  static inline std::string tables;
  static inline int inLength = 0;
  static int LOUIS_CALL Translate(const char* list, const LouisChar* in, int* inLen, LouisChar* out, int* outLen,
                                  std::uint16_t*, char*, int mode) {
    tables = list;
    inLength = *inLen;
    int n = 0;
    while (n < *inLen && in[n] != 0) ++n;
    for (int i = 0; i < n && i < *outLen; ++i) out[i] = 0x8000 | (mode == kLouisDotsMode ? in[i] & 0xFF : 0x3F);
    *outLen = outLength < 0 ? n : outLength;
    return result;
  }
};

std::string Compose(const char* path, const char* entry) {
  char out[64];
  return ComposeTableList(out, sizeof out, "C:\\RelivoX\\", path, entry) ? out : "<too long>";
}

}  // namespace

TEST(BrailleCells, TableListTextHasOneSeparatorBetweenFolderAndEntry) {
  EXPECT_EQ(Compose("tbl", "de-g0.utb"), "C:\\RelivoX\\tbl\\de-g0.utb");
  EXPECT_EQ(Compose("tbl\\", "de-g0.utb"), "C:\\RelivoX\\tbl\\de-g0.utb");
  EXPECT_EQ(Compose("tbl", "\\de-g0.utb,braille-patterns.cti"), "C:\\RelivoX\\tbl\\de-g0.utb,braille-patterns.cti");
  EXPECT_EQ(Compose("", "x.ctb"), "C:\\RelivoX\\x.ctb");
  EXPECT_EQ(Compose("tables/long", "a-table-name-that-does-not-fit-into-the-buffer.ctb"), "<too long>");
}

TEST(BrailleCells, SurrogatePairsBecomeOneCharacterAndTheTextEnds) {
  const std::uint16_t units[] = {'a', 0xD83D, 0xDE00, 0xDC00, 'b', 0xD800};
  LouisChar out[8];
  ASSERT_EQ(WidenText(units, 6, out, 8), 5);
  EXPECT_EQ(out[0], LouisChar{'a'});
  EXPECT_EQ(out[1], LouisChar{0x1F600});
  EXPECT_EQ(out[2], LouisChar{0xDC00});  // a lone surrogate stays as it is
  EXPECT_EQ(out[3], LouisChar{'b'});
  EXPECT_EQ(out[4], LouisChar{0xD800});
  EXPECT_EQ(out[5], 0u);
  EXPECT_EQ(WidenText(units, 6, out, 3), 2) << "capacity, terminator included";
  EXPECT_EQ(out[2], 0u);
}

TEST(BrailleCells, CellsAreTheLowBytesAtLeastTenAndAFailureLeavesTheCount) {
  LouisChar text[kBrailleWorkSize] = {0x81, 0x102, 0x47};
  std::uint8_t cells[kBrailleWorkSize];
  std::memset(cells, 0xEE, sizeof cells);
  std::uint16_t count = 0;
  ASSERT_EQ(TranslateChars(FakeTranslator::Translate, "t.utb", text, kLouisDotsMode, cells, &count), 1);
  EXPECT_EQ(FakeTranslator::tables, "t.utb");
  EXPECT_EQ(FakeTranslator::inLength, kBrailleWorkSize) << "the buffer's capacity; the text ends at its 0";
  EXPECT_EQ(count, kMinTranslatedCells);
  EXPECT_EQ(cells[0], 0x81);
  EXPECT_EQ(cells[1], 0x02);
  EXPECT_EQ(cells[2], 0x47);
  for (int i = 3; i < kMinTranslatedCells; ++i) EXPECT_EQ(cells[i], 0) << i;
  EXPECT_EQ(cells[kMinTranslatedCells], 0xEE) << "nothing written past the count";

  // A translator that claims more than the buffer holds is cut there.
  FakeTranslator::outLength = 5000;
  ASSERT_EQ(TranslateChars(FakeTranslator::Translate, "t.utb", text, kLouisDotsMode, cells, &count), 1);
  EXPECT_EQ(count, kBrailleWorkSize);

  FakeTranslator::result = 0;
  count = 7;
  EXPECT_EQ(TranslateChars(FakeTranslator::Translate, "t.utb", text, kLouisDotsMode, cells, &count), 0);
  EXPECT_EQ(TranslateChars(nullptr, "t.utb", text, kLouisDotsMode, cells, &count), 0);
  EXPECT_EQ(count, 7);
  FakeTranslator::result = 1;
  FakeTranslator::outLength = -1;
}
