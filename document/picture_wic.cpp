#include "document/picture_wic.h"

#include <wincodec.h>

#include <cstdio>
#include <vector>

#include "base/owners.h"
#include "document/file_select.h"

namespace {

constexpr UINT kBytesPerPixel = 4;
// Rows are copied in strips of about this size, so that a large picture
// never lies in memory twice.
constexpr UINT kStripBytes = 1024 * 1024;

bool Fail(char (&problem)[kPictureProblemMax], const char* what, HRESULT hr) {
  std::snprintf(problem, sizeof problem, "%s (0x%08lX)", what, static_cast<unsigned long>(hr));
  return false;
}

}  // namespace

bool WicPictureDecoder::Decode(const char* fileName, PageFitter& fitter, char (&problem)[kPictureProblemMax]) const {
  ComInit com;  // first in, last out: every interface below is released before it
  if (!com.Usable()) return Fail(problem, "COM", E_FAIL);
  wchar_t wide[kFilePathMax];
  if (!fileName || MultiByteToWideChar(CP_ACP, 0, fileName, -1, wide, kFilePathMax) == 0)
    return Fail(problem, "Dateiname", HRESULT_FROM_WIN32(GetLastError()));

  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.PutVoid());
  if (FAILED(hr)) return Fail(problem, "keine Bildkomponente", hr);
  ComPtr<IWICBitmapDecoder> decoder;
  hr = factory->CreateDecoderFromFilename(wide, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, decoder.Put());
  if (FAILED(hr)) return Fail(problem, "kein lesbares Bild", hr);
  ComPtr<IWICBitmapFrameDecode> frame;
  hr = decoder->GetFrame(0, frame.Put());
  if (FAILED(hr)) return Fail(problem, "kein Bild in der Datei", hr);
  UINT width = 0, height = 0;
  hr = frame->GetSize(&width, &height);
  if (FAILED(hr))
    return Fail(problem,
                "Bildgr\xF6\xDF"
                "e",
                hr);
  if (width > static_cast<UINT>(kPictureSideMax) || height > static_cast<UINT>(kPictureSideMax) ||
      !fitter.Begin(static_cast<int>(width), static_cast<int>(height))) {
    std::snprintf(problem, sizeof problem, "%u x %u Punkte", width, height);
    return false;
  }
  ComPtr<IWICBitmapSource> pixels;
  hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), pixels.Put());
  if (FAILED(hr)) return Fail(problem, "Pixelformat", hr);

  const UINT stride = width * kBytesPerPixel;
  const UINT strip = stride < kStripBytes ? kStripBytes / stride : 1;
  std::vector<BYTE> rows(static_cast<std::size_t>(stride) * strip);
  for (UINT y = 0; y < height; y += strip) {
    const UINT count = height - y < strip ? height - y : strip;
    const WICRect rect = {0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(count)};
    hr = pixels->CopyPixels(&rect, stride, stride * count, rows.data());
    if (FAILED(hr)) return Fail(problem, "Bilddaten", hr);
    for (UINT i = 0; i < count; ++i)
      fitter.AddRow(rows.data() + static_cast<std::size_t>(i) * stride, PixelLayout::kBgra);
  }
  return true;
}

const PictureDecoder& PlatformPictureDecoder() {
  static const WicPictureDecoder decoder;
  return decoder;
}
