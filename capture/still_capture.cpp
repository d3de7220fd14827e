#include "capture/still_capture.h"

#include "capture/results.h"
#include "capture/waits.h"
#include "res/lumcap_resources.h"

#include <amvideo.h>
#include <dvdmedia.h>

#include <cstring>
#include <mmsystem.h>
#include <new>
#include <uuids.h>
#include <vfwmsgs.h>

namespace {

// Where the bitmap header lies in the two video format blocks.
constexpr std::size_t kVideoInfoHeaderBytes = 88;
constexpr std::size_t kVideoInfoBitmapOffset = 48;
constexpr std::size_t kVideoInfo2HeaderBytes = 112;
constexpr std::size_t kVideoInfo2BitmapOffset = 72;
// The same in both builds: the blocks hold no pointers.
static_assert(sizeof(VIDEOINFOHEADER) == kVideoInfoHeaderBytes &&
                  offsetof(VIDEOINFOHEADER, bmiHeader) == kVideoInfoBitmapOffset,
              "video-info header layout");
static_assert(sizeof(VIDEOINFOHEADER2) == kVideoInfo2HeaderBytes &&
                  offsetof(VIDEOINFOHEADER2, bmiHeader) == kVideoInfo2BitmapOffset,
              "video-info-2 header layout");

HINSTANCE g_module = nullptr;

// A copy of a media type record, format block included.
HRESULT CopyMediaType(const AM_MEDIA_TYPE& from, AM_MEDIA_TYPE& to) {
  AM_MEDIA_TYPE copy = from;
  copy.pbFormat = nullptr;
  copy.cbFormat = 0;
  if (from.cbFormat != 0 && from.pbFormat) {
    copy.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
    if (!copy.pbFormat) return E_OUTOFMEMORY;
    CopyMemory(copy.pbFormat, from.pbFormat, from.cbFormat);
    copy.cbFormat = from.cbFormat;
  }
  if (copy.pUnk) copy.pUnk->AddRef();
  FreeMediaTypeContent(to);
  to = copy;
  return S_OK;
}

}  // namespace

namespace {

// The bitmap header of a video type and the bytes of the block from it on;
// null when the type is not video in a video-info or video-info-2 format,
// or its header does not lie inside the block.
const BITMAPINFOHEADER* FrameHeader(const AM_MEDIA_TYPE& type, std::size_t* headerPart) {
  if (type.majortype != MEDIATYPE_Video || !type.pbFormat) return nullptr;
  std::size_t offset = 0;
  if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= kVideoInfoHeaderBytes) {
    offset = kVideoInfoBitmapOffset;
  } else if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= kVideoInfo2HeaderBytes) {
    offset = kVideoInfo2BitmapOffset;
  } else {
    return nullptr;
  }
  // The header with its colour table or masks must lie inside the block.
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(type.pbFormat + offset);
  if (header->biSize > type.cbFormat - offset) return nullptr;
  *headerPart = type.cbFormat - offset;
  return header;
}

}  // namespace

HRESULT ConvertFrame(const AM_MEDIA_TYPE& type, const BYTE* data, std::size_t length, CDIBSection& picture) {
  std::size_t headerPart = 0;
  const BITMAPINFOHEADER* header = FrameHeader(type, &headerPart);
  if (!header) return VFW_E_INVALIDMEDIATYPE;
  return picture.Create(header, headerPart, data, length);
}

HRESULT CopyRgb24Frame(const AM_MEDIA_TYPE& type, const BYTE* data, std::size_t length, BITMAPINFOHEADER* header,
                       void* pixels, std::size_t size) {
  std::size_t headerPart = 0;
  const BITMAPINFOHEADER* format = FrameHeader(type, &headerPart);
  if (!format || headerPart < sizeof(BITMAPINFOHEADER)) return VFW_E_INVALIDMEDIATYPE;
  const DibFields fields = DibFieldsOf(*format);
  DibLayout layout;
  if (!DibLayoutOf(fields, &layout) || fields.compression != kDibCompressionRgb || fields.bitCount != 24) {
    return S_FALSE;
  }
  if (!data || !DibFrameIsComplete(fields, layout, length)) return E_FAIL;
  const std::uint64_t stride = DibStride(fields.width, 24);
  const std::uint32_t rows = DibRows(fields.height);
  BITMAPINFOHEADER made = {};
  made.biSize = sizeof made;
  made.biWidth = fields.width;
  made.biHeight = static_cast<LONG>(rows);
  made.biPlanes = 1;
  made.biBitCount = 24;
  made.biCompression = BI_RGB;
  made.biSizeImage = static_cast<DWORD>(stride * rows);
  *header = made;
  if (!pixels) return S_OK;
  if (size < made.biSizeImage) return kResultTextTooLong;
  if (fields.height > 0) {
    std::memcpy(pixels, data, made.biSizeImage);  // rows from the bottom already
    return S_OK;
  }
  auto* out = static_cast<BYTE*>(pixels);
  for (std::uint32_t y = 0; y < rows; ++y) std::memcpy(out + stride * y, data + stride * (rows - 1 - y), stride);
  return S_OK;
}

CStillCapture::~CStillCapture() { FreeMediaTypeContent(connected_); }

HRESULT CStillCapture::UseEvent() {
  if (event_) return S_OK;
  SetLastError(0);
  event_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  return event_ ? S_OK : LastErrorResult();
}

void CStillCapture::UseMessage(HWND window, UINT message) {
  notifyWindow_ = window;
  notifyMessage_ = message;
}

HRESULT CStillCapture::SetConnectedType(const AM_MEDIA_TYPE& type) {
  CriticalSectionLock lock(lock_.Get());
  return CopyMediaType(type, connected_);
}

void CStillCapture::Arm() {
  // A signal left by an earlier cycle (a frame after a time-out) must not
  // answer this one.
  if (event_) ResetEvent(event_.Get());
  TriggerArm(trigger_);
}

HRESULT CStillCapture::Wait(DWORD timeoutMs, HANDLE interrupt) {
  if (!IsArmed()) return E_FAIL;
  if (!event_) return E_POINTER;
  const HANDLE handles[] = {event_.Get(), interrupt};
  switch (WaitKeepingWindowsAlive(interrupt ? 2 : 1, handles, timeoutMs)) {
    case WAIT_OBJECT_0: {
      TriggerCycleDone(trigger_);
      HRESULT result = lastResult_.load();
      return FAILED(result) ? result : S_OK;
    }
    case WAIT_OBJECT_0 + 1: return S_FALSE;
    case WAIT_TIMEOUT: return kResultTimeout;  // still armed: the next frame completes the cycle
    default: return LastErrorResult();
  }
}

void CStillCapture::Take(CDIBSection& picture) {
  CriticalSectionLock lock(lock_.Get());
  picture.TakePicture(held_);
}

void CStillCapture::PutBack(CDIBSection& picture) {
  CriticalSectionLock lock(lock_.Get());
  if (held_.IsEmpty()) held_.TakePicture(picture);
}

HRESULT CStillCapture::OnSample(IMediaSample* sample) {
  if (!sample) return E_INVALIDARG;
  AM_MEDIA_TYPE* changed = nullptr;
  HRESULT hr = sample->GetMediaType(&changed);
  if (FAILED(hr)) return hr;
  if (changed) {
    hr = SetConnectedType(*changed);
    FreeMediaTypeContent(*changed);
    CoTaskMemFree(changed);
    if (FAILED(hr)) return hr;
  }
  BYTE* data = nullptr;
  hr = sample->GetPointer(&data);
  if (SUCCEEDED(hr) && !data) hr = E_POINTER;
  // A sample never holds more than its buffer.
  const long length = SUCCEEDED(hr) ? sample->GetActualDataLength() : 0;
  const long size = SUCCEEDED(hr) ? sample->GetSize() : 0;
  const long bytes = length < size ? length : size;
  const std::size_t usable = bytes > 0 ? static_cast<std::size_t>(bytes) : 0;
  if (SUCCEEDED(hr)) HoldNewest(data, usable);
  if (!TriggerTakeFrame(trigger_, stillPin_)) return S_OK;
  // The trigger is consumed: whatever happens now completes the cycle.
  if (FAILED(hr)) {
    Complete(hr);
    return hr;
  }
  OnConvert(data, usable);
  return S_OK;
}

void CStillCapture::HoldNewest(const BYTE* data, std::size_t length) {
  CriticalSectionLock lock(newestLock_.Get());
  // The buffer keeps its capacity: no allocation once the size is known.
  try {
    newest_.assign(data, data + length);
    newestFresh_ = true;
  } catch (const std::bad_alloc&) {
    newest_.clear();
    newestFresh_ = false;
  }
}

HRESULT CStillCapture::CopyNewest(BITMAPINFOHEADER* header, void* pixels, std::size_t size) {
  *header = BITMAPINFOHEADER{};
  CriticalSectionLock reading(readingLock_.Get());
  {
    CriticalSectionLock lock(newestLock_.Get());
    if (newestFresh_) {
      reading_.swap(newest_);
      newestFresh_ = false;
      readingHeld_ = true;
    }
  }
  if (!readingHeld_) return S_FALSE;
  AM_MEDIA_TYPE type = {};
  {
    CriticalSectionLock lock(lock_.Get());
    const HRESULT hr = CopyMediaType(connected_, type);
    if (FAILED(hr)) return hr;
  }
  // A 24-bit RGB frame is copied as it stands; any other through a picture.
  HRESULT hr = CopyRgb24Frame(type, reading_.data(), reading_.size(), header, pixels, size);
  if (hr != S_FALSE) {
    FreeMediaTypeContent(type);
    return hr;
  }
  hr = ConvertFrame(type, reading_.data(), reading_.size(), newestPicture_);
  FreeMediaTypeContent(type);
  if (FAILED(hr)) return hr;
  return newestPicture_.CopyRgb24(header, pixels, size);
}

void CStillCapture::OnFrame(const BYTE* data, std::size_t length) {
  if (!TriggerTakeFrame(trigger_, stillPin_)) return;
  OnConvert(data, length);
}

void CStillCapture::OnConvert(const BYTE* data, std::size_t length) {
  HRESULT result;
  {
    CriticalSectionLock lock(lock_.Get());
    result = ConvertFrame(connected_, data, length, held_);
  }
  Complete(result);
}

void CStillCapture::Complete(HRESULT result) {
  lastResult_.store(result);
  if (event_) {
    SetEvent(event_.Get());
  } else if (notifyMessage_ != 0 && notifyWindow_) {
    PostMessageW(notifyWindow_, notifyMessage_, static_cast<WPARAM>(result), 0);
  }
}

void SetLibraryModule(HINSTANCE module) { g_module = module; }

HINSTANCE LibraryModule() { return g_module; }

bool PlayShutterSound() {
  return PlaySoundW(MAKEINTRESOURCEW(IDW_LUMCAP_SHUTTER), g_module,
                    SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP | SND_NOWAIT) != FALSE;
}
