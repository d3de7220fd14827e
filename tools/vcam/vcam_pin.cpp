#include "vcam_pin.h"

#include "vcam_filter.h"
#include "vcam_object.h"
#include "vcam_picture.h"

#include <new>

namespace {

constexpr LONGLONG kUnitsPerMs = 10000;
constexpr DWORD kStillPollMs = 5;
constexpr long kBuffers = 3;
constexpr DWORD kMjpgCode = 0x47504A4D;  // 'MJPG'

// Enumerator over copies of media types.
class CVcamTypeEnum final : public VcamObject<IEnumMediaTypes> {
 public:
  CVcamTypeEnum() : VcamObject(IID_IEnumMediaTypes) {}

  // Takes ownership of type (from CoTaskMemAlloc).
  bool Add(AM_MEDIA_TYPE* type) {
    if (!type || count_ >= kVcamMaxFormats) {
      VcamDeleteMediaType(type);
      return false;
    }
    types_[count_++] = type;
    return true;
  }
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    if (!types || (count != 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < count && position_ < count_) {
      types[n] = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
      if (!types[n] || FAILED(VcamCopyMediaType(types[n], types_[position_]))) {
        CoTaskMemFree(types[n]);
        break;
      }
      ++position_;
      ++n;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    if (count > count_ - position_) {
      position_ = count_;
      return S_FALSE;
    }
    position_ += count;
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumMediaTypes** clone) override {
    if (!clone) return E_POINTER;
    auto* copy = new (std::nothrow) CVcamTypeEnum;
    if (!copy) return E_OUTOFMEMORY;
    for (ULONG i = 0; i < count_; ++i) {
      auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
      if (!type || FAILED(VcamCopyMediaType(type, types_[i]))) {
        CoTaskMemFree(type);
        copy->Release();
        return E_OUTOFMEMORY;
      }
      copy->Add(type);
    }
    copy->position_ = position_;
    *clone = copy;
    return S_OK;
  }

 private:
  ~CVcamTypeEnum() override {
    for (ULONG i = 0; i < count_; ++i) VcamDeleteMediaType(types_[i]);
  }

  AM_MEDIA_TYPE* types_[kVcamMaxFormats] = {};
  ULONG count_ = 0;
  ULONG position_ = 0;
};

bool SameOrNull(REFGUID wanted, REFGUID actual) {
  return IsEqualGUID(wanted, GUID_NULL) || IsEqualGUID(wanted, actual);
}

bool InRange(LONG value, LONG minimum, LONG maximum, LONG granularity) {
  if (value < minimum || value > maximum) return false;
  return granularity <= 1 || (value - minimum) % granularity == 0;
}

template <class T>
void SafeRelease(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

}  // namespace

CVcamPin::CVcamPin(CVcamFilter* filter, const WCHAR* id, REFGUID category, const VcamFormat* formats, unsigned count,
                   const VcamConfig& config, VcamPinObservation* observation)
    : filter_(filter),
      id_(id),
      category_(category),
      formats_(formats),
      count_(count),
      config_(config),
      observation_(observation) {
  const VcamFormat* format = DefaultFormat();
  if (!format) return;
  AM_MEDIA_TYPE* type = VcamMediaType(*format);
  if (type) ObserveFormat(type);
  VcamDeleteMediaType(type);
}

CVcamPin::~CVcamPin() {
  Inactive();
  ReleaseConnection();
  VcamDeleteMediaType(setFormat_);
}

STDMETHODIMP CVcamPin::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPin)) {
    *object = static_cast<IPin*>(this);
  } else if (IsEqualIID(riid, IID_IKsPropertySet)) {
    *object = static_cast<IKsPropertySet*>(this);
  } else if (IsEqualIID(riid, IID_IAMStreamConfig)) {
    *object = static_cast<IAMStreamConfig*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CVcamPin::AddRef() { return filter_->AddRef(); }
STDMETHODIMP_(ULONG) CVcamPin::Release() { return filter_->Release(); }

const VcamFormat* CVcamPin::DefaultFormat() const {
  for (unsigned i = 0; i < count_; ++i) {
    if (formats_[i].video) return &formats_[i];
  }
  return nullptr;
}

bool CVcamPin::Acceptable(const AM_MEDIA_TYPE* type) const {
  if (!type) return false;
  if (IsEqualGUID(type->majortype, MEDIATYPE_Interleaved)) {
    for (unsigned i = 0; i < count_; ++i) {
      if (formats_[i].interleaved && IsEqualGUID(formats_[i].subtype, type->subtype)) return true;
    }
    return false;
  }
  if (!IsEqualGUID(type->majortype, MEDIATYPE_Video)) return false;
  const BITMAPINFOHEADER* header = VcamBitmapHeader(type);
  if (!header) return false;
  const LONG height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  for (unsigned i = 0; i < count_; ++i) {
    const VcamFormat& f = formats_[i];
    if (!f.video || f.interleaved || !IsEqualGUID(f.subtype, type->subtype) || header->biBitCount != f.bitCount) {
      continue;
    }
    if (InRange(header->biWidth, f.width, f.maxWidth, f.granularity) &&
        InRange(height, f.height, f.maxHeight, f.granularity)) {
      return true;
    }
  }
  return false;
}

void CVcamPin::ObserveFormat(const AM_MEDIA_TYPE* type) {
  const BITMAPINFOHEADER* header = VcamBitmapHeader(type);
  if (!header) return;
  VcamObservationLock lock;
  observation_->width = header->biWidth;
  observation_->height = header->biHeight;
  observation_->fourcc = type->subtype.Data1;
  observation_->bitCount = header->biBitCount;
  observation_->frameDuration = VcamFrameDuration(type);
}

STDMETHODIMP CVcamPin::Connect(IPin* receiver, const AM_MEDIA_TYPE* type) {
  if (!receiver) return E_POINTER;
  CVcamFilterLock lock(filter_);
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  const bool complete = type && !IsEqualGUID(type->majortype, GUID_NULL) && !IsEqualGUID(type->subtype, GUID_NULL) &&
                        !IsEqualGUID(type->formattype, GUID_NULL);
  if (complete) return Acceptable(type) ? TryConnection(receiver, type) : VFW_E_TYPE_NOT_ACCEPTED;
  IEnumMediaTypes* types = nullptr;
  HRESULT hr = EnumMediaTypes(&types);
  if (FAILED(hr)) return hr;
  hr = VFW_E_NO_ACCEPTABLE_TYPES;
  AM_MEDIA_TYPE* candidate = nullptr;
  while (hr != S_OK && types->Next(1, &candidate, nullptr) == S_OK) {
    if (!type || (SameOrNull(type->majortype, candidate->majortype) && SameOrNull(type->subtype, candidate->subtype) &&
                  SameOrNull(type->formattype, candidate->formattype))) {
      if (SUCCEEDED(TryConnection(receiver, candidate))) hr = S_OK;
    }
    VcamDeleteMediaType(candidate);
  }
  types->Release();
  return hr;
}

HRESULT CVcamPin::TryConnection(IPin* receiver, const AM_MEDIA_TYPE* type) {
  HRESULT hr = receiver->ReceiveConnection(this, type);
  if (FAILED(hr)) return hr;
  connected_ = receiver;
  connected_->AddRef();
  hr = VcamCopyMediaType(&type_, type);
  if (SUCCEEDED(hr)) hr = receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input_));
  if (SUCCEEDED(hr)) hr = DecideAllocator();
  if (FAILED(hr)) {
    receiver->Disconnect();
    ReleaseConnection();
    return hr;
  }
  {
    VcamObservationLock observe;
    observation_->connected = 1;
  }
  ObserveFormat(type);
  return S_OK;
}

HRESULT CVcamPin::DecideAllocator() {
  ALLOCATOR_PROPERTIES wanted = {};
  input_->GetAllocatorRequirements(&wanted);
  const BITMAPINFOHEADER* header = VcamBitmapHeader(&type_);
  if (!header) return VFW_E_TYPE_NOT_ACCEPTED;
  const LONG height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  // Room for a 32-bit picture: enough for every layout the camera sends.
  const long image = static_cast<long>(header->biWidth * 4 * height);
  wanted.cBuffers = wanted.cBuffers > kBuffers ? wanted.cBuffers : kBuffers;
  wanted.cbBuffer = wanted.cbBuffer > image ? wanted.cbBuffer : image;
  if (wanted.cbAlign <= 0) wanted.cbAlign = 1;
  HRESULT hr = input_->GetAllocator(&allocator_);
  if (FAILED(hr)) {
    hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                          reinterpret_cast<void**>(&allocator_));
    if (FAILED(hr)) return hr;
  }
  ALLOCATOR_PROPERTIES actual = {};
  hr = allocator_->SetProperties(&wanted, &actual);
  if (SUCCEEDED(hr) && actual.cbBuffer < image) hr = VFW_E_SIZENOTSET;
  if (SUCCEEDED(hr)) hr = input_->NotifyAllocator(allocator_, FALSE);
  return hr;
}

void CVcamPin::ReleaseConnection() {
  SafeRelease(allocator_);
  SafeRelease(input_);
  SafeRelease(connected_);
  VcamFreeMediaType(&type_);
  type_ = AM_MEDIA_TYPE{};
  VcamObservationLock observe;
  observation_->connected = 0;
}

STDMETHODIMP CVcamPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

STDMETHODIMP CVcamPin::Disconnect() {
  CVcamFilterLock lock(filter_);
  if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  if (!connected_) return S_FALSE;
  ReleaseConnection();
  return S_OK;
}

STDMETHODIMP CVcamPin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  CVcamFilterLock lock(filter_);
  *pin = connected_;
  if (!connected_) return VFW_E_NOT_CONNECTED;
  connected_->AddRef();
  return S_OK;
}

STDMETHODIMP CVcamPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  CVcamFilterLock lock(filter_);
  if (!connected_) {
    *type = AM_MEDIA_TYPE{};
    return VFW_E_NOT_CONNECTED;
  }
  return VcamCopyMediaType(type, &type_);
}

HRESULT VcamPinInfo(IBaseFilter* filter, const WCHAR* name, PIN_DIRECTION direction, PIN_INFO* info) {
  if (!info) return E_POINTER;
  info->pFilter = filter;
  filter->AddRef();
  info->dir = direction;
  lstrcpynW(info->achName, name, MAX_PIN_NAME);
  return S_OK;
}

HRESULT VcamPinId(const WCHAR* name, LPWSTR* id) {
  if (!id) return E_POINTER;
  const size_t bytes = (lstrlenW(name) + 1) * sizeof(WCHAR);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*id) return E_OUTOFMEMORY;
  CopyMemory(*id, name, bytes);
  return S_OK;
}

HRESULT VcamPinCategory(REFGUID set, DWORD id, const GUID& category, void* data, DWORD bytes, DWORD* returned) {
  if (!IsEqualGUID(set, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (!data) return E_POINTER;
  if (bytes < sizeof(GUID)) return E_UNEXPECTED;
  *static_cast<GUID*>(data) = category;
  if (returned) *returned = sizeof(GUID);
  return S_OK;
}

HRESULT VcamPinCategorySupport(REFGUID set, DWORD id, DWORD* support) {
  if (!IsEqualGUID(set, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (support) *support = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

STDMETHODIMP CVcamPin::QueryPinInfo(PIN_INFO* info) { return VcamPinInfo(filter_, id_, PINDIR_OUTPUT, info); }

STDMETHODIMP CVcamPin::QueryDirection(PIN_DIRECTION* direction) {
  if (!direction) return E_POINTER;
  *direction = PINDIR_OUTPUT;
  return S_OK;
}

STDMETHODIMP CVcamPin::QueryId(LPWSTR* id) { return VcamPinId(id_, id); }

STDMETHODIMP CVcamPin::QueryAccept(const AM_MEDIA_TYPE* type) { return Acceptable(type) ? S_OK : S_FALSE; }

// Once a format is set, only that one is offered, so that a connection
// cannot pick another.
STDMETHODIMP CVcamPin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!types) return E_POINTER;
  auto* list = new (std::nothrow) CVcamTypeEnum;
  if (!list) return E_OUTOFMEMORY;
  CVcamFilterLock lock(filter_);
  if (setFormat_) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (type && FAILED(VcamCopyMediaType(type, setFormat_))) {
      CoTaskMemFree(type);
      type = nullptr;
    }
    list->Add(type);
  } else {
    const unsigned first =
        static_cast<unsigned>(config_.offerFirst) < count_ && IsCapturePin() ? config_.offerFirst : 0;
    for (unsigned i = 0; i < count_; ++i) list->Add(VcamMediaType(formats_[(first + i) % count_]));
  }
  *types = list;
  return S_OK;
}

STDMETHODIMP CVcamPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
STDMETHODIMP CVcamPin::EndOfStream() { return E_UNEXPECTED; }
STDMETHODIMP CVcamPin::BeginFlush() { return E_UNEXPECTED; }
STDMETHODIMP CVcamPin::EndFlush() { return E_UNEXPECTED; }
STDMETHODIMP CVcamPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

STDMETHODIMP CVcamPin::Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) { return E_NOTIMPL; }

STDMETHODIMP CVcamPin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD bytes, DWORD* returned) {
  return VcamPinCategory(set, id, category_, data, bytes, returned);
}

STDMETHODIMP CVcamPin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  return VcamPinCategorySupport(set, id, support);
}

STDMETHODIMP CVcamPin::SetFormat(AM_MEDIA_TYPE* type) {
  if (config_.fixedFormat) return E_NOTIMPL;
  CVcamFilterLock lock(filter_);
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (!type) {
    VcamDeleteMediaType(setFormat_);
    setFormat_ = nullptr;
    return S_OK;
  }
  if (!Acceptable(type)) return VFW_E_INVALIDMEDIATYPE;
  auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!copy) return E_OUTOFMEMORY;
  if (FAILED(VcamCopyMediaType(copy, type))) {
    CoTaskMemFree(copy);
    return E_OUTOFMEMORY;
  }
  VcamDeleteMediaType(setFormat_);
  setFormat_ = copy;
  ObserveFormat(copy);
  VcamObservationLock observe;
  ++observation_->formatsSet;
  return S_OK;
}

STDMETHODIMP CVcamPin::GetFormat(AM_MEDIA_TYPE** type) {
  if (!type) return E_POINTER;
  CVcamFilterLock lock(filter_);
  const AM_MEDIA_TYPE* current = connected_ ? &type_ : setFormat_;
  if (current) {
    *type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (*type && FAILED(VcamCopyMediaType(*type, current))) {
      CoTaskMemFree(*type);
      *type = nullptr;
    }
  } else {
    const VcamFormat* format = DefaultFormat();
    if (!format) return VFW_E_NO_TYPES;
    *type = VcamMediaType(*format);
  }
  return *type ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CVcamPin::GetNumberOfCapabilities(int* count, int* size) {
  if (!count || !size) return E_POINTER;
  *count = static_cast<int>(count_);
  *size = config_.recordSize;
  return S_OK;
}

STDMETHODIMP CVcamPin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* capsBytes) {
  if (!type || !capsBytes) return E_POINTER;
  if (index < 0 || static_cast<unsigned>(index) >= count_) return S_FALSE;
  const VcamFormat& f = formats_[index];
  *type = VcamMediaType(f);
  if (!*type) return E_OUTOFMEMORY;
  VIDEO_STREAM_CONFIG_CAPS caps = {};
  caps.guid = (*type)->formattype;
  if (f.video) {
    caps.InputSize = {f.width, f.height};
    caps.MinCroppingSize = caps.MaxCroppingSize = caps.InputSize;
    caps.MinOutputSize = {f.width, f.height};
    caps.MaxOutputSize = {f.maxWidth, f.maxHeight};
    caps.OutputGranularityX = caps.OutputGranularityY = f.granularity;
    caps.CropGranularityX = caps.CropGranularityY = 1;
    caps.MinFrameInterval = 10000000 / f.maxFps;
    caps.MaxFrameInterval = 10000000 / f.minFps;
    caps.MinBitsPerSecond = static_cast<LONG>((*type)->lSampleSize * 8 * f.minFps);
    caps.MaxBitsPerSecond = static_cast<LONG>((*type)->lSampleSize * 8 * f.maxFps);
  }
  CopyMemory(capsBytes, &caps, sizeof caps);
  return S_OK;
}

HRESULT CVcamPin::Active() {
  if (!connected_ || thread_) return S_OK;
  HRESULT hr = allocator_->Commit();
  if (FAILED(hr)) return hr;
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (stop_) thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
  if (!thread_) {
    allocator_->Decommit();
    if (stop_) CloseHandle(stop_);
    stop_ = nullptr;
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void CVcamPin::Inactive() {
  if (!thread_) return;
  SetEvent(stop_);
  // Decommitting wakes a thread that waits for a free buffer.
  allocator_->Decommit();
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  CloseHandle(stop_);
  thread_ = nullptr;
  stop_ = nullptr;
}

DWORD WINAPI CVcamPin::ThreadMain(void* self) {
  static_cast<CVcamPin*>(self)->Stream();
  return 0;
}

void CVcamPin::Stream() {
  // WIC encodes the camera's JPEG pictures on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  StreamFrames();
  if (SUCCEEDED(com)) CoUninitialize();
}

void CVcamPin::StreamFrames() {
  const bool still = IsEqualGUID(category_, PIN_CATEGORY_STILL);
  REFERENCE_TIME duration = VcamFrameDuration(&type_);
  if (duration <= 0) duration = 10000000 / 30;
  const ULONGLONG period = static_cast<ULONGLONG>(duration / kUnitsPerMs) > 0 ? duration / kUnitsPerMs : 1;
  unsigned frame = 0;
  ULONGLONG next = GetTickCount64();
  for (;;) {
    DWORD wait = kStillPollMs;
    if (!still) {
      const ULONGLONG now = GetTickCount64();
      next += period;
      if (next < now) next = now;
      wait = static_cast<DWORD>(next - now);
    }
    if (WaitForSingleObject(stop_, wait) != WAIT_TIMEOUT) return;
    if (!filter_->DeviceHere() || !filter_->IsRunning() || config_.mute) continue;
    if (still) {
      if (pendingTriggers_ <= 0) continue;
      --pendingTriggers_;
    }
    DeliverFrame(frame++);
  }
}

void CVcamPin::DeliverFrame(unsigned frame) {
  IMediaSample* sample = nullptr;
  if (FAILED(allocator_->GetBuffer(&sample, nullptr, nullptr, 0))) return;
  // A renderer may ask for another layout (a wider stride) through the sample.
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed) {
    if (VcamBitmapHeader(changed)) {
      VcamFreeMediaType(&type_);
      if (FAILED(VcamCopyMediaType(&type_, changed))) type_ = AM_MEDIA_TYPE{};
    }
    VcamDeleteMediaType(changed);
  }
  BYTE* data = nullptr;
  const BITMAPINFOHEADER* header = VcamBitmapHeader(&type_);
  std::size_t written = 0;
  if (header && SUCCEEDED(sample->GetPointer(&data))) {
    const std::size_t room = static_cast<std::size_t>(sample->GetSize());
    if (header->biCompression == kMjpgCode) {
      if (jpeg_.empty())
        jpeg_ = VcamEncodeJpeg(header->biWidth, header->biHeight < 0 ? -header->biHeight : header->biHeight);
      if (!jpeg_.empty() && jpeg_.size() <= room) {
        CopyMemory(data, jpeg_.data(), jpeg_.size());
        written = jpeg_.size();
      }
    } else {
      written = VcamFillPicture(data, room, *header, frame, flip_);
    }
  }
  if (written > 0) {
    if (config_.shortSamples) written /= 2;
    sample->SetActualDataLength(static_cast<long>(written));
    sample->SetSyncPoint(TRUE);
    if (SUCCEEDED(input_->Receive(sample))) {
      VcamObservationLock observe;
      ++observation_->frames;
    }
  }
  sample->Release();
}
