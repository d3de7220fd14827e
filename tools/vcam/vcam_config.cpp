#include "vcam_config.h"

#include <dvdmedia.h>

#include <cwchar>
#include <cwctype>

const WCHAR kVcamDefaultConfig[] = L"format RGB24 640x480 30; format RGB24 320x240 30";

namespace {

constexpr unsigned kMaxWords = 12;
constexpr unsigned kWordChars = 48;
constexpr LONGLONG kUnitsPerSecond = 10000000;
// One frame of 525-line DV.
constexpr ULONG kDvFrameBytes = 120000;

// The first group of a subtype made from a four-character code.
constexpr GUID kFourccBase = {0x00000000, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

struct Words {
  WCHAR word[kMaxWords][kWordChars];
  unsigned count = 0;
};

// Splits one entry (up to ';' or the end) into words; returns the position
// after the entry.
const WCHAR* SplitEntry(const WCHAR* p, Words* words) {
  words->count = 0;
  while (*p && *p != L';') {
    while (*p == L' ' || *p == L'\t') ++p;
    if (!*p || *p == L';') break;
    unsigned n = 0;
    WCHAR* out = words->word[words->count < kMaxWords ? words->count : kMaxWords - 1];
    while (*p && *p != L';' && *p != L' ' && *p != L'\t') {
      if (n + 1 < kWordChars) out[n++] = *p;
      ++p;
    }
    out[n] = L'\0';
    if (words->count < kMaxWords) ++words->count;
  }
  return *p == L';' ? p + 1 : p;
}

bool Number(const WCHAR* text, LONG* value) {
  WCHAR* end = nullptr;
  long v = std::wcstol(text, &end, 0);
  if (end == text || *end) return false;
  *value = static_cast<LONG>(v);
  return true;
}

// "A" or "A-B" (each a number); B defaults to A.
bool Pair(const WCHAR* text, WCHAR separator, LONG* a, LONG* b, const WCHAR** rest) {
  WCHAR* end = nullptr;
  *a = static_cast<LONG>(std::wcstol(text, &end, 10));
  if (end == text) return false;
  *b = *a;
  if (*end == separator) {
    const WCHAR* second = end + 1;
    *b = static_cast<LONG>(std::wcstol(second, &end, 10));
    if (end == second) return false;
  }
  *rest = end;
  return true;
}

bool Subtype(const WCHAR* name, VcamFormat* format) {
  format->video = true;
  if (std::wcscmp(name, L"RGB24") == 0) {
    format->subtype = MEDIASUBTYPE_RGB24;
    format->bitCount = 24;
    return true;
  }
  if (std::wcslen(name) != 4) return false;
  format->subtype = kFourccBase;
  format->subtype.Data1 = static_cast<DWORD>(name[0] & 0xFF) | static_cast<DWORD>(name[1] & 0xFF) << 8 |
                          static_cast<DWORD>(name[2] & 0xFF) << 16 | static_cast<DWORD>(name[3] & 0xFF) << 24;
  format->bitCount = std::wcscmp(name, L"YUY2") == 0 ? 16 : 24;
  return true;
}

// SUB WxH[-WxH[/G]] FPS[-FPS] [v2]
bool ParseFormat(const Words& w, VcamFormat* format) {
  *format = VcamFormat{};
  if (w.count == 2 && std::wcscmp(w.word[1], L"audio") == 0) {
    format->subtype = MEDIASUBTYPE_PCM;
    return true;
  }
  if (w.count < 4 || !Subtype(w.word[1], format)) return false;
  const WCHAR* rest = nullptr;
  if (!Pair(w.word[2], L'x', &format->width, &format->height, &rest)) return false;
  format->maxWidth = format->width;
  format->maxHeight = format->height;
  format->granularity = 1;
  if (*rest == L'-') {
    if (!Pair(rest + 1, L'x', &format->maxWidth, &format->maxHeight, &rest)) return false;
    if (*rest == L'/' && !Pair(rest + 1, L'/', &format->granularity, &format->granularity, &rest)) return false;
  }
  if (*rest || !Pair(w.word[3], L'-', &format->minFps, &format->maxFps, &rest) || *rest) return false;
  if (format->minFps > format->maxFps) {
    LONG fps = format->minFps;
    format->minFps = format->maxFps;
    format->maxFps = fps;
  }
  for (unsigned i = 4; i < w.count; ++i) {
    if (std::wcscmp(w.word[i], L"v2") == 0) {
      format->header2 = true;
    } else if (std::wcscmp(w.word[i], L"iavs") == 0) {
      format->interleaved = true;
    } else {
      return false;
    }
  }
  return format->minFps > 0 && format->width > 0 && format->height > 0;
}

bool ParseProperty(const Words& w, VcamProperty* p) {
  LONG* fields[] = {&p->id, &p->minimum, &p->maximum, &p->step, &p->defaultValue, &p->caps, &p->value, &p->flags};
  if (w.count != 9) return false;
  for (unsigned i = 0; i < 8; ++i) {
    if (!Number(w.word[i + 1], fields[i])) return false;
  }
  return true;
}

template <class T>
bool Append(T* list, unsigned* count, unsigned capacity, bool (*parse)(const Words&, T*), const Words& w) {
  if (*count >= capacity || !parse(w, &list[*count])) return false;
  ++*count;
  return true;
}

bool ParseEntry(const Words& w, VcamConfig* c) {
  const WCHAR* key = w.word[0];
  if (std::wcscmp(key, L"format") == 0) return Append(c->capture, &c->captureCount, kVcamMaxFormats, ParseFormat, w);
  if (std::wcscmp(key, L"still") == 0) return Append(c->still, &c->stillCount, kVcamMaxFormats, ParseFormat, w);
  if (std::wcscmp(key, L"amp") == 0) return Append(c->amp, &c->ampCount, kVcamMaxProperties, ParseProperty, w);
  if (std::wcscmp(key, L"cam") == 0) return Append(c->cam, &c->camCount, kVcamMaxProperties, ParseProperty, w);
  if (std::wcscmp(key, L"controlcaps") == 0) return w.count == 2 && Number(w.word[1], &c->controlCaps);
  if (std::wcscmp(key, L"recordsize") == 0) return w.count == 2 && Number(w.word[1], &c->recordSize);
  if (std::wcscmp(key, L"offer") == 0) {
    LONG n = 0;
    if (w.count != 2 || !Number(w.word[1], &n) || n < 1) return false;
    c->offerFirst = n - 1;
    return true;
  }
  if (std::wcscmp(key, L"xu") == 0) {
    c->hasExtensionUnit = w.count == 2 && SUCCEEDED(CLSIDFromString(w.word[1], &c->extensionUnit));
    return c->hasExtensionUnit;
  }
  if (std::wcscmp(key, L"topology") == 0 && w.count == 2) {
    if (std::wcscmp(w.word[1], L"camera") == 0)
      c->topology = VcamTopology::kCameraTerminal;
    else if (std::wcscmp(w.word[1], L"transport") == 0)
      c->topology = VcamTopology::kTransportTerminal;
    else if (std::wcscmp(w.word[1], L"plain") == 0)
      c->topology = VcamTopology::kPlain;
    else
      return false;
    return true;
  }
  if (w.count != 1) return false;
  if (std::wcscmp(key, L"crossbar") == 0) return c->crossbar = true;
  if (std::wcscmp(key, L"failread") == 0) return c->failRead = true;
  if (std::wcscmp(key, L"mute") == 0) return c->mute = true;
  if (std::wcscmp(key, L"short") == 0) return c->shortSamples = true;
  if (std::wcscmp(key, L"fixedformat") == 0) return c->fixedFormat = true;
  return false;
}

LONG Stride(LONG width, WORD bitCount) { return ((width * bitCount + 31) / 32) * 4; }

}  // namespace

bool VcamParseConfig(const WCHAR* text, VcamConfig* config) {
  *config = VcamConfig{};
  const WCHAR* p = text;
  while (*p) {
    Words words;
    p = SplitEntry(p, &words);
    if (words.count > 0 && !ParseEntry(words, config)) return false;
  }
  return true;
}

AM_MEDIA_TYPE* VcamMediaType(const VcamFormat& format) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!type) return nullptr;
  *type = AM_MEDIA_TYPE{};
  type->subtype = format.subtype;
  if (!format.video) {
    type->majortype = MEDIATYPE_Audio;
    type->formattype = FORMAT_None;
    return type;
  }
  if (format.interleaved) {
    type->majortype = MEDIATYPE_Interleaved;
    type->formattype = FORMAT_DvInfo;
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = kDvFrameBytes;
    type->cbFormat = sizeof(DVINFO);
    type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type->cbFormat));
    if (!type->pbFormat) {
      CoTaskMemFree(type);
      return nullptr;
    }
    ZeroMemory(type->pbFormat, type->cbFormat);
    return type;
  }
  type->majortype = MEDIATYPE_Video;
  type->bFixedSizeSamples = TRUE;
  const ULONG imageBytes = static_cast<ULONG>(Stride(format.width, format.bitCount) * format.height);
  type->lSampleSize = imageBytes;
  type->cbFormat = format.header2 ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER);
  type->formattype = format.header2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo;
  type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type->cbFormat));
  if (!type->pbFormat) {
    CoTaskMemFree(type);
    return nullptr;
  }
  ZeroMemory(type->pbFormat, type->cbFormat);
  BITMAPINFOHEADER* header = nullptr;
  const REFERENCE_TIME duration = kUnitsPerSecond / format.maxFps;
  const DWORD bitRate = static_cast<DWORD>(imageBytes * 8ull * static_cast<ULONGLONG>(format.maxFps));
  if (format.header2) {
    auto* info = reinterpret_cast<VIDEOINFOHEADER2*>(type->pbFormat);
    info->AvgTimePerFrame = duration;
    info->dwBitRate = bitRate;
    info->dwPictAspectRatioX = static_cast<DWORD>(format.width);
    info->dwPictAspectRatioY = static_cast<DWORD>(format.height);
    header = &info->bmiHeader;
  } else {
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
    info->AvgTimePerFrame = duration;
    info->dwBitRate = bitRate;
    header = &info->bmiHeader;
  }
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = format.width;
  header->biHeight = format.height;
  header->biPlanes = 1;
  header->biBitCount = format.bitCount;
  header->biCompression = IsEqualGUID(format.subtype, MEDIASUBTYPE_RGB24) ? BI_RGB : format.subtype.Data1;
  header->biSizeImage = imageBytes;
  return type;
}

HRESULT VcamCopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source) {
  *dest = *source;
  dest->pbFormat = nullptr;
  dest->cbFormat = 0;
  if (dest->pUnk) dest->pUnk->AddRef();
  if (source->cbFormat && source->pbFormat) {
    dest->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (!dest->pbFormat) {
      VcamFreeMediaType(dest);
      return E_OUTOFMEMORY;
    }
    CopyMemory(dest->pbFormat, source->pbFormat, source->cbFormat);
    dest->cbFormat = source->cbFormat;
  }
  return S_OK;
}

void VcamFreeMediaType(AM_MEDIA_TYPE* type) {
  CoTaskMemFree(type->pbFormat);
  type->pbFormat = nullptr;
  type->cbFormat = 0;
  if (type->pUnk) type->pUnk->Release();
  type->pUnk = nullptr;
}

void VcamDeleteMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return;
  VcamFreeMediaType(type);
  CoTaskMemFree(type);
}

const BITMAPINFOHEADER* VcamBitmapHeader(const AM_MEDIA_TYPE* type) {
  if (!type->pbFormat) return nullptr;
  if (IsEqualGUID(type->formattype, FORMAT_VideoInfo) && type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
    return &reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
  }
  if (IsEqualGUID(type->formattype, FORMAT_VideoInfo2) && type->cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    return &reinterpret_cast<const VIDEOINFOHEADER2*>(type->pbFormat)->bmiHeader;
  }
  return nullptr;
}

REFERENCE_TIME VcamFrameDuration(const AM_MEDIA_TYPE* type) {
  if (!VcamBitmapHeader(type)) return 0;
  if (IsEqualGUID(type->formattype, FORMAT_VideoInfo)) {
    return reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame;
  }
  return reinterpret_cast<const VIDEOINFOHEADER2*>(type->pbFormat)->AvgTimePerFrame;
}
