// The capture graph of an open device: source filter, sample grabber and
// preview or null renderer. An open device owns exactly one; the capability
// and range queries make temporary ones that are never built.
#pragma once
#include "base/owners.h"
#include "capture/still_capture.h"

#include <dshow.h>
#include <qedit.h>
#include <uuids.h>

#include <atomic>
#include <memory>
#include <vector>

// COM objects are released through Release, never deleted through an
// interface, and an interface must not get a virtual destructor (it would
// shift its table of methods): the warning about their destructors does
// not apply here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// Graph kinds.
constexpr int kGraphOrdinary = 1;
constexpr int kGraphDv = 2;

// Run states.
enum class RunState { kStopped = 0, kPaused = 1, kRunning = 2 };

// One link of an input's route through the crossbars, nearest the
// connector first.
struct CrossbarRoute {
  ComPtr<IAMCrossbar> crossbar;
  long inputPin;
  long outputPin;
  long relatedInput;
  long relatedOutput;
  long inputType;
  long outputType;
};
using CrossbarChain = std::vector<CrossbarRoute>;

// A picture format read from or set on a pin.
struct PinFormat {
  LONG width;
  LONG height;
  LONG frameRate;
  GUID subtype;
  WORD bitCount;
};

// Bounds the filter graph's search for filters between two pins it is
// asked to connect (the graph asks this object before it creates each
// candidate): a renderer that cannot work is not offered every chain of
// filters there is. Lives as long as its graph; not reference counted.
class CSearchBudget : public IAMGraphBuilderCallback {
 public:
  CSearchBudget() = default;
  CSearchBudget(const CSearchBudget&) = delete;
  CSearchBudget& operator=(const CSearchBudget&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SelectedFilter(IMoniker* moniker) override;
  STDMETHODIMP CreatedFilter(IBaseFilter* filter) override;

  // The candidates the connections from now on may try, all together.
  void Allow(int candidates) { left_ = candidates; }
  void Unbound() { left_ = kUnbounded; }

 private:
  static constexpr int kUnbounded = 0x7FFFFFFF;
  int left_ = kUnbounded;
};

class CFilterGraph : public ISampleGrabberCB {
 public:
  CFilterGraph(const CFilterGraph&) = delete;
  CFilterGraph& operator=(const CFilterGraph&) = delete;

  // ISampleGrabberCB. The graph is owned by its device or query, not by
  // references: AddRef and Release do nothing.
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double time, IMediaSample* sample) override;
  STDMETHODIMP BufferCB(double time, BYTE* buffer, long bytes) override;

  virtual ~CFilterGraph();
  // Binds nothing itself: the source filter made from the moniker is added
  // under the device's display name.
  virtual HRESULT AddSourceFilter(IMoniker* moniker, IBaseFilter* source);
  virtual HRESULT AddAudioSourceFilter(IMoniker* moniker);
  // Sample grabber (when capture is wanted) and renderer behind an output
  // of `source` of the given pin category (nullptr: any). A preview tries
  // the renderers in turn; one that is created but cannot connect is
  // removed again with whatever the builder inserted for it.
  virtual HRESULT RenderVideoOutput(IBaseFilter* source, const GUID* category, bool capture);
  virtual HRESULT BuildGraph() = 0;
  virtual void ReleaseDerivedFilters() {}
  virtual void ReleaseStreamConfigurations() {}
  virtual bool CanDecompressItself() { return true; }
  virtual HRESULT ArmTrigger();
  virtual bool TriggerArmed() { return stills_.IsArmed(); }

  // E_FAIL once built without capture.
  HRESULT MarkCapturing();
  // Builds once (later calls do nothing), then connects the sample callback.
  HRESULT Build(bool preview);
  // Makes the window the owner and message drain of the preview window.
  HRESULT AttachOwner(HWND owner);
  // Message mode (a window and a message) or, with message 0, event mode.
  HRESULT PrepareStillDelivery(HWND window, UINT message);
  HRESULT Run();
  // Pauses or runs and waits (bounded, handling the messages sent to the
  // caller's windows) until the graph reports the state.
  HRESULT PauseOrRun(bool pause);
  HRESULT ShowPreview(bool show);
  HRESULT PlacePreview(const RECT& rect);
  HRESULT Stop();
  // The device went away: from the graph's events (EC_DEVICE_LOST), or
  // when a device-change notice no longer lists it. The graph is stopped
  // and stays lost; it must be built anew for the device.
  void MarkLost();
  // Reads the graph's events: kResultDeviceLost once the device is lost,
  // else S_OK.
  HRESULT CheckEvents();
  // Waits for the armed still up to the time-out (handling the messages
  // sent to the caller's windows); a device lost meanwhile ends the wait
  // with kResultDeviceLost.
  HRESULT WaitForStill(DWORD timeoutMs);
  bool Paused() const { return state_ == RunState::kPaused; }
  bool HasPreviewWindow() const { return static_cast<bool>(videoWindow_); }
  int Kind() const { return kind_; }
  // Still pictures: the trigger's bookkeeping, the held picture and the
  // completion signal.
  CStillCapture& Stills() { return stills_; }
  IBaseFilter* Source() const { return videoSource_.Get(); }
  ICaptureGraphBuilder2* Builder() const { return builder_.Get(); }
  // Creates the graph manager and the builder and joins them.
  HRESULT CreateManagers();

 protected:
  explicit CFilterGraph(int kind);
  // A sample grabber taking the subtype (GUID_NULL: any) into the graph.
  HRESULT CreateSampleGrabber(const GUID& subtype, ComPtr<IBaseFilter>& grabber);
  HRESULT AddFilter(REFCLSID clsid, const WCHAR* name, ComPtr<IBaseFilter>& filter);
  // The output pin of `source` of the category (nullptr: its first output),
  // or, with a grabber, the grabber's output once the two are connected.
  HRESULT StreamOutput(IBaseFilter* source, const GUID* category, IBaseFilter* grabber, ComPtr<IPin>& output);
  // The output into the preview's renderer: each in turn until one connects.
  HRESULT ConnectPreview(IPin* output);
  // Everything the destructors release, in order; safe to call twice.
  void TearDown();

  ComPtr<IBaseFilter> videoSource_;
  ComPtr<IBaseFilter> audioSource_;
  ComPtr<IBaseFilter> sampleGrabber_;
  ComPtr<ICaptureGraphBuilder2> builder_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IVideoWindow> videoWindow_;
  ComPtr<IMediaEventEx> events_;
  CSearchBudget search_;
  RunState state_ = RunState::kStopped;
  bool lost_ = false;
  bool built_ = false;
  bool audioPresent_ = false;
  bool audioFromVideo_ = false;
  bool previewWanted_ = false;
  bool captureWanted_ = false;
  HWND ownerWindow_ = nullptr;
  CStillCapture stills_;
  int kind_;
};

class CDefaultFilterGraph : public CFilterGraph {
 public:
  CDefaultFilterGraph() : CDefaultFilterGraph(kGraphOrdinary) {}
  ~CDefaultFilterGraph() override;

  HRESULT AddSourceFilter(IMoniker* moniker, IBaseFilter* source) override;
  HRESULT AddAudioSourceFilter(IMoniker* moniker) override;
  HRESULT BuildGraph() override;
  void ReleaseStreamConfigurations() override;
  bool CanDecompressItself() override;
  HRESULT ArmTrigger() override;
  bool TriggerArmed() override;

  // The major type of the capture pin: interleaved (a DV camcorder) or video.
  const GUID& CaptureType() const { return *captureType_; }
  // E_FAIL once built; S_FALSE (nothing changes) without a still pin.
  HRESULT UseStillPin();
  bool StillPinMode() const { return stillPinMode_; }
  bool HasStillPin() const { return static_cast<bool>(stillConfig_); }
  // Format of the pin in use (the still pin in still-pin mode).
  HRESULT SetFormat(LONG width, LONG height, LONG frameRate, const GUID* subtype);
  HRESULT SetCaptureFormat(LONG width, LONG height, LONG frameRate);
  HRESULT ReadFormat(PinFormat* format);
  IAMStreamConfig* CaptureConfig() const { return captureConfig_.Get(); }
  IAMStreamConfig* StillConfig() const { return stillConfig_.Get(); }
  // The output pin of the source with that category, or nullptr.
  ComPtr<IPin> SourcePin(const GUID& category) const;

  std::size_t InputCount() const { return videoInputs_.size(); }
  // Connector type of input `index` (negative: the current one); false when
  // there is no such input.
  bool InputType(int index, long* type) const;
  HRESULT SelectInput(int index);

 protected:
  explicit CDefaultFilterGraph(int kind) : CFilterGraph(kind) {}
  HRESULT DiscoverInputs();

  bool stillPinMode_ = false;
  bool videoPortManagerAdded_ = false;
  const GUID* captureType_ = &MEDIATYPE_Video;
  ComPtr<IAMStreamConfig> captureConfig_;
  ComPtr<IAMStreamConfig> stillConfig_;
  ComPtr<IAMStreamConfig> audioConfig_;
  std::vector<CrossbarChain> videoInputs_;
  std::vector<CrossbarChain> audioInputs_;
  int currentVideoInput_ = 0;
  int currentAudioInput_ = -1;

 private:
  HRESULT AddVideoPortManager();
};

class CDVFilterGraph : public CDefaultFilterGraph {
 public:
  CDVFilterGraph() : CDefaultFilterGraph(kGraphDv) {}
  ~CDVFilterGraph() override;

  HRESULT BuildGraph() override;
  void ReleaseDerivedFilters() override;
  bool CanDecompressItself() override { return false; }

 private:
  ComPtr<IBaseFilter> dvDecoder_;
};

// Binds the moniker, classifies the device and makes its graph with the
// source added and its stream configurations found.
HRESULT CreateFilterGraph(IMoniker* moniker, std::unique_ptr<CDefaultFilterGraph>* graph);

#pragma GCC diagnostic pop
