#include "vcam_picture.h"

#include "base/owners.h"

#include <wincodec.h>

namespace {

constexpr DWORD kYuy2 = 0x32595559;  // 'YUY2'
constexpr LONG kMarkFraction = 8;

std::size_t Stride(LONG width, WORD bitCount) { return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4; }

BYTE Clamp(int v) { return static_cast<BYTE>(v < 0 ? 0 : v > 255 ? 255 : v); }

// BT.601, studio range.
void ToYuv(VcamRgb c, BYTE* y, BYTE* u, BYTE* v) {
  *y = Clamp(((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8) + 16);
  *u = Clamp(((-38 * c.r - 74 * c.g + 112 * c.b + 128) >> 8) + 128);
  *v = Clamp(((112 * c.r - 94 * c.g - 18 * c.b + 128) >> 8) + 128);
}

}  // namespace

VcamRgb VcamPicturePixel(LONG x, LONG y, LONG width, LONG height, unsigned frame) {
  if (x < width / kMarkFraction && y < height / kMarkFraction) return {255, 255, 255};
  const LONG w = width > 1 ? width - 1 : 1;
  const LONG h = height > 1 ? height - 1 : 1;
  return {static_cast<BYTE>(x * 255 / w), static_cast<BYTE>(y * 255 / h), static_cast<BYTE>(frame & 0xFF)};
}

std::size_t VcamFillPicture(BYTE* data, std::size_t bytes, const BITMAPINFOHEADER& header, unsigned frame, LONG flip) {
  const LONG width = header.biWidth;
  const LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  const bool rgb = header.biCompression == BI_RGB && header.biBitCount == 24;
  const bool yuy2 = header.biCompression == kYuy2 && header.biBitCount == 16;
  if (width <= 0 || height <= 0 || (!rgb && !yuy2)) return 0;
  const std::size_t stride = Stride(width, header.biBitCount);
  const std::size_t image = stride * static_cast<std::size_t>(height);
  if (image > bytes) return 0;
  const bool bottomUp = rgb && header.biHeight > 0;
  for (LONG row = 0; row < height; ++row) {
    LONG y = bottomUp ? height - 1 - row : row;
    if (flip & 2) y = height - 1 - y;
    BYTE* line = data + static_cast<std::size_t>(row) * stride;
    for (LONG x = 0; x < width; ++x) {
      const LONG sx = (flip & 1) ? width - 1 - x : x;
      const VcamRgb c = VcamPicturePixel(sx, y, width, height, frame);
      if (rgb) {
        line[3 * x] = c.b;
        line[3 * x + 1] = c.g;
        line[3 * x + 2] = c.r;
      } else {
        BYTE yy, u, v;
        ToYuv(c, &yy, &u, &v);
        line[2 * x] = yy;
        line[2 * x + 1] = (x & 1) ? v : u;
      }
    }
  }
  return image;
}

namespace {}  // namespace

std::vector<BYTE> VcamEncodeJpeg(LONG width, LONG height) {
  std::vector<BYTE> result;
  if (width <= 0 || height <= 0) return result;
  BITMAPINFOHEADER header = {};
  header.biWidth = width;
  header.biHeight = -height;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const UINT stride = static_cast<UINT>(Stride(width, 24));
  std::vector<BYTE> pixels(static_cast<std::size_t>(stride) * height);
  VcamFillPicture(pixels.data(), pixels.size(), header, 0, 0);
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmap> bitmap;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  ComPtr<IStream> stream;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  HGLOBAL memory = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.PutVoid())) ||
      FAILED(factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat24bppBGR, stride,
                                             static_cast<UINT>(pixels.size()), pixels.data(), bitmap.Put())) ||
      FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put())) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.Put())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.Put(), options.Put())) || FAILED(frame->Initialize(options.Get())) ||
      FAILED(frame->SetSize(width, height)) || FAILED(frame->SetPixelFormat(&format)) ||
      FAILED(frame->WriteSource(bitmap.Get(), nullptr)) || FAILED(frame->Commit()) || FAILED(encoder->Commit()) ||
      FAILED(GetHGlobalFromStream(stream.Get(), &memory))) {
    return result;
  }
  STATSTG stat = {};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return result;
  const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(memory));
  if (bytes) {
    result.assign(bytes, bytes + static_cast<std::size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
  }
  return result;
}
