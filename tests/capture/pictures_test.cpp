// Pictures through the library file: image files written by extension and
// read back, the clipboard in both directions with malformed blocks, and
// the library's shutter sound.
#include "lumcap_api.h"
#include "res/lumcap_resources.h"

#include <objidl.h>
#include <propidl.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

namespace gp = Gdiplus;

constexpr int kWidth = 40;
constexpr int kHeight = 30;

// The test picture: red = x * 6, green = y * 8, blue 0x40, top-left pixel
// white.
COLORREF PixelAt(int x, int y) {
  if (x == 0 && y == 0) return RGB(255, 255, 255);
  return RGB(x * 6, y * 8, 0x40);
}

// A bottom-up 24-bit section holding the test picture.
HBITMAP MakeSection() {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const int stride = (kWidth * 3 + 3) & ~3;
  for (int y = 0; y < kHeight; ++y) {
    BYTE* row = static_cast<BYTE*>(bits) + (kHeight - 1 - y) * stride;
    for (int x = 0; x < kWidth; ++x) {
      COLORREF c = PixelAt(x, y);
      row[3 * x] = GetBValue(c);
      row[3 * x + 1] = GetGValue(c);
      row[3 * x + 2] = GetRValue(c);
    }
  }
  return bitmap;
}

bool IsBitmap(HBITMAP bitmap) { return GetObjectType(bitmap) == OBJ_BITMAP; }

// Checks a bitmap's size and a few pixels against the test picture.
void ExpectTestPicture(HBITMAP bitmap) {
  BITMAP b = {};
  ASSERT_NE(GetObjectW(bitmap, sizeof b, &b), 0);
  EXPECT_EQ(b.bmWidth, kWidth);
  EXPECT_EQ(b.bmHeight, kHeight);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  for (POINT p : {POINT{0, 0}, POINT{1, 0}, POINT{39, 0}, POINT{0, 29}, POINT{17, 23}}) {
    EXPECT_EQ(GetPixel(dc, p.x, p.y), PixelAt(p.x, p.y)) << p.x << "," << p.y;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
}

std::wstring TempPath(const wchar_t* name) {
  WCHAR folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

std::string FileStart(const std::wstring& path, size_t count) {
  std::string bytes(count, '\0');
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  DWORD read = 0;
  ReadFile(file, &bytes[0], static_cast<DWORD>(count), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// GDI+ for reading the saved files back.
class GdiplusSession {
 public:
  GdiplusSession() {
    gp::GdiplusStartupInput input;
    gp::GdiplusStartup(&token_, &input, nullptr);
  }
  ~GdiplusSession() { gp::GdiplusShutdown(token_); }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

// The file read back: its size, and its pixels when `exact` (lossless).
void ExpectFileHoldsTestPicture(const std::wstring& path, bool exact) {
  GdiplusSession session;
  gp::GpImage* image = nullptr;
  ASSERT_EQ(gp::DllExports::GdipLoadImageFromFile(path.c_str(), &image), gp::Ok);
  UINT width = 0, height = 0;
  gp::DllExports::GdipGetImageWidth(image, &width);
  gp::DllExports::GdipGetImageHeight(image, &height);
  EXPECT_EQ(width, static_cast<UINT>(kWidth));
  EXPECT_EQ(height, static_cast<UINT>(kHeight));
  for (POINT p : {POINT{0, 0}, POINT{39, 0}, POINT{17, 23}}) {
    gp::ARGB argb = 0;
    gp::DllExports::GdipBitmapGetPixel(static_cast<gp::GpBitmap*>(image), p.x, p.y, &argb);
    COLORREF want = PixelAt(p.x, p.y);
    int red = (argb >> 16) & 0xFF, green = (argb >> 8) & 0xFF, blue = argb & 0xFF;
    int tolerance = exact ? 0 : 24;
    EXPECT_NEAR(red, GetRValue(want), tolerance) << p.x << "," << p.y;
    EXPECT_NEAR(green, GetGValue(want), tolerance);
    EXPECT_NEAR(blue, GetBValue(want), tolerance);
  }
  gp::DllExports::GdipDisposeImage(image);
}

// Puts `bytes` on the clipboard as CF_DIB.
void PutDibBlock(const void* bytes, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(block), bytes, size);
  GlobalUnlock(block);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_DIB, block);
  CloseClipboard();
}

}  // namespace

TEST(ImageFiles, EachTypeIsChosenByExtensionAndReadsBack) {
  const LumcapApi& api = Lumcap();
  struct Case {
    const wchar_t* name;
    const char* signature;
    bool lossless;
  };
  const Case cases[] = {{L"lumcap_pic.png", "\x89PNG", true}, {L"lumcap_pic.PNG", "\x89PNG", true},
                        {L"lumcap_pic.bmp", "BM", true},      {L"lumcap_pic.jpg", "\xFF\xD8\xFF", false},
                        {L"lumcap_pic.gif", "GIF8", false},   {L"lumcap_pic.tif", "II*", true}};
  for (const Case& c : cases) {
    const std::wstring path = TempPath(c.name);
    DeleteFileW(path.c_str());
    HBITMAP bitmap = MakeSection();
    EXPECT_EQ(api.LumenoSaveBitmapToFileW(bitmap, path.c_str(), 75, TRUE), S_OK) << c.name;
    EXPECT_FALSE(IsBitmap(bitmap)) << "deleted as asked";
    EXPECT_EQ(FileStart(path, std::strlen(c.signature)), c.signature) << c.name;
    // GIF keeps a palette of 256 colours: size only.
    if (std::wstring(c.name).find(L".gif") == std::wstring::npos) ExpectFileHoldsTestPicture(path, c.lossless);
    DeleteFileW(path.c_str());
  }
  // The ANSI variant, default quality; the bitmap stays the caller's.
  HBITMAP bitmap = MakeSection();
  const std::wstring jpeg = TempPath(L"lumcap_ansi.jpeg");
  char ansiPath[MAX_PATH];
  WideCharToMultiByte(CP_ACP, 0, jpeg.c_str(), -1, ansiPath, MAX_PATH, nullptr, nullptr);
  EXPECT_EQ(api.LumenoSaveBitmapToFileA(bitmap, ansiPath, -1, FALSE), S_OK);
  EXPECT_EQ(FileStart(jpeg, 2), "\xFF\xD8");
  ExpectTestPicture(bitmap);
  DeleteFileW(jpeg.c_str());
  DeleteObject(bitmap);
}

TEST(ImageFiles, BadArgumentsWriteNothingAndKeepTheBitmap) {
  const LumcapApi& api = Lumcap();
  // With the delete flag too: a save that fails leaves the caller the
  // only copy of the picture.
  HBITMAP bitmap = MakeSection();
  for (const wchar_t* name : {L"lumcap_noext", L"lumcap_pic.xyz", L"lumcap.dir\\noext"}) {
    const std::wstring path = TempPath(name);
    EXPECT_EQ(api.LumenoSaveBitmapToFileW(bitmap, path.c_str(), -1, TRUE), E_INVALIDARG) << name;
    EXPECT_FALSE(FileExists(path)) << name;
  }
  EXPECT_LT(api.LumenoSaveBitmapToFileW(bitmap, TempPath(L"no such folder\\pic.png").c_str(), -1, TRUE), 0);
  ExpectTestPicture(bitmap);
  // A quality above 100 is refused before the bitmap is taken.
  const std::wstring png = TempPath(L"lumcap_q.jpg");
  EXPECT_EQ(api.LumenoSaveBitmapToFileW(bitmap, png.c_str(), 101, TRUE), E_INVALIDARG);
  EXPECT_TRUE(IsBitmap(bitmap));
  EXPECT_FALSE(FileExists(png));
  // A bitmap without pixel memory is not a section.
  HDC screen = GetDC(nullptr);
  HBITMAP compatible = CreateCompatibleBitmap(screen, 8, 8);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(api.LumenoSaveBitmapToFileW(compatible, png.c_str(), -1, TRUE), E_INVALIDARG);
  EXPECT_EQ(api.LumenoCopyBitmapToClipboard(compatible), E_INVALIDARG);
  EXPECT_TRUE(IsBitmap(compatible));
  DeleteObject(compatible);
  DeleteObject(bitmap);
}

TEST(Clipboard, APictureGoesOnAndComesBack) {
  const LumcapApi& api = Lumcap();
  HBITMAP bitmap = MakeSection();
  ASSERT_EQ(api.LumenoCopyBitmapToClipboard(bitmap), S_OK);
  EXPECT_FALSE(IsBitmap(bitmap)) << "consumed";
  HBITMAP back = nullptr;
  ASSERT_EQ(api.LumenoGetBitmapFromClipboard(&back), S_OK);
  ExpectTestPicture(back);
  DIBSECTION section = {};
  EXPECT_EQ(GetObjectW(back, sizeof section, &section), static_cast<int>(sizeof section)) << "a section";
  DeleteObject(back);
}

TEST(Clipboard, TextOrMalformedBlocksAreRefused) {
  const LumcapApi& api = Lumcap();
  HBITMAP bitmap = nullptr;
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 3);
  std::memcpy(GlobalLock(text), "ab", 3);
  GlobalUnlock(text);
  SetClipboardData(CF_TEXT, text);
  CloseClipboard();
  EXPECT_EQ(api.LumenoGetBitmapFromClipboard(&bitmap), E_FAIL);

  // A header that promises 1000 x 1000 pixels in a block of 100 bytes.
  BYTE block[100] = {};
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = 1000;
  header.biHeight = 1000;
  header.biPlanes = 1;
  header.biBitCount = 24;
  std::memcpy(block, &header, sizeof header);
  PutDibBlock(block, sizeof block);
  EXPECT_EQ(api.LumenoGetBitmapFromClipboard(&bitmap), E_FAIL);
  // A header size beyond the block, and a bit count no picture has.
  header.biWidth = header.biHeight = 2;
  header.biSize = 5000;
  std::memcpy(block, &header, sizeof header);
  PutDibBlock(block, sizeof block);
  EXPECT_EQ(api.LumenoGetBitmapFromClipboard(&bitmap), E_FAIL);
  header.biSize = sizeof header;
  header.biBitCount = 7;
  std::memcpy(block, &header, sizeof header);
  PutDibBlock(block, sizeof block);
  EXPECT_EQ(api.LumenoGetBitmapFromClipboard(&bitmap), E_FAIL);
  EXPECT_EQ(bitmap, nullptr);
}

// A clipboard bitmap is RGB, bit fields or RLE. A four-character code with
// a tiny image size (a YUV codec would read width x height x 2 bytes) is
// refused as such; RLE whose runs leave the picture is refused; RLE that
// fits comes back as a picture.
TEST(Clipboard, CompressedBitmapsOtherThanFittingRleAreRefused) {
  const LumcapApi& api = Lumcap();
  HBITMAP bitmap = nullptr;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
    BYTE bits[16];
  } dib = {};
  dib.header.biSize = sizeof dib.header;
  dib.header.biWidth = 640;
  dib.header.biHeight = 480;
  dib.header.biPlanes = 1;
  dib.header.biBitCount = 16;
  dib.header.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
  dib.header.biSizeImage = 4;
  PutDibBlock(&dib, sizeof dib.header + 4);
  EXPECT_EQ(api.LumenoGetBitmapFromClipboard(&bitmap), LUMENO_E_UNSUPPORTED_PICTURE);

  // A 4 x 2 RLE8 picture: colour 1 on the lower row, colour 0 above it.
  dib.header.biWidth = 4;
  dib.header.biHeight = 2;
  dib.header.biBitCount = 8;
  dib.header.biCompression = BI_RLE8;
  dib.header.biClrUsed = 2;
  dib.colours[1] = RGBQUAD{0, 0, 255, 0};
  const BYTE fits[] = {4, 1, 0, 0, 4, 0, 0, 1};
  const BYTE beyond[] = {5, 1, 0, 0, 4, 0, 0, 1};  // a run past the row's end
  for (const BYTE* runs : {beyond, fits}) {
    std::memcpy(dib.bits, runs, sizeof fits);
    dib.header.biSizeImage = sizeof fits;
    PutDibBlock(&dib, sizeof dib.header + sizeof dib.colours + sizeof fits);
    EXPECT_EQ(api.LumenoGetBitmapFromClipboard(&bitmap), runs == fits ? S_OK : E_FAIL);
  }
  ASSERT_NE(bitmap, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  EXPECT_EQ(GetPixel(dc, 3, 1), RGB(255, 0, 0)) << "the lower row";
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0)) << "the upper row";
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

TEST(Resources, ShutterSound) {
  HMODULE module = Lumcap().module;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDW_LUMCAP_SHUTTER), L"WAVE");
  ASSERT_NE(found, nullptr);
  const auto* wave = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  ASSERT_EQ(SizeofResource(module, found), 44u + 2 * 2724u);
  auto u16 = [&](int at) { return wave[at] | wave[at + 1] << 8; };
  auto u32 = [&](int at) { return static_cast<unsigned>(u16(at) | u16(at + 2) << 16); };
  EXPECT_EQ(std::memcmp(wave, "RIFF", 4), 0);
  EXPECT_EQ(std::memcmp(wave + 8, "WAVEfmt ", 8), 0);
  EXPECT_EQ(u16(20), 1);  // PCM
  EXPECT_EQ(u16(22), 1);  // mono
  EXPECT_EQ(u32(24), 22050u);
  EXPECT_EQ(u16(34), 16);
  EXPECT_EQ(u32(40), 2u * 2724u);
  EXPECT_EQ(Lumcap().LumenoPlaySound(), 0);
}
