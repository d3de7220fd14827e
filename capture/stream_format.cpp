#include "capture/stream_format.h"

#include "capture/format_ranges.h"

#include <dvdmedia.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

GuidValue ValueOf(const GUID& guid) {
  GuidValue value;
  static_assert(sizeof value == sizeof guid, "same layout");
  std::memcpy(&value, &guid, sizeof value);
  return value;
}

REFERENCE_TIME* FrameDurationField(const AM_MEDIA_TYPE& type) {
  if (IsEqualGUID(type.formattype, FORMAT_VideoInfo))
    return &reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->AvgTimePerFrame;
  return &reinterpret_cast<VIDEOINFOHEADER2*>(type.pbFormat)->AvgTimePerFrame;
}

DWORD* BitRateField(const AM_MEDIA_TYPE& type) {
  if (IsEqualGUID(type.formattype, FORMAT_VideoInfo))
    return &reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->dwBitRate;
  return &reinterpret_cast<VIDEOINFOHEADER2*>(type.pbFormat)->dwBitRate;
}

void SetRectIfUsed(RECT& rect, LONG width, LONG height) {
  if (!IsRectEmpty(&rect)) SetRect(&rect, 0, 0, width, height);
}

// Size, rectangles, image size, frame duration and bit rate of a type.
HRESULT AdjustMediaType(AM_MEDIA_TYPE& type, LONG width, LONG height, LONG frameRate) {
  BITMAPINFOHEADER* header = VideoBitmapHeader(type);
  if (!header) return VFW_E_INVALIDMEDIATYPE;
  header->biWidth = width;
  header->biHeight = header->biHeight < 0 ? -height : height;
  const DWORD image = PictureStride(width, header->biBitCount) * static_cast<DWORD>(height);
  if (header->biSizeImage != 0) header->biSizeImage = image;
  type.lSampleSize = image;
  if (IsEqualGUID(type.formattype, FORMAT_VideoInfo)) {
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
    SetRectIfUsed(info->rcSource, width, height);
    SetRectIfUsed(info->rcTarget, width, height);
  } else {
    auto* info = reinterpret_cast<VIDEOINFOHEADER2*>(type.pbFormat);
    SetRectIfUsed(info->rcSource, width, height);
    SetRectIfUsed(info->rcTarget, width, height);
  }
  REFERENCE_TIME* duration = FrameDurationField(type);
  if (frameRate > 0) *duration = kIntervalUnitsPerSecond / frameRate;
  // A duration of 0 (kept from the device) leaves the bit rate as it is.
  DWORD* bitRate = BitRateField(type);
  if (*bitRate != 0 && *duration > 0) *bitRate = PictureBitRate(image, *duration);
  return S_OK;
}

bool CapabilityFits(const AM_MEDIA_TYPE& type, const VIDEO_STREAM_CONFIG_CAPS& caps, LONG width, LONG height,
                    const GUID& subtype) {
  if (!SubtypeMatches(ValueOf(subtype), ValueOf(type.subtype))) return false;
  const BITMAPINFOHEADER* header = VideoBitmapHeader(type);
  if (!header) return false;
  const LONG ownHeight = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  return SizeFits(width, header->biWidth, caps.MinOutputSize.cx, caps.MaxOutputSize.cx, caps.OutputGranularityX) &&
         SizeFits(height, ownHeight, caps.MinOutputSize.cy, caps.MaxOutputSize.cy, caps.OutputGranularityY);
}

}  // namespace

BITMAPINFOHEADER* VideoBitmapHeader(const AM_MEDIA_TYPE& type) {
  if (!IsEqualGUID(type.majortype, MEDIATYPE_Video) || !type.pbFormat) return nullptr;
  if (IsEqualGUID(type.formattype, FORMAT_VideoInfo) && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    return &reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  }
  if (IsEqualGUID(type.formattype, FORMAT_VideoInfo2) && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    return &reinterpret_cast<VIDEOINFOHEADER2*>(type.pbFormat)->bmiHeader;
  }
  return nullptr;
}

HRESULT CapabilityCount(IAMStreamConfig* config, int* count, int* recordBytes) {
  HRESULT hr = config->GetNumberOfCapabilities(count, recordBytes);
  if (FAILED(hr)) return hr;
  if (*count <= 0 || *recordBytes < kCapabilityRecordBytes) return E_FAIL;
  return S_OK;
}

HRESULT SetStreamFormat(IAMStreamConfig* config, LONG width, LONG height, LONG frameRate, const GUID* subtype) {
  if (!subtype) {
    MediaTypePtr type;
    HRESULT hr = config->GetFormat(type.Put());
    if (FAILED(hr)) return hr;
    hr = AdjustMediaType(*type.Get(), width, height, frameRate);
    return FAILED(hr) ? hr : config->SetFormat(type.Get());
  }
  int count = 0;
  int recordBytes = 0;
  HRESULT hr = CapabilityCount(config, &count, &recordBytes);
  if (FAILED(hr)) return hr;
  std::unique_ptr<BYTE[]> record(new (std::nothrow) BYTE[recordBytes]);
  if (!record) return E_OUTOFMEMORY;
  for (int i = 0; i < count; ++i) {
    MediaTypePtr type;
    if (config->GetStreamCaps(i, type.Put(), record.get()) != S_OK || !type.Get()) continue;
    const auto* caps = reinterpret_cast<const VIDEO_STREAM_CONFIG_CAPS*>(record.get());
    if (!CapabilityFits(*type.Get(), *caps, width, height, *subtype)) continue;
    hr = AdjustMediaType(*type.Get(), width, height, frameRate);
    return FAILED(hr) ? hr : config->SetFormat(type.Get());
  }
  return E_INVALIDARG;
}

HRESULT ReadStreamFormat(IAMStreamConfig* config, PinFormat* format) {
  MediaTypePtr type;
  HRESULT hr = config->GetFormat(type.Put());
  if (FAILED(hr)) return hr;
  const BITMAPINFOHEADER* header = type.Get() ? VideoBitmapHeader(*type.Get()) : nullptr;
  if (!header) return VFW_E_INVALIDMEDIATYPE;
  format->width = header->biWidth;
  format->height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  format->frameRate = FrameRateOf(*FrameDurationField(*type.Get()));
  format->subtype = type->subtype;
  format->bitCount = header->biBitCount;
  return S_OK;
}
