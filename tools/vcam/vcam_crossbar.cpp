#include "vcam_crossbar.h"

#include "vcam_filter.h"

#include <new>

namespace {

// Related pins: none; the output feeds a video decoder.
constexpr long kNoRelatedPin = -1;
constexpr long kOutputType = PhysConn_Video_VideoDecoder;
const WCHAR kCrossbarName[] = L"Virtual Crossbar";

// {7A3C0100-4E2B-4C61-9F1D-52A6C3E0B7D4}: the crossbar's class, outside the camera family.
constexpr CLSID kCrossbarClass = {0x7A3C0100, 0x4E2B, 0x4C61, {0x9F, 0x1D, 0x52, 0xA6, 0xC3, 0xE0, 0xB7, 0xD4}};

AM_MEDIA_TYPE AnalogType() {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_AnalogVideo;
  type.subtype = GUID_NULL;
  type.formattype = FORMAT_None;
  return type;
}

}  // namespace

CVcamLinkPin::CVcamLinkPin(IBaseFilter* owner, const WCHAR* name, PIN_DIRECTION direction, const GUID* category)
    : owner_(owner), name_(name), direction_(direction), category_(category) {}

CVcamLinkPin::~CVcamLinkPin() {
  if (peer_) peer_->Release();
}

STDMETHODIMP CVcamLinkPin::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPin)) {
    *object = static_cast<IPin*>(this);
  } else if (IsEqualIID(riid, IID_IKsPropertySet) && category_) {
    *object = static_cast<IKsPropertySet*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP CVcamLinkPin::Connect(IPin* receiver, const AM_MEDIA_TYPE* /*type*/) {
  if (!receiver) return E_POINTER;
  if (direction_ != PINDIR_OUTPUT) return E_UNEXPECTED;
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  const AM_MEDIA_TYPE type = AnalogType();
  HRESULT hr = receiver->ReceiveConnection(this, &type);
  if (FAILED(hr)) return hr;
  peer_ = receiver;
  peer_->AddRef();
  return S_OK;
}

STDMETHODIMP CVcamLinkPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (!connector || !type) return E_POINTER;
  if (direction_ != PINDIR_INPUT) return E_UNEXPECTED;
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (!IsEqualGUID(type->majortype, MEDIATYPE_AnalogVideo)) return VFW_E_TYPE_NOT_ACCEPTED;
  peer_ = connector;
  peer_->AddRef();
  return S_OK;
}

STDMETHODIMP CVcamLinkPin::Disconnect() {
  if (!peer_) return S_FALSE;
  peer_->Release();
  peer_ = nullptr;
  return S_OK;
}

STDMETHODIMP CVcamLinkPin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = peer_;
  if (!peer_) return VFW_E_NOT_CONNECTED;
  peer_->AddRef();
  return S_OK;
}

STDMETHODIMP CVcamLinkPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  *type = AnalogType();
  return peer_ ? S_OK : VFW_E_NOT_CONNECTED;
}

STDMETHODIMP CVcamLinkPin::QueryPinInfo(PIN_INFO* info) { return VcamPinInfo(owner_, name_, direction_, info); }

STDMETHODIMP CVcamLinkPin::QueryDirection(PIN_DIRECTION* direction) {
  if (!direction) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

STDMETHODIMP CVcamLinkPin::QueryId(LPWSTR* id) { return VcamPinId(name_, id); }

STDMETHODIMP CVcamLinkPin::QueryAccept(const AM_MEDIA_TYPE* type) {
  return type && IsEqualGUID(type->majortype, MEDIATYPE_AnalogVideo) ? S_OK : S_FALSE;
}

STDMETHODIMP CVcamLinkPin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!types) return E_POINTER;
  *types = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CVcamLinkPin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD bytes, DWORD* returned) {
  return VcamPinCategory(set, id, *category_, data, bytes, returned);
}

STDMETHODIMP CVcamLinkPin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  return VcamPinCategorySupport(set, id, support);
}

CVcamCrossbar::CVcamCrossbar(VcamObservation* observation)
    : VcamObject(IID_IBaseFilter),
      composite_(this, L"Composite In", PINDIR_INPUT, nullptr),
      sVideo_(this, L"S-Video In", PINDIR_INPUT, nullptr),
      output_(this, L"Video Decoder Out", PINDIR_OUTPUT, nullptr),
      observation_(observation) {}

STDMETHODIMP CVcamCrossbar::QueryInterface(REFIID riid, void** object) {
  if (object && IsEqualIID(riid, IID_IAMCrossbar)) {
    *object = static_cast<IAMCrossbar*>(this);
    AddRef();
    return S_OK;
  }
  if (object && (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IMediaFilter))) {
    *object = static_cast<IBaseFilter*>(this);
    AddRef();
    return S_OK;
  }
  return VcamObject::QueryInterface(riid, object);
}

STDMETHODIMP CVcamCrossbar::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = kCrossbarClass;
  return S_OK;
}

STDMETHODIMP CVcamCrossbar::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = State_Stopped;
  return S_OK;
}

STDMETHODIMP CVcamCrossbar::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  *clock = nullptr;
  return S_OK;
}

// Inputs first: input pin j is the (j + 1)-th pin.
STDMETHODIMP CVcamCrossbar::EnumPins(IEnumPins** pins) {
  if (!pins) return E_POINTER;
  IPin* list[] = {&composite_, &sVideo_, &output_};
  *pins = new (std::nothrow) CVcamPinEnum(list, 3, 0);
  return *pins ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CVcamCrossbar::FindPin(LPCWSTR, IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP CVcamCrossbar::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  lstrcpynW(info->achName, kCrossbarName, MAX_FILTER_NAME);
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

STDMETHODIMP CVcamCrossbar::JoinFilterGraph(IFilterGraph* graph, LPCWSTR) {
  graph_ = graph;
  return S_OK;
}

STDMETHODIMP CVcamCrossbar::QueryVendorInfo(LPWSTR* info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CVcamCrossbar::get_PinCounts(long* outputs, long* inputs) {
  if (!outputs || !inputs) return E_POINTER;
  *outputs = 1;
  *inputs = kInputs;
  return S_OK;
}

STDMETHODIMP CVcamCrossbar::CanRoute(long output, long input) {
  return output == 0 && input >= 0 && input < kInputs ? S_OK : S_FALSE;
}

STDMETHODIMP CVcamCrossbar::Route(long output, long input) {
  if (CanRoute(output, input) != S_OK) return E_INVALIDARG;
  routed_ = input;
  VcamObservationLock lock;
  observation_->crossbarInput = input;
  ++observation_->crossbarRoutes;
  return S_OK;
}

STDMETHODIMP CVcamCrossbar::get_IsRoutedTo(long output, long* input) {
  if (!input) return E_POINTER;
  if (output != 0) return E_INVALIDARG;
  *input = routed_;
  return S_OK;
}

STDMETHODIMP CVcamCrossbar::get_CrossbarPinInfo(BOOL isInput, long index, long* related, long* type) {
  if (!related || !type) return E_POINTER;
  if (isInput ? (index < 0 || index >= kInputs) : index != 0) return E_INVALIDARG;
  *related = kNoRelatedPin;
  const long input = index == 0 ? PhysConn_Video_Composite : PhysConn_Video_SVideo;
  *type = isInput ? input : kOutputType;
  return S_OK;
}
