#include "vcam_filter.h"

#include "vcam.h"

#include <new>

namespace {

// Holds a critical section for one scope.
class Lock {
 public:
  explicit Lock(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
  ~Lock() { LeaveCriticalSection(&section_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  CRITICAL_SECTION& section_;
};

void CopyName(WCHAR* dest, const WCHAR* src) {
  size_t n = 0;
  if (src) {
    while (n + 1 < MAX_FILTER_NAME && src[n] != L'\0') {
      dest[n] = src[n];
      ++n;
    }
  }
  dest[n] = L'\0';
}

}  // namespace

CVcamFilter::CVcamFilter(REFCLSID clsid, unsigned number) : clsid_(clsid), number_(number) {
  InitializeCriticalSection(&lock_);
  VcamModuleAddRef();
}

CVcamFilter::~CVcamFilter() {
  if (clock_) clock_->Release();
  DeleteCriticalSection(&lock_);
  VcamModuleRelease();
}

STDMETHODIMP CVcamFilter::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IMediaFilter) ||
      IsEqualIID(riid, IID_IBaseFilter)) {
    *object = static_cast<IBaseFilter*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CVcamFilter::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) CVcamFilter::Release() {
  ULONG refs = --refs_;
  if (refs == 0) delete this;
  return refs;
}

STDMETHODIMP CVcamFilter::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

STDMETHODIMP CVcamFilter::Stop() {
  Lock lock(lock_);
  state_ = State_Stopped;
  return S_OK;
}

STDMETHODIMP CVcamFilter::Pause() {
  Lock lock(lock_);
  state_ = State_Paused;
  return S_OK;
}

STDMETHODIMP CVcamFilter::Run(REFERENCE_TIME /*start*/) {
  Lock lock(lock_);
  state_ = State_Running;
  return S_OK;
}

STDMETHODIMP CVcamFilter::GetState(DWORD /*timeoutMs*/, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  Lock lock(lock_);
  *state = state_;
  return S_OK;
}

STDMETHODIMP CVcamFilter::SetSyncSource(IReferenceClock* clock) {
  Lock lock(lock_);
  if (clock) clock->AddRef();
  if (clock_) clock_->Release();
  clock_ = clock;
  return S_OK;
}

STDMETHODIMP CVcamFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  Lock lock(lock_);
  *clock = clock_;
  if (clock_) clock_->AddRef();
  return S_OK;
}

STDMETHODIMP CVcamFilter::EnumPins(IEnumPins** pins) {
  if (!pins) return E_POINTER;
  *pins = new (std::nothrow) CVcamPinEnum(nullptr, 0, 0);
  return *pins ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CVcamFilter::FindPin(LPCWSTR /*id*/, IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP CVcamFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  Lock lock(lock_);
  CopyName(info->achName, name_);
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

STDMETHODIMP CVcamFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  Lock lock(lock_);
  graph_ = graph;
  CopyName(name_, graph ? name : nullptr);
  return S_OK;
}

STDMETHODIMP CVcamFilter::QueryVendorInfo(LPWSTR* info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  return E_NOTIMPL;
}

CVcamPinEnum::CVcamPinEnum(IPin* const* pins, ULONG count, ULONG position) {
  VcamModuleAddRef();
  for (ULONG i = 0; i < count && i < kMaxPins; ++i) {
    pins_[i] = pins[i];
    pins_[i]->AddRef();
    ++count_;
  }
  position_ = position < count_ ? position : count_;
}

CVcamPinEnum::~CVcamPinEnum() {
  for (ULONG i = 0; i < count_; ++i) pins_[i]->Release();
  VcamModuleRelease();
}

STDMETHODIMP CVcamPinEnum::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumPins)) {
    *object = static_cast<IEnumPins*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CVcamPinEnum::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) CVcamPinEnum::Release() {
  ULONG refs = --refs_;
  if (refs == 0) delete this;
  return refs;
}

STDMETHODIMP CVcamPinEnum::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (!pins || (count != 1 && !fetched)) return E_POINTER;
  ULONG n = 0;
  while (n < count && position_ < count_) {
    pins[n] = pins_[position_++];
    pins[n]->AddRef();
    ++n;
  }
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP CVcamPinEnum::Skip(ULONG count) {
  if (count > count_ - position_) {
    position_ = count_;
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

STDMETHODIMP CVcamPinEnum::Reset() {
  position_ = 0;
  return S_OK;
}

STDMETHODIMP CVcamPinEnum::Clone(IEnumPins** clone) {
  if (!clone) return E_POINTER;
  *clone = new (std::nothrow) CVcamPinEnum(pins_, count_, position_);
  return *clone ? S_OK : E_OUTOFMEMORY;
}
