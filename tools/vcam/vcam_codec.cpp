#include "vcam_codec.h"

#include "base/owners.h"

#include <vfw.h>
#include <wincodec.h>

#include <cstring>
#include <vector>

namespace {

constexpr DWORD kYuy2 = 0x32595559;  // 'YUY2'
constexpr DWORD kMjpg = 0x47504A4D;  // 'MJPG'
constexpr DWORD kVidc = 0x63646976;  // 'vidc'
const WCHAR kDriversKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const WCHAR* const kDriverNames[] = {L"vidc.YUY2", L"vidc.MJPG"};
constexpr LRESULT kDriverId = 1;

LONG AbsHeight(const BITMAPINFOHEADER* h) { return h->biHeight < 0 ? -h->biHeight : h->biHeight; }
std::size_t Stride(LONG width, WORD bits) { return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4; }

bool InputKnown(const BITMAPINFOHEADER* in) {
  if (!in || in->biWidth <= 0 || in->biHeight == 0) return false;
  return (in->biCompression == kYuy2 && in->biBitCount == 16) || in->biCompression == kMjpg;
}

bool OutputKnown(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) {
  return out->biCompression == BI_RGB && (out->biBitCount == 24 || out->biBitCount == 32) &&
         out->biWidth == in->biWidth && AbsHeight(out) == AbsHeight(in);
}

LRESULT Query(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) {
  if (!InputKnown(in) || (out && !OutputKnown(in, out))) return ICERR_BADFORMAT;
  return ICERR_OK;
}

BYTE Clamp(int v) { return static_cast<BYTE>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Writes one top-down source row (BGR, 3 bytes a pixel) into the output picture.
void PutRow(const BYTE* bgr, LONG row, const BITMAPINFOHEADER* out, BYTE* picture) {
  const LONG height = AbsHeight(out);
  const LONG line = out->biHeight > 0 ? height - 1 - row : row;
  BYTE* dest = picture + static_cast<std::size_t>(line) * Stride(out->biWidth, out->biBitCount);
  const int bytes = out->biBitCount / 8;
  for (LONG x = 0; x < out->biWidth; ++x) {
    dest[bytes * x] = bgr[3 * x];
    dest[bytes * x + 1] = bgr[3 * x + 1];
    dest[bytes * x + 2] = bgr[3 * x + 2];
    if (bytes == 4) dest[4 * x + 3] = 0;
  }
}

LRESULT DecodeYuy2(const BITMAPINFOHEADER* in, const BYTE* data, const BITMAPINFOHEADER* out, BYTE* picture) {
  const LONG width = in->biWidth;
  const std::size_t stride = Stride(width, 16);
  if (in->biSizeImage != 0 && in->biSizeImage < stride * AbsHeight(in)) return ICERR_BADFORMAT;
  std::vector<BYTE> row(static_cast<std::size_t>(width) * 3);
  for (LONG y = 0; y < AbsHeight(in); ++y) {
    const BYTE* src = data + static_cast<std::size_t>(y) * stride;
    for (LONG x = 0; x < width; ++x) {
      const int c = src[2 * x] - 16;
      const int d = src[(2 * x & ~3) + 1] - 128;
      const int e = src[(2 * x & ~3) + 3] - 128;
      row[3 * x] = Clamp((298 * c + 516 * d + 128) >> 8);
      row[3 * x + 1] = Clamp((298 * c - 100 * d - 208 * e + 128) >> 8);
      row[3 * x + 2] = Clamp((298 * c + 409 * e + 128) >> 8);
    }
    PutRow(row.data(), y, out, picture);
  }
  return ICERR_OK;
}

LRESULT DecodeMjpg(const BITMAPINFOHEADER* in, const BYTE* data, const BITMAPINFOHEADER* out, BYTE* picture) {
  if (in->biSizeImage == 0) return ICERR_BADFORMAT;
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  LRESULT result = ICERR_ERROR;
  {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    std::vector<BYTE> bgr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   factory.PutVoid())) &&
        SUCCEEDED(factory->CreateStream(stream.Put())) &&
        SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(data), in->biSizeImage)) &&
        SUCCEEDED(
            factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Put())) &&
        SUCCEEDED(decoder->GetFrame(0, frame.Put())) && SUCCEEDED(factory->CreateFormatConverter(converter.Put())) &&
        SUCCEEDED(converter->Initialize(frame.Get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&width, &height)) && static_cast<LONG>(width) == out->biWidth &&
        static_cast<LONG>(height) == AbsHeight(out)) {
      const UINT stride = width * 3;
      bgr.resize(static_cast<std::size_t>(stride) * height);
      if (SUCCEEDED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(bgr.size()), bgr.data()))) {
        for (UINT y = 0; y < height; ++y) PutRow(bgr.data() + static_cast<std::size_t>(y) * stride, y, out, picture);
        result = ICERR_OK;
      }
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}

LRESULT Decompress(const ICDECOMPRESS* d) {
  if (!d || !d->lpbiInput || !d->lpbiOutput || !d->lpInput || !d->lpOutput) return ICERR_BADPARAM;
  if (Query(d->lpbiInput, d->lpbiOutput) != ICERR_OK) return ICERR_BADFORMAT;
  const auto* data = static_cast<const BYTE*>(d->lpInput);
  auto* picture = static_cast<BYTE*>(d->lpOutput);
  if (d->lpbiInput->biCompression == kYuy2) return DecodeYuy2(d->lpbiInput, data, d->lpbiOutput, picture);
  return DecodeMjpg(d->lpbiInput, data, d->lpbiOutput, picture);
}

LRESULT GetFormat(const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) {
  if (!InputKnown(in)) return ICERR_BADFORMAT;
  if (!out) return sizeof(BITMAPINFOHEADER);
  *out = BITMAPINFOHEADER{};
  out->biSize = sizeof(BITMAPINFOHEADER);
  out->biWidth = in->biWidth;
  out->biHeight = AbsHeight(in);
  out->biPlanes = 1;
  out->biBitCount = 24;
  out->biCompression = BI_RGB;
  out->biSizeImage = static_cast<DWORD>(Stride(in->biWidth, 24) * AbsHeight(in));
  return ICERR_OK;
}

LRESULT GetInfo(ICINFO* info, LPARAM bytes) {
  if (!info || static_cast<std::size_t>(bytes) < sizeof(ICINFO)) return 0;
  std::memset(info, 0, sizeof(ICINFO));
  info->dwSize = sizeof(ICINFO);
  info->fccType = ICTYPE_VIDEO;
  info->dwVersionICM = ICVERSION;
  lstrcpynW(info->szName, L"vcam", sizeof info->szName / sizeof(WCHAR));
  lstrcpynW(info->szDescription, L"Virtual camera decoder", sizeof info->szDescription / sizeof(WCHAR));
  return sizeof(ICINFO);
}

}  // namespace

extern "C" LRESULT WINAPI DriverProc(DWORD_PTR /*id*/, HDRVR /*driver*/, UINT message, LPARAM param1, LPARAM param2) {
  switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_CLOSE: return 1;
    case DRV_OPEN: {
      const auto* open = reinterpret_cast<const ICOPEN*>(param2);
      if (open && open->fccType != kVidc && open->fccType != 0) return 0;
      return kDriverId;
    }
    case ICM_GETINFO: return GetInfo(reinterpret_cast<ICINFO*>(param1), param2);
    case ICM_DECOMPRESS_BEGIN:
      // Wine 8's AVI decompressor names its input format as the output
      // here; every frame names the real output again.
      return Query(reinterpret_cast<const BITMAPINFOHEADER*>(param1), nullptr);
    case ICM_DECOMPRESS_QUERY:
      return Query(reinterpret_cast<const BITMAPINFOHEADER*>(param1),
                   reinterpret_cast<const BITMAPINFOHEADER*>(param2));
    case ICM_DECOMPRESS_GET_FORMAT:
      return GetFormat(reinterpret_cast<const BITMAPINFOHEADER*>(param1), reinterpret_cast<BITMAPINFOHEADER*>(param2));
    case ICM_DECOMPRESS: return Decompress(reinterpret_cast<const ICDECOMPRESS*>(param1));
    case ICM_DECOMPRESS_END: return ICERR_OK;
    default: return message >= ICM_USER ? ICERR_UNSUPPORTED : 0;
  }
}

HRESULT VcamRegisterCodec(const WCHAR* modulePath) {
  RegKey key;
  LSTATUS status =
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDriversKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  const DWORD bytes = static_cast<DWORD>((lstrlenW(modulePath) + 1) * sizeof(WCHAR));
  for (const WCHAR* name : kDriverNames) {
    status = RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(modulePath), bytes);
    if (status != ERROR_SUCCESS) break;
  }
  return HRESULT_FROM_WIN32(status);
}

HRESULT VcamUnregisterCodec() {
  RegKey key;
  LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDriversKey, 0, KEY_SET_VALUE, key.Put());
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  for (const WCHAR* name : kDriverNames) RegDeleteValueW(key.Get(), name);
  return S_OK;
}
