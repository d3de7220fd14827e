#include "capture/still_capture.h"

#include "capture/results.h"
#include "res/lumcap_resources.h"

#include <amvideo.h>
#include <dvdmedia.h>
#include <mmsystem.h>
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

HRESULT ConvertFrame(const AM_MEDIA_TYPE& type, const BYTE* data, std::size_t length, CDIBSection& picture) {
  if (type.majortype != MEDIATYPE_Video || !type.pbFormat) return VFW_E_INVALIDMEDIATYPE;
  std::size_t offset = 0;
  if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= kVideoInfoHeaderBytes) {
    offset = kVideoInfoBitmapOffset;
  } else if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= kVideoInfo2HeaderBytes) {
    offset = kVideoInfo2BitmapOffset;
  } else {
    return VFW_E_INVALIDMEDIATYPE;
  }
  // The header with its colour table or masks must lie inside the block.
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(type.pbFormat + offset);
  if (header->biSize > type.cbFormat - offset) return VFW_E_INVALIDMEDIATYPE;
  return picture.Create(header, type.cbFormat - offset, data, length);
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

HRESULT CStillCapture::Wait(DWORD timeoutMs) {
  if (!IsArmed()) return E_FAIL;
  if (!event_) return E_POINTER;
  switch (WaitForSingleObject(event_.Get(), timeoutMs)) {
    case WAIT_OBJECT_0: {
      TriggerCycleDone(trigger_);
      HRESULT result = lastResult_.load();
      return FAILED(result) ? result : S_OK;
    }
    case WAIT_TIMEOUT: return kResultTimeout;  // still armed: the next frame completes the cycle
    default: return LastErrorResult();
  }
}

void CStillCapture::Take(CDIBSection& picture) {
  CriticalSectionLock lock(lock_.Get());
  picture.TakePicture(held_);
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
  if (!TriggerTakeFrame(trigger_, stillPin_)) return S_OK;
  BYTE* data = nullptr;
  hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const long length = sample->GetActualDataLength();
  OnConvert(data, length > 0 ? static_cast<std::size_t>(length) : 0);
  return S_OK;
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
