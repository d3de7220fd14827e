// The layout rules of packed bitmaps, the encoder choice by extension and
// the trigger bookkeeping, without platform.
#include "capture/picture_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

DibFields Header(std::int32_t width, std::int32_t height, std::uint16_t bitCount, std::uint32_t compression = 0) {
  DibFields f;
  f.headerSize = kDibInfoHeaderBytes;
  f.width = width;
  f.height = height;
  f.planes = 1;
  f.bitCount = bitCount;
  f.compression = compression;
  return f;
}

std::vector<std::uint8_t> Packed(const DibFields& f, std::size_t total) {
  std::vector<std::uint8_t> bytes(total);
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(0, f.headerSize, 4);
  put(4, static_cast<std::uint32_t>(f.width), 4);
  put(8, static_cast<std::uint32_t>(f.height), 4);
  put(12, f.planes, 2);
  put(14, f.bitCount, 2);
  put(16, f.compression, 4);
  put(20, f.sizeImage, 4);
  put(32, f.clrUsed, 4);
  return bytes;
}

}  // namespace

TEST(DibLayout, HeaderPartAndImageSizeFollowTheFormat) {
  DibLayout l;
  ASSERT_TRUE(DibLayoutOf(Header(5, -3, 24), &l));
  EXPECT_EQ(l.stride, 16u);
  EXPECT_EQ(l.headerPart, 40u);
  EXPECT_EQ(l.imageSize, 48u);
  ASSERT_TRUE(DibLayoutOf(Header(7, 2, 32, kDibCompressionBitFields), &l));
  EXPECT_EQ(l.headerPart + l.imageSize, 40u + 12u + 2u * 28u);
  ASSERT_TRUE(DibLayoutOf(Header(3, 3, 8), &l));
  EXPECT_EQ(l.headerPart, 40u + 4u * 256u);
  DibFields yuy2 = Header(4, 4, 16, 0x32595559);
  yuy2.sizeImage = 32;
  ASSERT_TRUE(DibLayoutOf(yuy2, &l));
  EXPECT_EQ(l.imageSize, 32u);
  for (DibFields bad : {Header(0, 3, 24), Header(3, 0, 24), Header(40000, 3, 24), Header(3, 3, 7),
                        Header(3, 3, 24, kDibCompressionBitFields), Header(32768, 32768, 32)}) {
    EXPECT_FALSE(DibLayoutOf(bad, &l)) << bad.width << "x" << bad.height << "x" << bad.bitCount;
  }
}

TEST(DibLayout, PackedBitmapsMustHoldWhatTheirHeaderSays) {
  DibFields f = Header(5, 3, 24);
  DibFields read;
  DibLayout l;
  EXPECT_TRUE(DibCheckPacked(Packed(f, 40 + 48).data(), 40 + 48, &read, &l));
  EXPECT_FALSE(DibCheckPacked(Packed(f, 40 + 47).data(), 40 + 47, &read, &l));
  f.clrUsed = 1000;  // colour table past the block and past 256
  EXPECT_FALSE(DibCheckPacked(Packed(f, 200).data(), 200, &read, &l));
  f = Header(5, 3, 24);
  f.headerSize = 500;
  EXPECT_FALSE(DibCheckPacked(Packed(f, 100).data(), 100, &read, &l));
  EXPECT_FALSE(DibCheckPacked(Packed(f, 39).data(), 39, &read, &l));
  EXPECT_FALSE(DibFrameIsComplete(Header(5, 3, 24), DibLayout{16, 40, 48}, 47));
  EXPECT_TRUE(DibFrameIsComplete(Header(5, 3, 24), DibLayout{16, 40, 48}, 48));
}

// A decompressor is told no more bytes than arrived, and writes a picture
// of the same size without compression.
TEST(DibLayout, CompressedFramesAreReadOnlyAsFarAsTheyArrived) {
  DibFields rle = Header(16, -12, 8, 1);
  rle.sizeImage = 100;
  EXPECT_EQ(DibCompressedInputBytes(rle, 100), 100u);
  EXPECT_EQ(DibCompressedInputBytes(rle, 300), 100u);
  EXPECT_EQ(DibCompressedInputBytes(rle, 99), 99u);
  rle.sizeImage = 0;
  EXPECT_EQ(DibCompressedInputBytes(rle, 77), 77u);
  const DibFields target = DibDecompressedFields(rle);
  EXPECT_EQ(target.width, 16);
  EXPECT_EQ(target.height, -12);
  EXPECT_EQ(target.bitCount, 24);
  EXPECT_TRUE(DibIsUncompressed(target));
  DibLayout l;
  EXPECT_TRUE(DibLayoutOf(target, &l));
  EXPECT_EQ(DibDecompressedFields(Header(4, 4, 32, 0x32595559)).bitCount, 32);
}

TEST(Encoders, ExtensionsMatchPatternsIgnoringCase) {
  const wchar_t* jpeg = L"*.JPG;*.JPEG;*.JPE;*.JFIF";
  EXPECT_TRUE(ExtensionInPatterns(L".jpg", jpeg));
  EXPECT_TRUE(ExtensionInPatterns(L".Jfif", jpeg));
  EXPECT_FALSE(ExtensionInPatterns(L".jp", jpeg));
  EXPECT_FALSE(ExtensionInPatterns(L".png", jpeg));
  EXPECT_STREQ(PathExtension(L"C:\\a.b\\pic.PNG"), L".PNG");
  EXPECT_EQ(PathExtension(L"C:\\a.b\\pic"), nullptr);
  EXPECT_STREQ(PathExtension(L"pic.tar.gz"), L".gz");
}

TEST(Trigger, AFrameBeforeTheWaitStillEndsTheCycle) {
  TriggerFlags t;
  EXPECT_FALSE(TriggerIsArmed(t, false));
  EXPECT_FALSE(TriggerTakeFrame(t, false));
  TriggerArm(t);
  EXPECT_TRUE(TriggerTakeFrame(t, false));
  EXPECT_FALSE(TriggerTakeFrame(t, false)) << "one frame per arming";
  EXPECT_TRUE(TriggerIsArmed(t, false)) << "the wait has not seen it yet";
  TriggerCycleDone(t);
  EXPECT_FALSE(TriggerIsArmed(t, false));
  EXPECT_TRUE(TriggerIsArmed(t, true));
  EXPECT_TRUE(TriggerTakeFrame(t, true)) << "every still-pin frame";
}
