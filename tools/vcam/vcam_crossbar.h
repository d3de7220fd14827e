// A crossbar in front of a camera configured with "crossbar": two inputs
// (composite and S-Video) routed to one output that feeds the camera's
// analog video input pin. The camera adds it to the graph it joins and
// connects it, as Windows adds a capture card's crossbar upstream; Wine's
// capture graph builder adds none itself.
#pragma once
#include "vcam.h"
#include "vcam_object.h"

#include <dshow.h>

// COM objects are released through Release, never deleted through an
// interface, and an interface must not get a virtual destructor (it would
// shift its table of methods): the warning about their destructors does
// not apply here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// A pin that only links filters: analog video, no samples. The owner's
// reference count keeps it.
class CVcamLinkPin final : public IPin, public IKsPropertySet {
 public:
  CVcamLinkPin(IBaseFilter* owner, const WCHAR* name, PIN_DIRECTION direction, const GUID* category);
  ~CVcamLinkPin();
  CVcamLinkPin(const CVcamLinkPin&) = delete;
  CVcamLinkPin& operator=(const CVcamLinkPin&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }
  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return S_OK; }
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }
  STDMETHODIMP Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Get(REFGUID set, DWORD id, void* instance, DWORD instanceBytes, void* data, DWORD bytes,
                   DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

 private:
  IBaseFilter* owner_;
  const WCHAR* name_;
  PIN_DIRECTION direction_;
  const GUID* category_;  // nullptr: none
  IPin* peer_ = nullptr;  // counted
};

class CVcamCrossbar final : public VcamObject<IBaseFilter>, public IAMCrossbar {
 public:
  explicit CVcamCrossbar(VcamObservation* observation);

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return VcamObject::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return VcamObject::Release(); }
  // IBaseFilter
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP Stop() override { return S_OK; }
  STDMETHODIMP Pause() override { return S_OK; }
  STDMETHODIMP Run(REFERENCE_TIME) override { return S_OK; }
  STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock*) override { return S_OK; }
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;
  // IAMCrossbar
  STDMETHODIMP get_PinCounts(long* outputs, long* inputs) override;
  STDMETHODIMP CanRoute(long output, long input) override;
  STDMETHODIMP Route(long output, long input) override;
  STDMETHODIMP get_IsRoutedTo(long output, long* input) override;
  STDMETHODIMP get_CrossbarPinInfo(BOOL isInput, long index, long* related, long* type) override;

  IPin* Output() { return &output_; }

 private:
  ~CVcamCrossbar() override = default;

  static constexpr long kInputs = 2;
  CVcamLinkPin composite_;
  CVcamLinkPin sVideo_;
  CVcamLinkPin output_;
  IFilterGraph* graph_ = nullptr;  // not counted
  long routed_ = 0;
  VcamObservation* observation_;
};

#pragma GCC diagnostic pop
