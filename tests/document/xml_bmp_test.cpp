// The XML and BMP files of the page: their exact bytes, round trips, files
// of other writers, and bad files that must leave the page as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "base/log.h"
#include "document/bmp.h"
#include "document/formats.h"
#include "document/xml.h"
#include "page_fixture.h"

#ifdef _WIN32
#include <direct.h>
#define MakeFolder(name) _mkdir(name)
#else
#define MakeFolder(name) mkdir(name, 0755)
#endif

namespace {

const std::string kImageZeros(kXmlImageDigits, '0');

std::string XmlFile(const std::string& image, const std::string& info, const std::string& text) {
  return "<?xml version=\"1.0\" standalone=\"no\"?>\r\n<dot>\r\n<image>\r\n" + image + "\r\n</image>\r\n<info>\r\n" +
         info + "\r\n</info>\r\n<lng value=\"0049\">\r\n" + text + "\r\n</lng>\r\n</dot>\r\n";
}

// Pins with stroke marks and committed pins, and text pins on both halves.
DotPage PatternPage() {
  DotPage page = EmptyPage();
  for (int i = 0; i < kPagePins; i += 7) page.pins[i] = (i % 3 == 0) ? 0x80 : (i % 3 == 1 ? 0x03 : 1);
  for (int x = 0; x < kTextColumns; x += 3) TextPin(page, x, x % kTextRows) = 1;
  return page;
}

void ExpectSamePins(const DotPage& a, const DotPage& b, int textColumns) {
  for (int i = 0; i < kPagePins; ++i) ASSERT_EQ(a.pins[i] != 0, b.pins[i] != 0) << "pin " << i;
  for (int y = 0; y < kTextRows; ++y)
    for (int x = 0; x < textColumns; ++x)
      ASSERT_EQ(a.textPins[y * kPageColumns + x] != 0, b.textPins[y * kPageColumns + x] != 0) << x << "," << y;
}

class Files : public PageFileTest {
 protected:
  Files() : PageFileTest("xml_bmp_test.pro") {}
  // Loads a bad file into a page full of content: refused, page untouched.
  void ExpectRefused(const char* what, const std::string& bytes, bool xml) {
    const char* name = xml ? "bad.xml" : "bad.bmp";
    WriteBytes(name, bytes);
    ExpectRefusedFile(what, name, xml);
  }
  void ExpectRefusedFile(const char* what, const char* name, bool xml) {
    LogReset();
    DotPage before = PatternPage();
    DotPage loaded = before;
    RecordingView v;
    int result = xml ? XML().Load(name, loaded, v) : BMP().Load(name, loaded, v);
    EXPECT_EQ(result, 0) << what;
    EXPECT_EQ(std::memcmp(loaded.pins, before.pins, kPagePins + kTextPins), 0) << what;
    EXPECT_TRUE(v.edits.empty()) << what;
    EXPECT_EQ(v.pageRepaints, 0) << what;
    EXPECT_NE(Log().find("Err:"), std::string::npos) << what;
  }
};

}  // namespace

TEST_F(Files, XmlBytesOfThePageExamples) {
  std::strcpy(record.text, "Hallo Welt");
  ASSERT_EQ(XML().Save("empty.xml", page, record, "0049"), 1);
  EXPECT_EQ(ReadBytes("empty.xml"), XmlFile(kImageZeros, std::string(20, '0'), "Hallo Welt"));
  EXPECT_NE(Log().find("XML::Save empty.xml gespeichert."), std::string::npos);

  Pin(page, 0, 0) = 1;
  Pin(page, 59, 39) = 0x80;  // a stroke mark counts as raised
  Pin(page, 9, 1) = 0x03;
  // Text pins: row 0 columns 0 and 19, row 3 column 19; columns 20..39 are not stored.
  TextPin(page, 0, 0) = TextPin(page, 19, 0) = TextPin(page, 19, 3) = TextPin(page, 20, 0) = TextPin(page, 39, 3) = 1;
  XML().Save("pins.xml", page, record, "0044");
  std::string image = kImageZeros;
  image.replace(0, 2, "80");
  image.replace(16, 2, "04");  // pin 69: byte 8, bit 5 from the top
  image.replace(kXmlImageDigits - 2, 2, "01");
  std::string expected = XmlFile(image, "80001000000000000001", "Hallo Welt");
  expected.replace(expected.find("0049"), 4, "0044");
  EXPECT_EQ(ReadBytes("pins.xml"), expected);
}

TEST_F(Files, XmlRoundTripAndTheReadersFreedoms) {
  page = PatternPage();
  std::strcpy(record.text, "Der Text der Zeile");
  ASSERT_EQ(XML().Save("round.xml", page, record, "0049"), 1);
  DotPage loaded = EmptyPage();
  std::memset(loaded.pins, 0x40, sizeof loaded.pins);
  ASSERT_EQ(XML().Load("round.xml", loaded, view), 1);
  ExpectSamePins(page, loaded, kXmlInfoColumns);
  for (std::uint8_t pin : loaded.pins) ASSERT_LE(pin, 1);
  ASSERT_EQ(view.edits.size(), 1u);
  EXPECT_EQ(view.edits[0], "Der Text der Zeile") << "the text goes to the edit line";
  EXPECT_EQ(view.pageRepaints, 1);
  std::string log = Log();
  EXPECT_NE(log.find("XML \xD6"
                     "ffnen von round.xml zum Lesen"),
            std::string::npos);
  for (const char* tag :
       {"<dot>", "<image>", "</image>", "<info>", "</info>", "<lng value=\"0049\">", "</lng>", "</dot>"})
    EXPECT_NE(log.find(std::string("XML Tag ") + tag + " gefunden"), std::string::npos) << tag;

  // LF line ends, tags in any case and with neighbours, indented digits, a
  // short image line: only the pins it covers change.
  DotPage kept = PatternPage();
  loaded = kept;
  WriteBytes("free.xml",
             "junk\n<DOT>\n  <Image>\n  ff\n</IMAGE>\n<info>\n</info>\n<lng value=\"x\">\n  Text  \n</LNG>\n</Dot>");
  view.edits.clear();
  ASSERT_EQ(XML().Load("free.xml", loaded, view), 1);
  for (int i = 0; i < kPagePins; ++i) ASSERT_EQ(loaded.pins[i], i < 8 ? 1 : kept.pins[i]) << i;
  EXPECT_EQ(std::memcmp(loaded.textPins, kept.textPins, kTextPins), 0) << "an empty info line sets nothing";
  EXPECT_EQ(view.edits.back(), "  Text") << "blanks at the end of a line are cut";

  // Lines of 100 000 characters: digits beyond the page and text beyond
  // the text buffer are not read.
  WriteBytes("long.xml", XmlFile(std::string(100000, 'F'), std::string(20, '0'), std::string(100000, 't')));
  ASSERT_EQ(XML().Load("long.xml", loaded, view), 1);
  for (std::uint8_t pin : loaded.pins) ASSERT_EQ(pin, 1);
  EXPECT_EQ(view.edits.back(), std::string(kDtmTextBuffer - 1, 't'));
}

TEST_F(Files, XmlTextIsEscapedSoThatAnyTextComesBack) {
  std::strcpy(record.text, "a</lng>&<\"b'\r\x01 &#");
  ASSERT_EQ(XML().Save("markup.xml", page, record, "0049"), 1);
  EXPECT_EQ(ReadBytes("markup.xml"),
            XmlFile(kImageZeros, std::string(20, '0'), "a&lt;/lng&gt;&amp;&lt;&quot;b&apos;&#13;&#1; &amp;#"));
  ASSERT_EQ(XML().Load("markup.xml", page, view), 1);
  EXPECT_EQ(view.edits.back(), record.text);
  // Texts written raw before: markup other than an ampersand reads as it
  // stands, and so does an ampersand that starts no reference.
  WriteBytes("raw.xml", XmlFile(kImageZeros, std::string(20, '0'), "R&D <x> &#; &#300; &amp"));
  ASSERT_EQ(XML().Load("raw.xml", page, view), 1);
  EXPECT_EQ(view.edits.back(), "R&D <x> &#; &#300; &amp");
}

TEST_F(Files, BadXmlFilesLeaveThePage) {
  const std::string good = XmlFile(kImageZeros, std::string(20, '0'), "Text");
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"short", good.substr(0, 40)},
      {"no <dot>", "<image>\r\n00\r\n</image>\r\n"},
      {"no </image>", XmlFile("FF", "00", "T").substr(0, 60)},
      {"no <info>", "<dot>\r\n<image>\r\nFF\r\n</image>\r\n<lng>\r\nT\r\n</lng>\r\n</dot>\r\n"},
      {"no </lng", "<dot>\r\n<image>\r\nFF\r\n</image>\r\n<info>\r\n00\r\n</info>\r\n<lng>\r\nT\r\n</dot>\r\n"},
      {"no </dot", XmlFile("FF", "00", "T").substr(0, XmlFile("FF", "00", "T").size() - 8)},
      {"odd digits", XmlFile("FFF", "00", "T")},
      {"odd info digits", XmlFile("FF", "000", "T")},
      {"not hex", XmlFile("F" + std::string(1, 'G'), "00", "T")},
      {"100 000 characters of no hex", XmlFile(std::string(100000, 'Z'), "00", "T")},
      {"NUL in the middle", good.substr(0, 100) + std::string(1, '\0') + good.substr(100)},
      {"UTF-16", std::string("<\0d\0o\0t\0>\0", 10)},
      {"too long", good + std::string(kXmlFileMax, ' ')},
      {"binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)},
  };
  for (const Case& c : cases) ExpectRefused(c.what, c.bytes, true);
  std::remove("missing.xml");
  ExpectRefusedFile("missing", "missing.xml", true);
  EXPECT_NE(Log().find("Err: XML beim \xD6"
                       "ffnen von missing.xml zum Lesen"),
            std::string::npos);
  MakeFolder("folder.xml");
  ExpectRefusedFile("a folder", "folder.xml", true);
  ExpectRefused("reason", XmlFile("FFF", "00", "T"), true);
  EXPECT_NE(Log().find("Err: XML bad.xml nicht geladen: ungerade Zahl von Hexziffern <image> (Zeile 4)"),
            std::string::npos)
      << Log();
  EXPECT_EQ(XML().Save("no/such/folder/x.xml", page, record, "0049"), 0);
  EXPECT_NE(Log().find("Err: XML beim \xD6"
                       "ffnen von no/such/folder/x.xml zum Schreiben"),
            std::string::npos);
}

TEST_F(Files, BmpBytesWithAndWithoutGap) {
  static const unsigned char kHeader[62] = {
      'B',  'M',  0x9E, 0x01, 0,    0,    0,    0, 0,    0,    62, 0, 0, 0,  // file: 414 bytes, rows at 62
      40,   0,    0,    0,    60,   0,    0,    0, 44,   0,    0,  0, 1, 0, 1, 0,
      0,    0,    0,    0,  // 60 x 44, 1 plane, 1 bit, no compression
      0x60, 0x01, 0,    0,    0x23, 0x2E, 0,    0, 0x23, 0x2E, 0,  0, 0, 0, 0, 0,  // 352 bytes, 11811 per metre
      0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0, 0,    0,    0,  0};             // white, black
  Pin(page, 0, 0) = 0x80;
  Pin(page, 59, 39) = 0x03;
  TextPin(page, 39, 3) = 1;
  TextPin(page, 0, 0) = 1;
  ASSERT_EQ(BMP().Save("page.bmp", page, false), 414);
  std::string bytes = ReadBytes("page.bmp");
  ASSERT_EQ(bytes.size(), 414u);
  EXPECT_EQ(bytes.substr(0, 62), std::string(reinterpret_cast<const char*>(kHeader), 62));
  auto row = [&](int fileRow) { return bytes.substr(62 + fileRow * 8, 8); };
  EXPECT_EQ(row(0), std::string("\0\0\0\0\x01\0\0\0", 8)) << "text row 3 first, column 39";
  EXPECT_EQ(row(3), std::string("\x80\0\0\0\0\0\0\0", 8)) << "text row 0";
  EXPECT_EQ(row(4), std::string("\0\0\0\0\0\0\0\x10", 8)) << "graphic row 39, column 59";
  EXPECT_EQ(row(43), std::string("\x80\0\0\0\0\0\0\0", 8)) << "graphic row 0 last";
  EXPECT_NE(Log().find("BMP::Save page.bmp mit 414 gespeichert."), std::string::npos);

  ASSERT_EQ(BMP().Save("gap.bmp", page, true), 430);
  std::string gap = ReadBytes("gap.bmp");
  ASSERT_EQ(gap.size(), 430u);
  EXPECT_EQ(gap.substr(2, 4), std::string("\xAE\x01\0\0", 4));
  EXPECT_EQ(gap.substr(22, 4), std::string("\x2E\0\0\0", 4));
  EXPECT_EQ(gap.substr(34, 4), std::string("\x70\x01\0\0", 4));
  EXPECT_EQ(gap.substr(62, 32), bytes.substr(62, 32)) << "the text line";
  EXPECT_EQ(gap.substr(94, 16), std::string(16, '\0')) << "the two blank rows";
  EXPECT_EQ(gap.substr(110), bytes.substr(94)) << "the graphic";

  for (const char* name : {"page.bmp", "gap.bmp"}) {
    DotPage loaded = PatternPage();
    ASSERT_EQ(BMP().Load(name, loaded, view), 1) << name;
    ExpectSamePins(page, loaded, kTextColumns);
    for (std::uint8_t pin : loaded.pins) ASSERT_LE(pin, 1);
  }
  EXPECT_NE(Log().find("BMP::Load gap.bmp mit 430 geladen."), std::string::npos);
}

TEST_F(Files, BmpRoundTripAndBitmapsOfOtherWriters) {
  page = PatternPage();
  ASSERT_EQ(BMP().Save("pattern.bmp", page, false), 414);
  std::string mine = ReadBytes("pattern.bmp");
  DotPage loaded = EmptyPage();
  ASSERT_EQ(BMP().Load("pattern.bmp", loaded, view), 1);
  ExpectSamePins(page, loaded, kTextColumns);

  // Black as colour 0, white as colour 1, the bits inverted.
  std::string blackFirst = mine;
  blackFirst.replace(54, 8, std::string("\0\0\0\0\xFF\xFF\xFF\0", 8));
  for (std::size_t i = 62; i < blackFirst.size(); ++i) blackFirst[i] = static_cast<char>(~blackFirst[i]);
  // Rows stored from the top.
  std::string topDown = mine.substr(0, 62);
  topDown.replace(22, 4, std::string("\xD4\xFF\xFF\xFF", 4));  // -44
  for (int r = 43; r >= 0; --r) topDown += mine.substr(62 + r * 8, 8);
  // A larger information header (124 bytes), the colours after it.
  std::string v5 = mine.substr(0, 54);
  v5.replace(10, 4, std::string("\x92\0\0\0", 4));  // rows at 146
  v5.replace(14, 4, std::string("\x7C\0\0\0", 4));
  v5 += std::string(124 - 40, '\0') + mine.substr(54);
  for (const auto& [name, bytes] : {std::pair<const char*, std::string>{"black_first.bmp", blackFirst},
                                    {"top_down.bmp", topDown},
                                    {"v5.bmp", v5}}) {
    WriteBytes(name, bytes);
    loaded = EmptyPage();
    ASSERT_EQ(BMP().Load(name, loaded, view), 1) << name;
    ExpectSamePins(page, loaded, kTextColumns);
  }
}

TEST_F(Files, BadBmpFilesLeaveThePage) {
  page = PatternPage();
  const std::string good = [&] {
    BMP().Save("good.bmp", page, false);
    return ReadBytes("good.bmp");
  }();
  auto with = [&](std::size_t at, const std::string& field) {
    std::string b = good;
    b.replace(at, field.size(), field);
    return b;
  };
  struct Case {
    const char* what;
    std::string bytes;
    BmpKind kind;
  } cases[] = {
      {"empty", "", BmpKind::kBroken},
      {"10 bytes", good.substr(0, 10), BmpKind::kBroken},
      {"headers only", good.substr(0, 62), BmpKind::kBroken},
      {"one row short", good.substr(0, 406), BmpKind::kBroken},
      {"foreign header", with(0, "XM"), BmpKind::kBroken},
      {"rows inside the header", with(10, std::string("\x20\0\0\0", 4)), BmpKind::kBroken},
      {"rows beyond the end", with(10, std::string("\0\x10\0\0", 4)), BmpKind::kBroken},
      {"24 bits", with(28, std::string("\x18\0", 2)), BmpKind::kOtherBitmap},
      {"61 wide", with(18, std::string("\x3D\0\0\0", 4)), BmpKind::kOtherBitmap},
      {"40 high", with(22, std::string("\x28\0\0\0", 4)), BmpKind::kOtherBitmap},
      {"run-length compressed", with(30, std::string("\x01\0\0\0", 4)), BmpKind::kOtherBitmap},
      {"older header", with(14, std::string("\x0C\0\0\0", 4)), BmpKind::kOtherBitmap},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BmpInspect(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()).kind, c.kind) << c.what;
    ExpectRefused(c.what, c.bytes, false);
  }
  // A colour bitmap is refused with its own line, and the pins stay.
  ExpectRefused("24 bits", with(28, std::string("\x18\0", 2)), false);
  EXPECT_NE(Log().find("Err: zur Zeit nur BW-bitmaps"), std::string::npos);
  std::remove("missing.bmp");
  ExpectRefusedFile("missing", "missing.bmp", false);
  EXPECT_NE(Log().find("Err: BMP beim \xD6"
                       "ffnen von missing.bmp zum Lesen"),
            std::string::npos);
  MakeFolder("folder.bmp");
  ExpectRefusedFile("a folder", "folder.bmp", false);
  EXPECT_EQ(BMP().Save("no/such/folder/x.bmp", page, false), 0);
  EXPECT_NE(Log().find("Err: BMP beim \xD6"
                       "ffnen von no/such/folder/x.bmp zum Schreiben"),
            std::string::npos);
  // Trailing bytes after the rows are not the page's business.
  WriteBytes("long.bmp", good + std::string(200000, '\x55'));
  DotPage loaded = EmptyPage();
  EXPECT_EQ(BMP().Load("long.bmp", loaded, view), 1);
  ExpectSamePins(page, loaded, kTextColumns);
}
