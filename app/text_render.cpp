#include "app/text_render.h"

#include <cstring>

#include "app/app_state.h"
#include "app/main_window.h"
#include "base/log.h"
#include "base/owners.h"
#include "base/ui_resources.h"
#include "braille/fonts.h"
#include "document/render_pins.h"

namespace {

constexpr int kShowHeight = 200;  // height of the picture shown in a window
// Baselines and left edges in the picture.
constexpr int kLineTextBaseline = 16;
constexpr int kLineBrailleX = -2;
constexpr int kLineBrailleBaseline = 38;
constexpr int kCharTextBaseline = 35;
constexpr int kCharBrailleBaseline = 36;
// Numbers that tell which call failed in the log.
constexpr int kTextCall = 1;
constexpr int kBrailleCall = 2;
constexpr int kStretchCall = 1;

struct Writing {
  const char* text;
  int length;
  HFONT font;
  int x;  // kRightAligned: the right edge of the picture
  int baseline;
  int call;
};
constexpr int kRightAligned = -1000;

void Write(HDC dc, const Writing& w) {
  SelectGuard font(dc, w.font);
  int x = w.x;
  if (x == kRightAligned) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, w.text, w.length, &size);
    x = kRenderWidth - size.cx;
  }
  if (!TextOutA(dc, x, w.baseline, w.text, w.length)) LogWrite("Err: bei TextOut in Zeile:%d", w.call);
}

// Draws the two writings into a fresh 60 x 44 picture, takes its pixels
// into the pins, and shows it in the window when one is given.
bool Render(HWND window, int x, int y, const Writing& text, const Writing& braille) {
  GdiObject<HBITMAP> bitmap(CreateBitmap(kRenderWidth, kRenderHeight, 1, 1, nullptr));
  if (!bitmap) {
    LogWrite("Err: Create %d", static_cast<int>(GetLastError()));
    return false;
  }
  MemoryDc dc(nullptr);
  if (!dc.Get()) return false;
  SelectGuard select(dc.Get(), bitmap.Get());
  RECT all = {0, 0, kRenderWidth, kRenderHeight};
  FillRect(dc.Get(), &all, ColorBrush(kColBmp));
  SetTextColor(dc.Get(), RGB(0, 0, 0));
  SetBkColor(dc.Get(), RGB(255, 255, 255));
  const UINT align = SetTextAlign(dc.Get(), TA_BASELINE);
  Write(dc.Get(), text);
  Write(dc.Get(), braille);
  SetTextAlign(dc.Get(), align);

  BITMAP info = {};
  GetObjectA(bitmap.Get(), sizeof info, &info);
  // Rows of a monochrome bitmap are padded to 16 bits: 8 bytes for 60 pixels.
  constexpr int kStride = (kRenderWidth + 15) / 16 * 2;
  std::uint8_t bits[kStride * kRenderHeight] = {};
  if (info.bmWidthBytes == kStride && GetBitmapBits(bitmap.Get(), sizeof bits, bits) == sizeof bits) {
    PinsFromMonoImage(g_page, bits, kStride);
  }
  LogWrite("Show: %5.2f bmW:%d bmH:%d bmWB:%d bmP:%d bmBP:%d",
           static_cast<double>(static_cast<float>(info.bmWidth) / static_cast<float>(info.bmHeight)),
           static_cast<int>(info.bmWidth), static_cast<int>(info.bmHeight), static_cast<int>(info.bmWidthBytes),
           static_cast<int>(info.bmPlanes), static_cast<int>(info.bmBitsPixel));
  // The pins have changed whatever happens to the picture on screen.
  RequestRefresh(0);
  if (window) {
    WindowDc screen(window);
    const int width = kShowHeight * kRenderWidth / kRenderHeight;
    if (!screen ||
        !StretchBlt(screen.Get(), x, y, width, kShowHeight, dc.Get(), 0, 0, kRenderWidth, kRenderHeight, SRCCOPY)) {
      LogWrite("Err: bei StretchBlt %d", kStretchCall);
      return false;
    }
  }
  return true;
}

}  // namespace

bool RenderTextBig(HWND window, int x, int y, const char* text) {
  if (!text) text = "";
  const int n = static_cast<int>(strnlen(text, kBigTextMax));
  char form[kBigTextMax + 1];
  BrailleForm(Substitution(), text, form, sizeof form);
  return Render(window, x, y, Writing{text, n, RenderFont(kFontTextSmall), 0, kLineTextBaseline, kTextCall},
                Writing{form, n, RenderFont(kFontBrailleSmall), kLineBrailleX, kLineBrailleBaseline, kBrailleCall});
}

bool RenderCharBig(HWND window, int x, int y, char c) {
  const char form = BrailleFormOf(Substitution(), c);
  return Render(window, x, y, Writing{&c, 1, RenderFont(kFontTextLarge), 0, kCharTextBaseline, kTextCall},
                Writing{&form, 1, RenderFont(kFontBrailleLarge), kRightAligned, kCharBrailleBaseline, kBrailleCall});
}
