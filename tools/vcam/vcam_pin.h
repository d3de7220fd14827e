// An output pin of the virtual camera ("Capture" or "Still"), written
// against the DirectShow interfaces without base classes. It names its
// category through IKsPropertySet, offers its formats through
// IAMStreamConfig, and delivers the test picture from a thread of its own.
#pragma once
#include "vcam.h"
#include "vcam_config.h"

#include <dshow.h>

#include <atomic>
#include <vector>

// COM objects are released through Release, never deleted through an
// interface, and an interface must not get a virtual destructor (it would
// shift its table of methods): the warning about their destructors does
// not apply here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class CVcamFilter;

// What every pin of the camera answers the same way: its information, its
// id, and its category through the pin property set.
HRESULT VcamPinInfo(IBaseFilter* filter, const WCHAR* name, PIN_DIRECTION direction, PIN_INFO* info);
HRESULT VcamPinId(const WCHAR* name, LPWSTR* id);
HRESULT VcamPinCategory(REFGUID set, DWORD id, const GUID& category, void* data, DWORD bytes, DWORD* returned);
HRESULT VcamPinCategorySupport(REFGUID set, DWORD id, DWORD* support);

class CVcamPin final : public IPin, public IKsPropertySet, public IAMStreamConfig {
 public:
  // The formats and observation stay owned by the caller and outlive the pin.
  CVcamPin(CVcamFilter* filter, const WCHAR* id, REFGUID category, const VcamFormat* formats, unsigned count,
           const VcamConfig& config, VcamPinObservation* observation);
  ~CVcamPin();
  CVcamPin(const CVcamPin&) = delete;
  CVcamPin& operator=(const CVcamPin&) = delete;

  // IUnknown: the pin lives as long as its filter.
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IPin
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
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  // IKsPropertySet
  STDMETHODIMP Set(REFGUID set, DWORD id, void* instance, DWORD instanceBytes, void* data, DWORD bytes) override;
  STDMETHODIMP Get(REFGUID set, DWORD id, void* instance, DWORD instanceBytes, void* data, DWORD bytes,
                   DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;
  // IAMStreamConfig
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override;
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

  // Called by the filter, under its lock, on leaving and entering Stopped.
  HRESULT Active();
  void Inactive();
  // One still frame (still pin) at the next turn of the streaming thread.
  void Trigger() { ++pendingTriggers_; }
  void SetFlip(LONG mode) { flip_ = mode; }
  bool IsCapturePin() const { return IsEqualGUID(category_, PIN_CATEGORY_CAPTURE) != FALSE; }
  LONG Flip() const { return flip_; }

 private:
  HRESULT TryConnection(IPin* receiver, const AM_MEDIA_TYPE* type);
  HRESULT DecideAllocator();
  void ReleaseConnection();
  bool Acceptable(const AM_MEDIA_TYPE* type) const;
  // The format that connections use: the one set, else the first capability.
  const VcamFormat* DefaultFormat() const;
  void ObserveFormat(const AM_MEDIA_TYPE* type);
  static DWORD WINAPI ThreadMain(void* self);
  void Stream();
  void StreamFrames();
  void DeliverFrame(unsigned frame);

  CVcamFilter* filter_;
  const WCHAR* id_;
  GUID category_;
  const VcamFormat* formats_;
  unsigned count_;
  const VcamConfig& config_;
  VcamPinObservation* observation_;

  IPin* connected_ = nullptr;           // counted
  IMemInputPin* input_ = nullptr;       // counted
  IMemAllocator* allocator_ = nullptr;  // counted
  AM_MEDIA_TYPE type_ = {};             // of the connection
  AM_MEDIA_TYPE* setFormat_ = nullptr;  // from SetFormat
  HANDLE stop_ = nullptr;
  HANDLE thread_ = nullptr;
  std::atomic<LONG> pendingTriggers_{0};
  std::atomic<LONG> flip_{0};
  std::vector<BYTE> jpeg_;  // the JPEG picture, made on first need
};

#pragma GCC diagnostic pop
