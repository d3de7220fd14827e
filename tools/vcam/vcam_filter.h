// The camera's source filter, written against the DirectShow interfaces
// without base classes. For now it has no pins: it can be created from its
// moniker, named by the graph, and run through its states. Output pins
// (capture, still) join the pin list later.
#pragma once
#include <dshow.h>

#include <atomic>

class CVcamFilter final : public IBaseFilter {
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

 private:
  ~CVcamFilter();

  std::atomic<ULONG> refs_{1};
  CLSID clsid_;
  unsigned number_;
  CRITICAL_SECTION lock_;
  FILTER_STATE state_ = State_Stopped;
  IReferenceClock* clock_ = nullptr;  // counted
  IFilterGraph* graph_ = nullptr;     // not counted: the graph owns the filter
  WCHAR name_[MAX_FILTER_NAME] = {};
};

// Enumerator over a fixed list of pins (empty for now).
class CVcamPinEnum final : public IEnumPins {
 public:
  CVcamPinEnum(IPin* const* pins, ULONG count, ULONG position);
  CVcamPinEnum(const CVcamPinEnum&) = delete;
  CVcamPinEnum& operator=(const CVcamPinEnum&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** clone) override;

 private:
  ~CVcamPinEnum();

  static constexpr ULONG kMaxPins = 4;
  std::atomic<ULONG> refs_{1};
  IPin* pins_[kMaxPins] = {};
  ULONG count_ = 0;
  ULONG position_ = 0;
};
