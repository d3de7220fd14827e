// The still capture of an open device driven with plain frames, as the
// sample grabber's streaming thread hands them over: what a real camera
// cannot be made to do on cue (a frame between arming and waiting, a
// frame after a time-out, foreign headers, a compressed format). The rest
// runs end to end in stills_test.cpp.
#include "capture/still_capture.h"

#include <amvideo.h>
#include <dvdmedia.h>
#include <gtest/gtest.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 12;
constexpr int kStride = kWidth * 3;  // already a multiple of 4
constexpr DWORD kShortWaitMs = 50;
constexpr DWORD kLongWaitMs = 5000;
constexpr HRESULT kTimeout = HRESULT_FROM_WIN32(ERROR_TIMEOUT);

// A video-info media type of an RGB24 (or other) frame; owns its block.
struct VideoType {
  VideoType(int width, int height, WORD bitCount = 24, DWORD compression = BI_RGB) {
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitCount;
    info.bmiHeader.biCompression = compression;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof info;
    type.pbFormat = reinterpret_cast<BYTE*>(&info);
  }
  VIDEOINFOHEADER info = {};
  AM_MEDIA_TYPE type = {};
};

// Frame n of the test picture, bottom-up rows: red = x, green = y, blue = n.
std::vector<BYTE> Frame(BYTE n) {
  std::vector<BYTE> bytes(kStride * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    BYTE* row = bytes.data() + (kHeight - 1 - y) * kStride;
    for (int x = 0; x < kWidth; ++x) {
      row[3 * x] = n;
      row[3 * x + 1] = static_cast<BYTE>(y);
      row[3 * x + 2] = static_cast<BYTE>(x);
    }
  }
  return bytes;
}

// The blue value (frame number) of a held picture's top-left pixel, or -1.
int FrameNumberOf(const CDIBSection& picture) {
  if (picture.IsEmpty()) return -1;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, picture.Handle());
  COLORREF c = GetPixel(dc, 0, 0);
  COLORREF other = GetPixel(dc, 5, 7);
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_EQ(GetRValue(other), 5);
  EXPECT_EQ(GetGValue(other), 7);
  return GetBValue(c);
}

class StillCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(still.SetConnectedType(rgb.type), S_OK); }
  void Deliver(BYTE n) {
    std::vector<BYTE> f = Frame(n);
    still.OnFrame(f.data(), f.size());
  }
  VideoType rgb{kWidth, kHeight};
  CStillCapture still;
};

}  // namespace

TEST_F(StillCaptureTest, SoftwareTriggerTakesTheNextFrameOnce) {
  ASSERT_EQ(still.UseEvent(), S_OK);
  EXPECT_EQ(still.Wait(kShortWaitMs), E_FAIL) << "nothing armed";
  Deliver(1);  // not asked for: dropped
  still.Arm();
  Deliver(2);  // taken before the wait starts: still delivered
  Deliver(3);  // the trigger was used up
  EXPECT_EQ(still.Wait(kShortWaitMs), S_OK);
  CDIBSection picture;
  still.Take(picture);
  EXPECT_EQ(FrameNumberOf(picture), 2);
  EXPECT_EQ(picture.Width(), kWidth);
  EXPECT_EQ(picture.Height(), kHeight);
  CDIBSection again;
  still.Take(again);
  EXPECT_TRUE(again.IsEmpty());
  EXPECT_EQ(still.Wait(kShortWaitMs), E_FAIL) << "the cycle is over";
}

TEST_F(StillCaptureTest, ATimeOutLeavesTheTriggerArmed) {
  ASSERT_EQ(still.UseEvent(), S_OK);
  still.Arm();
  EXPECT_EQ(still.Wait(kShortWaitMs), kTimeout);
  Deliver(4);  // the late frame still completes that cycle
  CDIBSection late;
  still.Take(late);
  EXPECT_EQ(FrameNumberOf(late), 4);
  // Nobody waited for its signal: a new arming does not take it for its
  // own, and waits for the next frame.
  still.Arm();
  EXPECT_EQ(still.Wait(kShortWaitMs), kTimeout);
  Deliver(5);
  EXPECT_EQ(still.Wait(0), S_OK);
  CDIBSection next;
  still.Take(next);
  EXPECT_EQ(FrameNumberOf(next), 5);
}

TEST_F(StillCaptureTest, ShortFramesAndForeignHeadersFailTheWait) {
  ASSERT_EQ(still.UseEvent(), S_OK);
  std::vector<BYTE> f = Frame(5);
  still.Arm();
  still.OnFrame(f.data(), f.size() - 1);
  EXPECT_EQ(still.Wait(kShortWaitMs), E_FAIL);
  CDIBSection picture;
  still.Take(picture);
  EXPECT_TRUE(picture.IsEmpty());

  struct Bad {
    LONG width;
    DWORD headerSize;
    ULONG formatBytes;
    HRESULT result;
  };
  const Bad cases[] = {
      {1 << 20, sizeof(BITMAPINFOHEADER), sizeof(VIDEOINFOHEADER), E_INVALIDARG},  // too wide
      {kWidth, 4000, sizeof(VIDEOINFOHEADER), VFW_E_INVALIDMEDIATYPE},             // header past the block
      {kWidth, sizeof(BITMAPINFOHEADER), 80, VFW_E_INVALIDMEDIATYPE},              // block too small
  };
  for (const Bad& c : cases) {
    VideoType bad(c.width, kHeight);
    bad.info.bmiHeader.biSize = c.headerSize;
    bad.type.cbFormat = c.formatBytes;
    ASSERT_EQ(still.SetConnectedType(bad.type), S_OK);
    still.Arm();
    still.OnFrame(f.data(), f.size());
    EXPECT_EQ(still.Wait(kShortWaitMs), c.result) << c.width << " " << c.headerSize << " " << c.formatBytes;
  }
  // A compressed format that no decompressor takes.
  VideoType unknown(kWidth, kHeight, 16, MAKEFOURCC('Q', 'Z', 'Q', 'Z'));
  ASSERT_EQ(still.SetConnectedType(unknown.type), S_OK);
  still.Arm();
  still.OnFrame(f.data(), f.size());
  EXPECT_EQ(still.Wait(kShortWaitMs), E_FAIL);
}

// An 8-bit run-length frame goes through Wine's own RLE decompressor into
// a 24-bit picture; the decompressor stays open for the next frame.
TEST_F(StillCaptureTest, CompressedFramesGoThroughAVideoDecompressor) {
  ASSERT_EQ(still.UseEvent(), S_OK);
  struct {
    VIDEOINFOHEADER video;
    RGBQUAD colours[256];
  } format = {};
  BITMAPINFOHEADER& h = format.video.bmiHeader;
  h.biSize = sizeof h;
  h.biWidth = kWidth;
  h.biHeight = kHeight;
  h.biPlanes = 1;
  h.biBitCount = 8;
  h.biCompression = BI_RLE8;
  h.biClrUsed = 256;
  for (int i = 0; i < 256; ++i)
    format.colours[i] = RGBQUAD{7, static_cast<BYTE>(255 - i * 10), static_cast<BYTE>(i * 10), 0};
  // Bottom-up runs: the row y from the top has colour y.
  std::vector<BYTE> frame;
  for (int row = 0; row < kHeight; ++row) {
    const BYTE runs[] = {static_cast<BYTE>(kWidth), static_cast<BYTE>(kHeight - 1 - row), 0, 0};
    frame.insert(frame.end(), runs, runs + 4);
  }
  frame.back() = 1;  // the last end of line ends the picture
  h.biSizeImage = static_cast<DWORD>(frame.size());
  AM_MEDIA_TYPE type = rgb.type;
  type.subtype = MEDIASUBTYPE_RGB8;
  type.bTemporalCompression = FALSE;
  type.cbFormat = sizeof format;
  type.pbFormat = reinterpret_cast<BYTE*>(&format);
  ASSERT_EQ(still.SetConnectedType(type), S_OK);
  for (int round = 0; round < 2; ++round) {
    still.Arm();
    still.OnFrame(frame.data(), frame.size());
    ASSERT_EQ(still.Wait(kShortWaitMs), S_OK);
    CDIBSection picture;
    still.Take(picture);
    ASSERT_FALSE(picture.IsEmpty());
    EXPECT_EQ(picture.BitCount(), 24);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, picture.Handle());
    EXPECT_EQ(GetPixel(dc, 3, 0), RGB(0, 255, 7));
    EXPECT_EQ(GetPixel(dc, 9, 5), RGB(50, 205, 7));
    SelectObject(dc, old);
    DeleteDC(dc);
  }
}
