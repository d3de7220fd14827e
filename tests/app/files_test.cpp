// The real RelivoX.exe under Wine opening and saving XML, BMP and picture
// files through its file dialogs: round trips, files of another program
// (ImageMagick, made at build time), and bad files that change nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/commands.h"
#include "document/dot_page.h"
#include "tests/app/app_driver.h"

namespace {

constexpr DWORD kWaitMs = 10000;

std::string Ini() {
  return "[Ext]\r\n00=*\r\n01=dtm\r\n02=xml\r\n03=bmp\r\n04=png\r\n05=jpg\r\n06=jpeg\r\n07=gif\r\n"
         "[Def]\r\nSound=0\r\nDebug=1\r\nBMP.gap=0\r\n";
}

std::string Pictures() {
  std::string folder = RELIVO_TEST_PICTURES;
  for (char& c : folder)
    if (c == '/') c = '\\';
  return folder + "\\";
}

void Open(const AppRun& run, const std::string& path) {
  PostCommand(run, CMD_OPEN);
  HWND open = WaitDialog(run.Pid(),
                         "Relivo X Datei \xf6"
                         "ffnen",
                         kWaitMs);
  ASSERT_NE(open, nullptr) << path;
  ChooseFile(open, path);
}

// Saves under a new name and waits until the file is written.
void SaveAs(const AppRun& run, const std::string& path, const char* logLine) {
  PostCommand(run, CMD_SAVEAS);
  HWND save = WaitDialog(run.Pid(), "Relivo X Datei speichern", kWaitMs);
  ASSERT_NE(save, nullptr) << path;
  ChooseFile(save, path);
  ConfirmNewFile(run.Pid(), save, 5000);
  ASSERT_TRUE(WaitForText(run.LogPath(), (logLine + path).c_str(), kWaitMs)) << path;
}

std::vector<unsigned char> SaveAsDtm(const AppRun& run, const std::string& path) {
  SaveAs(run, path, "DTM::Save ");
  return ReadFileBytes(path);
}

size_t CountIn(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

bool PinOf(const std::vector<unsigned char>& dtm, int x, int y) {
  return (dtm[10 + x / 2 + (y / 4) * 30] >> (y % 4 + 4 * (x % 2))) & 1;
}
bool TextPinOf(const std::vector<unsigned char>& dtm, int x, int y) {
  return (dtm[310 + x / 2] >> (y % 4 + 4 * (x % 2))) & 1;
}

// The hex digits of bits taken eight at a time, first bit on top.
std::string Hex(const std::vector<bool>& bits) {
  std::string out;
  for (size_t i = 0; i < bits.size(); i += 8) {
    unsigned byte = 0;
    for (int b = 0; b < 8; ++b) byte |= bits[i + b] ? 0x80u >> b : 0;
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    out += digits;
  }
  return out;
}

// The XML file the page of a .dtm file must give.
std::string XmlOf(const std::vector<unsigned char>& dtm) {
  std::vector<bool> image, info;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) image.push_back(PinOf(dtm, x, y));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 20; ++x) info.push_back(TextPinOf(dtm, x, y));
  std::string text(reinterpret_cast<const char*>(dtm.data()) + 330, 20);
  text.resize(std::strlen(text.c_str()));
  return "<?xml version=\"1.0\" standalone=\"no\"?>\r\n<dot>\r\n<image>\r\n" + Hex(image) +
         "\r\n</image>\r\n<info>\r\n" + Hex(info) + "\r\n</info>\r\n<lng value=\"0049\">\r\n" + text +
         "\r\n</lng>\r\n</dot>\r\n";
}

constexpr DWORD kPollMs = 50;

// The program's message dialog (not the file dialog that is closing).
HWND WaitMessage(const AppRun& run) {
  for (DWORD waited = 0; waited < kWaitMs; waited += kPollMs, Sleep(kPollMs))
    for (HWND dialog : Dialogs(run.Pid()))
      if (WindowText(dialog).find("Relivo X Datei") == std::string::npos && !DialogMessage(dialog).empty())
        return dialog;
  return nullptr;
}

// Answers the message dialog and waits until it is gone.
void Dismiss(HWND message, int button) {
  ClickButton(message, button);
  for (DWORD waited = 0; waited < kWaitMs && IsWindow(message); waited += kPollMs) Sleep(kPollMs);
}

void Close(AppRun& run) {
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  // A page that was opened counts as modified only when edited; answer no
  // if the question comes anyway.
  if (!WaitExit(run, 3000)) {
    HWND question = WaitDialog(run.Pid(), nullptr, 2000);
    if (question) ClickButton(question, IDCANCEL);
  }
  EXPECT_TRUE(WaitExit(run, kWaitMs));
}

}  // namespace

TEST(AppFiles, PagesRoundTripThroughXmlAndBmp) {
  AppRun run;
  std::string folder = MakeRunFolder(Ini().c_str());
  std::string data = folder + "data\\";
  unsigned char page[kDtmSize] = {'_', 'd', 't', 'm', '_', '<', '('};
  for (int i = 10; i < 330; ++i) page[i] = static_cast<unsigned char>((i * 37) ^ (i >> 3));
  std::memcpy(page + 330, "Hallo Welt", 10);
  ASSERT_TRUE(WriteFileBytes(data + "source.dtm", page, sizeof page));
  ASSERT_TRUE(StartApp(run, folder));

  // The page as the program holds it after opening (the text translated).
  Open(run, data + "source.dtm");
  std::vector<unsigned char> reference = SaveAsDtm(run, data + "reference.dtm");
  ASSERT_EQ(reference.size(), static_cast<size_t>(kDtmSize));
  EXPECT_EQ(std::memcmp(reference.data() + 10, page + 10, 300), 0) << "the graphic as in the source";

  SaveAs(run, data + "page.xml", "XML::Save ");
  EXPECT_EQ(ReadFileText(data + "page.xml"), XmlOf(reference));
  Open(run, data + "page.xml");
  EXPECT_EQ(SaveAsDtm(run, data + "from_xml.dtm"), reference);

  // The gap setting is read when the bitmap is saved.
  WritePrivateProfileStringA("Def", "BMP.gap", "1", run.IniPath().c_str());
  SaveAs(run, data + "page.bmp", "BMP::Save ");
  std::vector<unsigned char> bmp = ReadFileBytes(data + "page.bmp");
  ASSERT_EQ(bmp.size(), 430u);
  EXPECT_EQ(bmp[22], 46);
  Open(run, data + "page.bmp");
  EXPECT_EQ(SaveAsDtm(run, data + "from_bmp.dtm"), reference);
  Close(run);
}

TEST(AppFiles, BitmapsAndPicturesOfAnotherProgramOpenAsPins) {
  AppRun run;
  std::string folder = MakeRunFolder(Ini().c_str());
  ASSERT_TRUE(StartApp(run, folder));
  // A 1-bit page bitmap, black as colour 0: a rectangle and one text pin.
  Open(run, Pictures() + "page_1bit.bmp");
  std::vector<unsigned char> dtm = SaveAsDtm(run, folder + "data\\page_1bit.dtm");
  ASSERT_EQ(dtm.size(), static_cast<size_t>(kDtmSize));
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(PinOf(dtm, x, y), x >= 5 && x <= 14 && y >= 3 && y <= 7) << x << "," << y;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(TextPinOf(dtm, x, y), x == 2 && y == 1) << x << "," << y;

  // 200 x 100, the left half black, as a 24-bit bitmap (a picture, not a
  // page) and PNG; the last one saved: 60 x 30 pins in rows 5..34, the left
  // half raised.
  for (const char* name : {"half24.bmp", "half.png"}) {
    Open(run, Pictures() + name);
    ASSERT_TRUE(WaitForText(run.LogPath(), ("Bild " + Pictures() + name + " mit 200 x 100").c_str(), kWaitMs)) << name;
  }
  dtm = SaveAsDtm(run, folder + "data\\half.dtm");
  ASSERT_EQ(dtm.size(), static_cast<size_t>(kDtmSize));
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(PinOf(dtm, x, y), x < 30 && y >= 5 && y < 35) << x << "," << y;

  // The outline instead, chosen while no view runs: kept in the settings,
  // and the picture on the page read again. The black half's edges against
  // the white raise their pins, the page's own edge none.
  const std::string loaded = "Bild " + Pictures() + "half.png mit 200 x 100";
  const size_t loads = CountIn(ReadFileText(run.LogPath()), loaded);
  Open(run, Pictures() + "half.png");
  for (int i = 0; i < 200 && CountIn(ReadFileText(run.LogPath()), loaded) == loads; ++i) Sleep(50);
  PostCommand(run, CMD_OUTLINE);
  ASSERT_TRUE(WaitForText(run.LogPath(), "Bilder als Umriss: 1", kWaitMs));
  EXPECT_EQ(IniValue(run.IniPath(), "Def", "Picture.Outline"), "1");
  dtm = SaveAsDtm(run, folder + "data\\outline.dtm");
  ASSERT_EQ(dtm.size(), static_cast<size_t>(kDtmSize));
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      ASSERT_EQ(PinOf(dtm, x, y), (x == 29 && y >= 5 && y < 35) || (x < 30 && (y == 5 || y == 34))) << x << "," << y;
  EXPECT_EQ(ReadFileText(run.LogPath()).find("Err:"), std::string::npos);
  Close(run);
}

TEST(AppFiles, BadFilesChangeNeitherThePageNorItsFile) {
  AppRun run;
  std::string folder = MakeRunFolder(Ini().c_str());
  std::string data = folder + "data\\";
  unsigned char page[kDtmSize] = {'_', 'd', 't', 'm', '_', '<', '('};
  for (int i = 10; i < 330; ++i) page[i] = static_cast<unsigned char>(i * 11);
  ASSERT_TRUE(WriteFileBytes(data + "page.dtm", page, sizeof page));
  std::string xml =
      "<dot>\r\n<image>\r\nFF\r\n</image>\r\n<info>\r\n00\r\n</info>\r\n<lng>\r\nT\r\n</lng>\r\n</dot>\r\n";
  struct Bad {
    const char* name;
    std::string bytes;
  } bad[] = {
      {"odd.xml", std::string(xml).replace(xml.find("FF"), 2, "FFF")},
      {"nul.xml", std::string(xml).replace(xml.find("T\r"), 1, std::string(1, '\0'))},
      {"no_tags.xml", "<dot>\r\n<image>\r\n" + std::string(100000, 'F') + "\r\n"},
      {"foreign.bmp", "XY" + std::string(412, '\0')},
      {"not_a_picture.png", "this is text, not a picture"},
      {"empty.dtm", ""},
  };
  for (const Bad& b : bad) ASSERT_TRUE(WriteFileBytes(data + b.name, b.bytes.data(), b.bytes.size()));
  ASSERT_TRUE(StartApp(run, folder));
  Open(run, data + "page.dtm");
  ASSERT_TRUE(WaitForText(run.LogPath(), "mit 350 Byte", kWaitMs));

  for (const Bad& b : bad) {
    Open(run, data + b.name);
    HWND message = WaitMessage(run);
    ASSERT_NE(message, nullptr) << b.name;
    std::string text = DialogMessage(message);
    EXPECT_NE(text.find(b.name), std::string::npos) << text;
    EXPECT_NE(text.find("konnte nicht geladen werden"), std::string::npos) << text;
    Dismiss(message, IDOK);
  }
  std::string log = ReadFileText(run.LogPath());
  for (const char* err : {"Err: XML", "Err: BMP", "Err: Bild", "Err: DTM::Load"})
    EXPECT_NE(log.find(err), std::string::npos) << err;

  // CMD_SAVE writes the page to the file it came from, unchanged.
  DeleteFileA((data + "page.dtm").c_str());
  PostCommand(run, CMD_SAVE);
  ASSERT_TRUE(WaitForText(run.LogPath(), ("DTM::Save " + data + "page.dtm").c_str(), kWaitMs));
  std::vector<unsigned char> saved = ReadFileBytes(data + "page.dtm");
  ASSERT_EQ(saved.size(), static_cast<size_t>(kDtmSize));
  EXPECT_EQ(std::memcmp(saved.data() + 10, page + 10, 320), 0);
  EXPECT_TRUE(Dialogs(run.Pid()).empty());

  // A picture format cannot be saved: the user is told, and the changed
  // page still counts as unsaved when the program closes.
  PostCommand(run, CMD_INVERT);
  PostCommand(run, CMD_SAVEAS);
  HWND save = WaitDialog(run.Pid(), "Relivo X Datei speichern", kWaitMs);
  ASSERT_NE(save, nullptr);
  ChooseFile(save, data + "page.png");
  ConfirmNewFile(run.Pid(), save, 5000);
  HWND message = WaitMessage(run);
  ASSERT_NE(message, nullptr);
  EXPECT_NE(DialogMessage(message).find("page.png\r\nkonnte nicht gespeichert werden"), std::string::npos)
      << DialogMessage(message);
  Dismiss(message, IDOK);
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  HWND question = WaitMessage(run);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(DialogMessage(question).rfind("(page)", 0), 0u) << DialogMessage(question);  // mode 404
  ClickButton(question, IDCANCEL);
  EXPECT_TRUE(WaitExit(run, kWaitMs));
  EXPECT_EQ(GetFileAttributesA((data + "page.png").c_str()), INVALID_FILE_ATTRIBUTES);
}
