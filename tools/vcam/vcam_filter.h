// The camera's source filter, written against the DirectShow interfaces
// without base classes: a capture pin, an optional still pin, video
// control, picture and camera properties and a kernel topology, each as
// its camera's configuration says.
#pragma once
#include "capture/ks_topology.h"
#include "vcam.h"
#include "vcam_config.h"
#include "vcam_crossbar.h"
#include "vcam_object.h"
#include "vcam_pin.h"

#include <dshow.h>

#include <atomic>

// COM objects are released through Release, never deleted through an
// interface, and an interface must not get a virtual destructor (it would
// shift its table of methods): the warning about their destructors does
// not apply here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// Picture (class 1) or camera (class 2) properties from the camera's table:
// a part of the filter, both interfaces having the same method names.
template <class Interface, LONG kClass>
class CVcamProperties final : public Interface {
 public:
  CVcamProperties(IUnknown* filter, const VcamProperty* table, unsigned count, bool failRead,
                  VcamObservation* observation);
  CVcamProperties(const CVcamProperties&) = delete;
  CVcamProperties& operator=(const CVcamProperties&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override { return filter_->QueryInterface(riid, object); }
  STDMETHODIMP_(ULONG) AddRef() override { return filter_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return filter_->Release(); }
  STDMETHODIMP GetRange(LONG property, LONG* minimum, LONG* maximum, LONG* step, LONG* defaultValue,
                        LONG* caps) override;
  STDMETHODIMP Set(LONG property, LONG value, LONG flags) override;
  STDMETHODIMP Get(LONG property, LONG* value, LONG* flags) override;
  bool Present() const { return count_ > 0; }

 private:
  VcamProperty* Find(LONG property);

  IUnknown* filter_;
  VcamProperty table_[kVcamMaxProperties] = {};
  unsigned count_;
  bool failRead_;
  VcamObservation* observation_;
};

class CVcamFilter final : public IBaseFilter, public IAMVideoControl, public IKsTopologyInfo {
 public:
  CVcamFilter(REFCLSID clsid, unsigned number);
  CVcamFilter(const CVcamFilter&) = delete;
  CVcamFilter& operator=(const CVcamFilter&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IPersist
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  // IMediaFilter
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;
  // IAMVideoControl
  STDMETHODIMP GetCaps(IPin* pin, LONG* flags) override;
  STDMETHODIMP SetMode(IPin* pin, LONG mode) override;
  STDMETHODIMP GetMode(IPin* pin, LONG* mode) override;
  STDMETHODIMP GetCurrentActualFrameRate(IPin* pin, LONGLONG* rate) override;
  STDMETHODIMP GetMaxAvailableFrameRate(IPin* pin, LONG index, SIZE dimensions, LONGLONG* rate) override;
  STDMETHODIMP GetFrameRateList(IPin* pin, LONG index, SIZE dimensions, LONG* count, LONGLONG** rates) override;
  // IKsTopologyInfo
  STDMETHODIMP get_NumCategories(DWORD* count) override;
  STDMETHODIMP get_Category(DWORD index, GUID* category) override;
  STDMETHODIMP get_NumConnections(DWORD* count) override;
  STDMETHODIMP get_ConnectionInfo(DWORD index, KSTOPOLOGY_CONNECTION* connection) override;
  STDMETHODIMP get_NodeName(DWORD node, WCHAR* name, DWORD chars, DWORD* length) override;
  STDMETHODIMP get_NumNodes(DWORD* count) override;
  STDMETHODIMP get_NodeType(DWORD node, GUID* type) override;
  STDMETHODIMP CreateNodeInstance(DWORD node, REFIID riid, void** object) override;

  bool IsStopped() const { return state_ == State_Stopped; }
  bool IsRunning() const { return state_ == State_Running; }
  void Lock() { EnterCriticalSection(&lock_); }
  void Unlock() { LeaveCriticalSection(&lock_); }
  // The camera's still button.
  void PressButton();
  // False once the camera was pulled out (a filter that lost its camera
  // stays dead). Tells the graph EC_DEVICE_LOST once when the camera goes
  // and once more when it is put back. Called by the streaming threads.
  bool DeviceHere();
  // A node's extension-unit request (KSP_NODE with data).
  HRESULT ExtensionRequest(const KSP_NODE& request, void* data, ULONG bytes, ULONG* returned);

 private:
  ~CVcamFilter();
  CVcamPin* PinOf(IPin* pin) const;
  void NotifyGraph(LONG code, LONG_PTR second);

  std::atomic<ULONG> refs_{1};
  CLSID clsid_;
  unsigned number_;
  CRITICAL_SECTION lock_;
  std::atomic<int> state_{State_Stopped};
  std::atomic<bool> lost_{false};      // the camera was pulled out
  std::atomic<bool> backTold_{false};  // its return was told
  IReferenceClock* clock_ = nullptr;   // counted
  IFilterGraph* graph_ = nullptr;      // not counted: the graph owns the filter
  WCHAR name_[MAX_FILTER_NAME] = {};
  VcamConfig config_;
  VcamObservation* observation_;
  // The crossbar joins the graph at the first look at the pins after the
  // filter joined it (while joining, the filter is not in the graph yet).
  void AddCrossbar();

  CVcamPin* capture_ = nullptr;
  CVcamLinkPin* analogIn_ = nullptr;
  bool crossbarAdded_ = false;
  CVcamPin* still_ = nullptr;
  CVcamProperties<IAMVideoProcAmp, 1> amp_;
  CVcamProperties<IAMCameraControl, 2> cam_;
  BYTE extension_[4][16] = {};
};

class CVcamFilterLock {
 public:
  explicit CVcamFilterLock(CVcamFilter* filter) : filter_(filter) { filter_->Lock(); }
  ~CVcamFilterLock() { filter_->Unlock(); }
  CVcamFilterLock(const CVcamFilterLock&) = delete;
  CVcamFilterLock& operator=(const CVcamFilterLock&) = delete;

 private:
  CVcamFilter* filter_;
};

// Enumerator over a fixed list of pins.
class CVcamPinEnum final : public VcamObject<IEnumPins> {
 public:
  CVcamPinEnum(IPin* const* pins, ULONG count, ULONG position);

  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** clone) override;

 private:
  ~CVcamPinEnum() override;

  static constexpr ULONG kMaxPins = 4;
  IPin* pins_[kMaxPins] = {};
  ULONG count_ = 0;
  ULONG position_ = 0;
};

#pragma GCC diagnostic pop
