#include "vcam_filter.h"

#include "vcam_object.h"

#include <evcode.h>

#include <new>

namespace {

constexpr LONG kStillControlCaps = VideoControlFlag_FlipHorizontal | VideoControlFlag_FlipVertical |
                                   VideoControlFlag_ExternalTriggerEnable | VideoControlFlag_Trigger;
constexpr HRESULT kResultNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

// Extension-unit controls by selector (1 .. 4): bytes each holds and bytes
// a read returns (selector 4 answers one byte short).
struct ExtensionControl {
  ULONG bytes;
  ULONG answered;
};
constexpr ExtensionControl kExtensionControls[] = {{4, 4}, {2, 2}, {16, 16}, {4, 3}};
constexpr ULONG kExtensionSelectors = sizeof kExtensionControls / sizeof kExtensionControls[0];

// Topology: nodes by kind, connections between them ending at the filter's
// output pin.
struct Topology {
  GUID nodes[3];
  ULONG nodeCount;
  KSTOPOLOGY_CONNECTION connections[3];
  ULONG connectionCount;
};

Topology MakeTopology(VcamTopology kind, bool extensionUnit) {
  Topology t = {};
  if (kind == VcamTopology::kNone) return t;
  if (kind == VcamTopology::kCameraTerminal) t.nodes[t.nodeCount++] = kNodeCameraTerminal;
  if (kind == VcamTopology::kTransportTerminal) t.nodes[t.nodeCount++] = kNodeTransportTerminal;
  t.nodes[t.nodeCount++] = kNodeProcessingUnit;
  if (extensionUnit) t.nodes[t.nodeCount++] = kNodeExtensionUnit;
  for (ULONG i = 0; i + 1 < t.nodeCount; ++i) t.connections[t.connectionCount++] = {i, 1, i + 1, 1};
  t.connections[t.connectionCount++] = {t.nodeCount - 1, 1, kFilterNode, 0};
  return t;
}

// A node's control: every request goes to its filter.
class CVcamNode final : public VcamObject<IKsControl> {
 public:
  CVcamNode(CVcamFilter* filter, ULONG node) : VcamObject(kIidKsControl), filter_(filter), node_(node) {
    filter_->AddRef();
  }
  STDMETHODIMP KsProperty(PKSPROPERTY property, ULONG length, LPVOID data, ULONG bytes, ULONG* returned) override {
    if (!property || length < sizeof(KSP_NODE) || !returned) return E_INVALIDARG;
    KSP_NODE request = *reinterpret_cast<const KSP_NODE*>(property);
    if (request.NodeId != node_) return E_INVALIDARG;
    return filter_->ExtensionRequest(request, data, bytes, returned);
  }
  STDMETHODIMP KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP KsEvent(PKSEVENT, ULONG, LPVOID, ULONG, ULONG*) override { return E_NOTIMPL; }

 private:
  ~CVcamNode() override { filter_->Release(); }

  CVcamFilter* filter_;
  ULONG node_;
};

}  // namespace

template <class Interface, LONG kClass>
CVcamProperties<Interface, kClass>::CVcamProperties(IUnknown* filter, const VcamProperty* table, unsigned count,
                                                    bool failRead, VcamObservation* observation)
    : filter_(filter), count_(count), failRead_(failRead), observation_(observation) {
  for (unsigned i = 0; i < count && i < kVcamMaxProperties; ++i) table_[i] = table[i];
}

template <class Interface, LONG kClass>
VcamProperty* CVcamProperties<Interface, kClass>::Find(LONG property) {
  for (unsigned i = 0; i < count_; ++i) {
    if (table_[i].id == property) return &table_[i];
  }
  return nullptr;
}

template <class Interface, LONG kClass>
STDMETHODIMP CVcamProperties<Interface, kClass>::GetRange(LONG property, LONG* minimum, LONG* maximum, LONG* step,
                                                          LONG* defaultValue, LONG* caps) {
  if (!minimum || !maximum || !step || !defaultValue || !caps) return E_POINTER;
  if (failRead_) return E_FAIL;
  VcamObservationLock lock;
  const VcamProperty* p = Find(property);
  if (!p) return kResultNotFound;
  *minimum = p->minimum;
  *maximum = p->maximum;
  *step = p->step;
  *defaultValue = p->defaultValue;
  *caps = p->caps;
  return S_OK;
}

template <class Interface, LONG kClass>
STDMETHODIMP CVcamProperties<Interface, kClass>::Set(LONG property, LONG value, LONG flags) {
  VcamObservationLock lock;
  VcamProperty* p = Find(property);
  if (!p) return kResultNotFound;
  if ((flags & p->caps) == 0 || (flags == 2 && (value < p->minimum || value > p->maximum))) return E_INVALIDARG;
  p->value = value;
  p->flags = flags;
  observation_->propertyClass = kClass;
  observation_->propertyId = property;
  observation_->propertyValue = value;
  observation_->propertyFlags = flags;
  ++observation_->propertySets;
  return S_OK;
}

template <class Interface, LONG kClass>
STDMETHODIMP CVcamProperties<Interface, kClass>::Get(LONG property, LONG* value, LONG* flags) {
  if (!value || !flags) return E_POINTER;
  if (failRead_) return E_FAIL;
  VcamObservationLock lock;
  const VcamProperty* p = Find(property);
  if (!p) return kResultNotFound;
  *value = p->value;
  *flags = p->flags;
  return S_OK;
}

namespace {

VcamConfig LoadConfig(unsigned number) {
  VcamConfig config;
  WCHAR text[kVcamConfigChars];
  if (!VcamReadConfigText(number, text) || !VcamParseConfig(text, &config))
    VcamParseConfig(kVcamDefaultConfig, &config);
  return config;
}

}  // namespace

CVcamFilter::CVcamFilter(REFCLSID clsid, unsigned number)
    : clsid_(clsid),
      number_(number),
      config_(LoadConfig(number)),
      observation_(VcamObservationOf(number)),
      amp_(static_cast<IBaseFilter*>(this), config_.amp, config_.ampCount, config_.failRead, observation_),
      cam_(static_cast<IBaseFilter*>(this), config_.cam, config_.camCount, config_.failRead, observation_) {
  InitializeCriticalSection(&lock_);
  VcamModuleAddRef();
  capture_ = new (std::nothrow) CVcamPin(this, L"Capture", PIN_CATEGORY_CAPTURE, config_.capture, config_.captureCount,
                                         config_, &observation_->capture);
  if (config_.stillCount > 0) {
    still_ = new (std::nothrow)
        CVcamPin(this, L"Still", PIN_CATEGORY_STILL, config_.still, config_.stillCount, config_, &observation_->still);
  }
  if (config_.crossbar) {
    analogIn_ = new (std::nothrow)
        CVcamLinkPin(static_cast<IBaseFilter*>(this), L"Analog Video In", PINDIR_INPUT, &PIN_CATEGORY_ANALOGVIDEOIN);
  }
  VcamFilterMade(this, number_);
}

CVcamFilter::~CVcamFilter() {
  VcamFilterGone(this, number_);
  delete analogIn_;
  delete still_;
  delete capture_;
  if (clock_) clock_->Release();
  DeleteCriticalSection(&lock_);
  VcamModuleRelease();
}

STDMETHODIMP CVcamFilter::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IMediaFilter) ||
      IsEqualIID(riid, IID_IBaseFilter)) {
    *object = static_cast<IBaseFilter*>(this);
  } else if (IsEqualIID(riid, IID_IAMVideoControl)) {
    *object = static_cast<IAMVideoControl*>(this);
  } else if (IsEqualIID(riid, IID_IAMVideoProcAmp) && amp_.Present()) {
    *object = static_cast<IAMVideoProcAmp*>(&amp_);
  } else if (IsEqualIID(riid, IID_IAMCameraControl) && cam_.Present()) {
    *object = static_cast<IAMCameraControl*>(&cam_);
  } else if (IsEqualIID(riid, kIidKsTopologyInfo) && config_.topology != VcamTopology::kNone) {
    *object = static_cast<IKsTopologyInfo*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
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

// The streaming threads are joined outside the lock: a sample on its way
// downstream may call back into the pin.
STDMETHODIMP CVcamFilter::Stop() {
  {
    CVcamFilterLock lock(this);
    state_ = State_Stopped;
  }
  capture_->Inactive();
  if (still_) still_->Inactive();
  return S_OK;
}

STDMETHODIMP CVcamFilter::Pause() {
  CVcamFilterLock lock(this);
  if (state_ == State_Stopped) {
    HRESULT hr = capture_->Active();
    if (SUCCEEDED(hr) && still_) hr = still_->Active();
    if (FAILED(hr)) {
      capture_->Inactive();
      return hr;
    }
  }
  state_ = State_Paused;
  return S_OK;
}

STDMETHODIMP CVcamFilter::Run(REFERENCE_TIME /*start*/) {
  CVcamFilterLock lock(this);
  if (state_ == State_Stopped) {
    HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  state_ = State_Running;
  return S_OK;
}

// A live source: it cannot deliver while paused.
STDMETHODIMP CVcamFilter::GetState(DWORD /*timeoutMs*/, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = static_cast<FILTER_STATE>(state_.load());
  return *state == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP CVcamFilter::SetSyncSource(IReferenceClock* clock) {
  CVcamFilterLock lock(this);
  if (clock) clock->AddRef();
  if (clock_) clock_->Release();
  clock_ = clock;
  return S_OK;
}

STDMETHODIMP CVcamFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  CVcamFilterLock lock(this);
  *clock = clock_;
  if (clock_) clock_->AddRef();
  return S_OK;
}

STDMETHODIMP CVcamFilter::EnumPins(IEnumPins** pins) {
  if (!pins) return E_POINTER;
  AddCrossbar();
  IPin* list[3] = {capture_};
  ULONG count = 1;
  if (still_) list[count++] = still_;
  if (analogIn_) list[count++] = analogIn_;
  *pins = new (std::nothrow) CVcamPinEnum(list, count, 0);
  return *pins ? S_OK : E_OUTOFMEMORY;
}

void CVcamFilter::AddCrossbar() {
  IFilterGraph* graph = nullptr;
  {
    CVcamFilterLock lock(this);
    if (!analogIn_ || crossbarAdded_ || !graph_) return;
    crossbarAdded_ = true;
    graph = graph_;
  }
  auto* crossbar = new (std::nothrow) CVcamCrossbar(observation_);
  if (!crossbar) return;
  if (SUCCEEDED(graph->AddFilter(crossbar, L"Virtual Crossbar"))) {
    graph->ConnectDirect(crossbar->Output(), analogIn_, nullptr);
  }
  crossbar->Release();
}

STDMETHODIMP CVcamFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (!pin || !id) return E_POINTER;
  *pin = nullptr;
  if (lstrcmpW(id, L"Capture") == 0) *pin = capture_;
  if (still_ && lstrcmpW(id, L"Still") == 0) *pin = still_;
  if (!*pin) return VFW_E_NOT_FOUND;
  (*pin)->AddRef();
  return S_OK;
}

STDMETHODIMP CVcamFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  CVcamFilterLock lock(this);
  lstrcpynW(info->achName, name_, MAX_FILTER_NAME);
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

STDMETHODIMP CVcamFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  CVcamFilterLock lock(this);
  graph_ = graph;
  lstrcpynW(name_, graph && name ? name : L"", MAX_FILTER_NAME);
  return S_OK;
}

STDMETHODIMP CVcamFilter::QueryVendorInfo(LPWSTR* info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  return E_NOTIMPL;
}

CVcamPin* CVcamFilter::PinOf(IPin* pin) const {
  if (pin && pin == static_cast<IPin*>(capture_)) return capture_;
  if (pin && still_ && pin == static_cast<IPin*>(still_)) return still_;
  return nullptr;
}

STDMETHODIMP CVcamFilter::GetCaps(IPin* pin, LONG* flags) {
  if (!flags) return E_POINTER;
  CVcamPin* own = PinOf(pin);
  if (!own) return E_INVALIDARG;
  *flags = own == still_ ? kStillControlCaps : config_.controlCaps;
  return S_OK;
}

STDMETHODIMP CVcamFilter::SetMode(IPin* pin, LONG mode) {
  CVcamPin* own = PinOf(pin);
  if (!own) return E_INVALIDARG;
  own->SetFlip(mode & (VideoControlFlag_FlipHorizontal | VideoControlFlag_FlipVertical));
  VcamObservationLock lock;
  if (own == still_) observation_->videoControlMode = mode;
  if ((mode & VideoControlFlag_Trigger) && own == still_) {
    own->Trigger();
    ++observation_->triggers;
  }
  return S_OK;
}

STDMETHODIMP CVcamFilter::GetMode(IPin* pin, LONG* mode) {
  if (!mode) return E_POINTER;
  CVcamPin* own = PinOf(pin);
  if (!own) return E_INVALIDARG;
  *mode = own->Flip();
  return S_OK;
}

STDMETHODIMP CVcamFilter::GetCurrentActualFrameRate(IPin*, LONGLONG*) { return E_NOTIMPL; }
STDMETHODIMP CVcamFilter::GetMaxAvailableFrameRate(IPin*, LONG, SIZE, LONGLONG*) { return E_NOTIMPL; }
STDMETHODIMP CVcamFilter::GetFrameRateList(IPin*, LONG, SIZE, LONG*, LONGLONG**) { return E_NOTIMPL; }

bool CVcamFilter::DeviceHere() {
  const bool unplugged = VcamIsUnplugged(number_);
  if (unplugged && !lost_.exchange(true)) NotifyGraph(EC_DEVICE_LOST, 0);
  if (!unplugged && lost_ && !backTold_.exchange(true)) NotifyGraph(EC_DEVICE_LOST, 1);
  return !lost_;
}

void CVcamFilter::NotifyGraph(LONG code, LONG_PTR second) {
  IMediaEventSink* sink = nullptr;
  {
    CVcamFilterLock lock(this);
    if (!graph_ || FAILED(graph_->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) return;
  }
  sink->Notify(code, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)), second);
  sink->Release();
}

void CVcamFilter::PressButton() {
  if (!still_) return;
  still_->Trigger();
  VcamObservationLock lock;
  ++observation_->triggers;
}

STDMETHODIMP CVcamFilter::get_NumCategories(DWORD* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP CVcamFilter::get_Category(DWORD, GUID*) { return E_INVALIDARG; }

STDMETHODIMP CVcamFilter::get_NumConnections(DWORD* count) {
  if (!count) return E_POINTER;
  *count = MakeTopology(config_.topology, config_.hasExtensionUnit).connectionCount;
  return S_OK;
}

STDMETHODIMP CVcamFilter::get_ConnectionInfo(DWORD index, KSTOPOLOGY_CONNECTION* connection) {
  if (!connection) return E_POINTER;
  const Topology t = MakeTopology(config_.topology, config_.hasExtensionUnit);
  if (index >= t.connectionCount) return E_INVALIDARG;
  *connection = t.connections[index];
  return S_OK;
}

STDMETHODIMP CVcamFilter::get_NodeName(DWORD, WCHAR*, DWORD, DWORD*) { return E_NOTIMPL; }

STDMETHODIMP CVcamFilter::get_NumNodes(DWORD* count) {
  if (!count) return E_POINTER;
  *count = MakeTopology(config_.topology, config_.hasExtensionUnit).nodeCount;
  return S_OK;
}

STDMETHODIMP CVcamFilter::get_NodeType(DWORD node, GUID* type) {
  if (!type) return E_POINTER;
  const Topology t = MakeTopology(config_.topology, config_.hasExtensionUnit);
  if (node >= t.nodeCount) return E_INVALIDARG;
  *type = t.nodes[node];
  return S_OK;
}

STDMETHODIMP CVcamFilter::CreateNodeInstance(DWORD node, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (node >= MakeTopology(config_.topology, config_.hasExtensionUnit).nodeCount) return E_INVALIDARG;
  auto* control = new (std::nothrow) CVcamNode(this, node);
  if (!control) return E_OUTOFMEMORY;
  HRESULT hr = control->QueryInterface(riid, object);
  control->Release();
  return hr;
}

HRESULT CVcamFilter::ExtensionRequest(const KSP_NODE& request, void* data, ULONG bytes, ULONG* returned) {
  *returned = 0;
  const Topology t = MakeTopology(config_.topology, config_.hasExtensionUnit);
  const bool extensionNode = request.NodeId < t.nodeCount && IsEqualGUID(t.nodes[request.NodeId], kNodeExtensionUnit);
  if (!extensionNode || !IsEqualGUID(request.Property.Set, config_.extensionUnit)) return kResultSetNotFound;
  const ULONG flags = request.Property.Flags;
  if (flags == kNodeSetSupport) return S_OK;
  const ULONG selector = request.Property.Id;
  if (selector < 1 || selector > kExtensionSelectors) return kResultNotFound;
  const ExtensionControl& control = kExtensionControls[selector - 1];
  if (!data || bytes < control.bytes) return HRESULT_FROM_WIN32(ERROR_MORE_DATA);
  VcamObservationLock lock;
  BYTE* stored = extension_[selector - 1];
  if (flags == kNodeGet) {
    CopyMemory(data, stored, control.answered);
    *returned = control.answered;
    return S_OK;
  }
  if (flags == kNodeSet) {
    CopyMemory(stored, data, control.bytes);
    CopyMemory(observation_->extensionData, data, control.bytes);
    ++observation_->extensionSets;
    *returned = control.bytes;
    return S_OK;
  }
  return E_INVALIDARG;
}

CVcamPinEnum::CVcamPinEnum(IPin* const* pins, ULONG count, ULONG position) : VcamObject(IID_IEnumPins) {
  for (ULONG i = 0; i < count && i < kMaxPins; ++i) {
    pins_[i] = pins[i];
    pins_[i]->AddRef();
    ++count_;
  }
  position_ = position < count_ ? position : count_;
}

CVcamPinEnum::~CVcamPinEnum() {
  for (ULONG i = 0; i < count_; ++i) pins_[i]->Release();
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
