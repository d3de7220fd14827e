// The capture graph of an open device: source filter, sample grabber and
// preview or null renderer. An open device owns exactly one; the capability
// and range queries make temporary ones that are never built.
#pragma once
#include "base/owners.h"
#include "capture/still_capture.h"

#include <dshow.h>
#include <qedit.h>

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
  // of `source` of the given pin category (nullptr: any).
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
  // Pauses or runs and waits (bounded) until the graph reports the state.
  HRESULT PauseOrRun(bool pause);
  HRESULT ShowPreview(bool show);
  HRESULT PlacePreview(const RECT& rect);
  HRESULT Stop();
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
  HRESULT CreateSampleGrabber();
  HRESULT AddFilter(REFCLSID clsid, const WCHAR* name, ComPtr<IBaseFilter>& filter);
  // Everything the destructors release, in order; safe to call twice.
  void TearDown();

  ComPtr<IBaseFilter> videoSource_;
  ComPtr<IBaseFilter> audioSource_;
  ComPtr<IBaseFilter> sampleGrabber_;
  ComPtr<ICaptureGraphBuilder2> builder_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IVideoWindow> videoWindow_;
  RunState state_ = RunState::kStopped;
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
