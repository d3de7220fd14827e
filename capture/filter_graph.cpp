#include "capture/filter_graph.h"

#include "capture/graph_tools.h"
#include "capture/library.h"
#include "capture/results.h"
#include "capture/stream_format.h"

#include <d3d9.h>
#include <uuids.h>
#include <vfw.h>
#include <vmr9.h>

namespace {

// {C1F400A0-3F08-11D3-9F0B-006008039E37}, {C1F400A4-...}: not in the MinGW libraries.
constexpr CLSID kClsidSampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr CLSID kClsidNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
// {6F26A6CD-967B-47FD-874A-7AED2C9D25A2}
constexpr CLSID kClsidVideoPortManager = {0x6F26A6CD, 0x967B, 0x47FD, {0x87, 0x4A, 0x7A, 0xED, 0x2C, 0x9D, 0x25, 0xA2}};
// {B1B77C00-C3E4-11CF-AF79-00AA00B67A42}
constexpr CLSID kClsidDvDecoder = {0xB1B77C00, 0xC3E4, 0x11CF, {0xAF, 0x79, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}};
// {4EB31670-9FC6-11CF-AF6E-00AA00B67A42}
constexpr CLSID kClsidDvSplitter = {0x4EB31670, 0x9FC6, 0x11CF, {0xAF, 0x6E, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}};

// Child, clip siblings, clip children.
constexpr long kPreviewStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
// State polling: a wait per query, a pause between queries, and a bound
// (a live source that never settles must not hold the caller for ever).
constexpr DWORD kStateQueryMs = 10;
constexpr DWORD kStatePauseMs = 100;
constexpr DWORD kStateBoundMs = 5000;
// External device port of an IEEE 1394 device.
constexpr long kPort1394 = 9;

}  // namespace

CFilterGraph::CFilterGraph(int kind) : kind_(kind) {}

CFilterGraph::~CFilterGraph() { TearDown(); }

STDMETHODIMP CFilterGraph::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISampleGrabberCB)) {
    *object = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP CFilterGraph::SampleCB(double /*time*/, IMediaSample* sample) { return stills_.OnSample(sample); }

STDMETHODIMP CFilterGraph::BufferCB(double /*time*/, BYTE* /*buffer*/, long /*bytes*/) { return E_NOTIMPL; }

HRESULT CFilterGraph::CreateManagers() {
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph_.PutVoid());
  if (FAILED(hr)) return hr;
  hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_SERVER, IID_ICaptureGraphBuilder2,
                        builder_.PutVoid());
  if (FAILED(hr)) return hr;
  return builder_->SetFiltergraph(graph_.Get());
}

HRESULT CFilterGraph::AddFilter(REFCLSID clsid, const WCHAR* name, ComPtr<IBaseFilter>& filter) {
  if (!graph_) return E_POINTER;
  ComPtr<IBaseFilter> made;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, made.PutVoid());
  if (FAILED(hr)) return hr;
  hr = graph_->AddFilter(made.Get(), name);
  if (FAILED(hr)) return hr;
  filter = std::move(made);
  return S_OK;
}

HRESULT CFilterGraph::AddSourceFilter(IMoniker* moniker, IBaseFilter* source) {
  if (!graph_) return E_POINTER;
  Bstr name;
  HRESULT hr = ReadDeviceName(moniker, name);
  if (FAILED(hr)) return hr;
  hr = graph_->AddFilter(source, name.Get());
  if (FAILED(hr)) return hr;
  videoSource_ = ComPtr<IBaseFilter>::Share(source);
  return S_OK;
}

HRESULT CFilterGraph::AddAudioSourceFilter(IMoniker* moniker) {
  if (audioSource_) return E_INVALIDARG;
  if (!graph_) return E_POINTER;
  ComPtr<IBaseFilter> audio;
  HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, audio.PutVoid());
  if (SUCCEEDED(hr)) hr = graph_->AddFilter(audio.Get(), L"Audio Source");
  if (FAILED(hr)) return hr;
  audioSource_ = std::move(audio);
  audioPresent_ = true;
  return S_OK;
}

HRESULT CFilterGraph::CreateSampleGrabber() {
  HRESULT hr = AddFilter(kClsidSampleGrabber, L"Sample Grabber", sampleGrabber_);
  if (FAILED(hr)) return hr;
  ComPtr<ISampleGrabber> grabber;
  hr = sampleGrabber_->QueryInterface(IID_ISampleGrabber, grabber.PutVoid());
  if (FAILED(hr)) return hr;
  AM_MEDIA_TYPE wanted = {};
  wanted.majortype = MEDIATYPE_Video;
  wanted.subtype = CanDecompressItself() ? GUID_NULL : MEDIASUBTYPE_RGB24;
  wanted.formattype = GUID_NULL;
  wanted.bFixedSizeSamples = TRUE;
  wanted.lSampleSize = 1;
  hr = grabber->SetMediaType(&wanted);
  if (SUCCEEDED(hr)) hr = grabber->SetOneShot(FALSE);
  if (SUCCEEDED(hr)) hr = grabber->SetBufferSamples(FALSE);
  return hr;
}

namespace {

// Letter-boxing is a nicety: a renderer without the control still shows.
void SetLetterBox(IBaseFilter* renderer, bool vmr9) {
  if (vmr9) {
    ComPtr<IVMRAspectRatioControl9> control;
    if (SUCCEEDED(renderer->QueryInterface(IID_IVMRAspectRatioControl9, control.PutVoid()))) {
      control->SetAspectRatioMode(VMR9ARMode_LetterBox);
    }
    return;
  }
  ComPtr<IVMRAspectRatioControl> control;
  if (SUCCEEDED(renderer->QueryInterface(IID_IVMRAspectRatioControl, control.PutVoid()))) {
    control->SetAspectRatioMode(VMR_ARMODE_LETTER_BOX);
  }
}

}  // namespace

HRESULT CFilterGraph::RenderVideoOutput(IBaseFilter* source, const GUID* category, bool capture) {
  if (!graph_ || !builder_) return E_POINTER;
  HRESULT hr = S_OK;
  if (capture) {
    hr = CreateSampleGrabber();
    if (FAILED(hr)) return hr;
  }
  ComPtr<IBaseFilter> renderer;
  if (!previewWanted_) {
    hr = AddFilter(kClsidNullRenderer, L"Null Renderer", renderer);
    if (FAILED(hr)) return hr;
  } else if (SUCCEEDED(AddFilter(CLSID_VideoMixingRenderer9, L"VMR9", renderer))) {
    SetLetterBox(renderer.Get(), true);
  } else if (SUCCEEDED(AddFilter(CLSID_VideoMixingRenderer, L"VMR7", renderer))) {
    SetLetterBox(renderer.Get(), false);
  }
  // Without a renderer the builder connects its default video renderer.
  hr = builder_->RenderStream(category, &MEDIATYPE_Video, source, capture ? sampleGrabber_.Get() : nullptr,
                              renderer.Get());
  if (FAILED(hr)) return hr;
  if (!previewWanted_) return S_OK;
  hr = graph_->QueryInterface(IID_IVideoWindow, videoWindow_.PutVoid());
  if (FAILED(hr)) return hr;
  videoWindow_->put_WindowStyle(kPreviewStyle);
  videoWindow_->put_FullScreenMode(OAFALSE);  // not every renderer knows full screen
  videoWindow_->put_AutoShow(OAFALSE);
  videoWindow_->put_Visible(OAFALSE);
  return S_OK;
}

HRESULT CFilterGraph::ArmTrigger() {
  stills_.Arm();
  return S_OK;
}

HRESULT CFilterGraph::MarkCapturing() {
  if (built_ && !captureWanted_) return E_FAIL;
  captureWanted_ = true;
  return S_OK;
}

HRESULT CFilterGraph::Build(bool preview) {
  if (built_) return S_OK;
  previewWanted_ = preview;
  HRESULT hr = BuildGraph();
  if (FAILED(hr)) return hr;
  built_ = true;
  if (!captureWanted_ || !sampleGrabber_) return S_OK;
  ComPtr<ISampleGrabber> grabber;
  hr = sampleGrabber_->QueryInterface(IID_ISampleGrabber, grabber.PutVoid());
  if (FAILED(hr)) return hr;
  AM_MEDIA_TYPE connected = {};
  hr = grabber->GetConnectedMediaType(&connected);
  if (FAILED(hr)) return hr;
  hr = stills_.SetConnectedType(connected);
  FreeMediaTypeContent(connected);
  if (FAILED(hr)) return hr;
  return grabber->SetCallback(this, 0);
}

HRESULT CFilterGraph::AttachOwner(HWND owner) {
  if (!videoWindow_) return E_POINTER;
  ownerWindow_ = owner;
  HRESULT hr = videoWindow_->put_Owner(reinterpret_cast<OAHWND>(owner));
  if (SUCCEEDED(hr)) hr = videoWindow_->put_MessageDrain(reinterpret_cast<OAHWND>(owner));
  return hr;
}

HRESULT CFilterGraph::PrepareStillDelivery(HWND window, UINT message) {
  if (message != 0) {
    stills_.UseMessage(window, message);
    return S_OK;
  }
  return stills_.UseEvent();
}

HRESULT CFilterGraph::Run() {
  if (state_ == RunState::kRunning) return S_OK;
  ComPtr<IMediaControl> control;
  HRESULT hr = graph_ ? graph_->QueryInterface(IID_IMediaControl, control.PutVoid()) : E_POINTER;
  if (SUCCEEDED(hr)) hr = control->Run();
  if (FAILED(hr)) {
    Stop();
    return hr;
  }
  state_ = RunState::kRunning;
  return S_OK;
}

HRESULT CFilterGraph::PauseOrRun(bool pause) {
  if (pause == (state_ == RunState::kPaused)) return S_OK;
  ComPtr<IMediaControl> control;
  HRESULT hr = graph_ ? graph_->QueryInterface(IID_IMediaControl, control.PutVoid()) : E_POINTER;
  if (FAILED(hr)) return hr;
  hr = pause ? control->Pause() : control->Run();
  if (FAILED(hr)) return hr;
  // A paused live graph answers VFW_S_CANT_CUE: final as well.
  const ULONGLONG deadline = GetTickCount64() + kStateBoundMs;
  OAFilterState state = State_Stopped;
  while ((hr = control->GetState(kStateQueryMs, &state)) == VFW_S_STATE_INTERMEDIATE && GetTickCount64() < deadline) {
    Sleep(kStatePauseMs);
  }
  if (FAILED(hr)) return hr;
  state_ = pause ? RunState::kPaused : RunState::kRunning;
  return S_OK;
}

HRESULT CFilterGraph::ShowPreview(bool show) {
  if (!videoWindow_) return E_POINTER;
  return videoWindow_->put_Visible(show ? OATRUE : OAFALSE);
}

HRESULT CFilterGraph::PlacePreview(const RECT& rect) {
  if (!videoWindow_) return E_POINTER;
  return videoWindow_->SetWindowPosition(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

HRESULT CFilterGraph::Stop() {
  if (state_ != RunState::kStopped && graph_) {
    ComPtr<IMediaControl> control;
    if (SUCCEEDED(graph_->QueryInterface(IID_IMediaControl, control.PutVoid()))) control->Stop();
  }
  state_ = RunState::kStopped;
  return S_OK;
}

void CFilterGraph::TearDown() {
  Stop();
  if (videoWindow_) {
    videoWindow_->put_Visible(OAFALSE);
    videoWindow_->put_Owner(0);
    videoWindow_->put_MessageDrain(0);
  }
  if (sampleGrabber_) {
    ComPtr<ISampleGrabber> grabber;
    if (SUCCEEDED(sampleGrabber_->QueryInterface(IID_ISampleGrabber, grabber.PutVoid()))) {
      grabber->SetCallback(nullptr, 0);
    }
  }
  if (graph_) {
    ComPtr<IMediaEventEx> events;
    if (SUCCEEDED(graph_->QueryInterface(IID_IMediaEventEx, events.PutVoid()))) events->SetNotifyWindow(0, 0, 0);
    if (videoSource_) RemoveDownstream(graph_.Get(), videoSource_.Get());
    if (audioSource_) RemoveDownstream(graph_.Get(), audioSource_.Get());
  }
  ReleaseDerivedFilters();
  sampleGrabber_.Reset();
  videoWindow_.Reset();
  built_ = false;
  ReleaseStreamConfigurations();
  videoSource_.Reset();
  audioSource_.Reset();
  builder_.Reset();
  graph_.Reset();
}

CDefaultFilterGraph::~CDefaultFilterGraph() { TearDown(); }

HRESULT CDefaultFilterGraph::AddSourceFilter(IMoniker* moniker, IBaseFilter* source) {
  HRESULT hr = CFilterGraph::AddSourceFilter(moniker, source);
  if (FAILED(hr)) return hr;
  hr = builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source, IID_IAMStreamConfig,
                               captureConfig_.PutVoid());
  if (FAILED(hr)) return hr;
  builder_->FindInterface(&PIN_CATEGORY_STILL, &MEDIATYPE_Video, source, IID_IAMStreamConfig, stillConfig_.PutVoid());
  DiscoverInputs();
  return S_OK;
}

HRESULT CDefaultFilterGraph::AddAudioSourceFilter(IMoniker* moniker) {
  HRESULT hr = CFilterGraph::AddAudioSourceFilter(moniker);
  if (FAILED(hr)) return hr;
  hr = builder_->FindInterface(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Audio, audioSource_.Get(), IID_IAMStreamConfig,
                               audioConfig_.PutVoid());
  if (FAILED(hr)) {
    hr = builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audioSource_.Get(), IID_IAMStreamConfig,
                                 audioConfig_.PutVoid());
  }
  return S_OK;
}

HRESULT CDefaultFilterGraph::BuildGraph() {
  if (!builder_ || !videoSource_) return E_POINTER;
  HRESULT hr = S_OK;
  if (stillPinMode_ && captureWanted_) {
    hr = RenderVideoOutput(videoSource_.Get(), &PIN_CATEGORY_CAPTURE, false);
    if (FAILED(hr)) return hr;
    ComPtr<IBaseFilter> nullRenderer;
    hr = AddFilter(kClsidNullRenderer, L"Null Renderer", nullRenderer);
    if (SUCCEEDED(hr)) hr = CreateSampleGrabber();
    if (SUCCEEDED(hr)) {
      hr = builder_->RenderStream(&PIN_CATEGORY_STILL, &MEDIATYPE_Video, videoSource_.Get(), sampleGrabber_.Get(),
                                  nullRenderer.Get());
    }
  } else {
    hr = RenderVideoOutput(videoSource_.Get(), &PIN_CATEGORY_CAPTURE, captureWanted_);
  }
  if (FAILED(hr)) return hr;
  hr = AddVideoPortManager();
  if (FAILED(hr)) return hr;
  if (audioPresent_) {
    IBaseFilter* audio = audioFromVideo_ ? videoSource_.Get() : audioSource_.Get();
    hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio, nullptr, nullptr);
  }
  return SUCCEEDED(hr) ? S_OK : hr;
}

HRESULT CDefaultFilterGraph::AddVideoPortManager() {
  if (videoPortManagerAdded_) return S_OK;
  ComPtr<IPin> port = FindFilterPin(videoSource_.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_VIDEOPORT);
  if (!port) return S_OK;
  ComPtr<IBaseFilter> manager;
  HRESULT hr = AddFilter(kClsidVideoPortManager, L"Video Port Manager", manager);
  if (SUCCEEDED(hr)) {
    hr = builder_->RenderStream(&PIN_CATEGORY_VIDEOPORT, nullptr, videoSource_.Get(), nullptr, manager.Get());
  }
  if (SUCCEEDED(hr) && FindFilterPin(videoSource_.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_VIDEOPORT_VBI)) {
    hr = builder_->RenderStream(&PIN_CATEGORY_VIDEOPORT_VBI, nullptr, videoSource_.Get(), nullptr, manager.Get());
  }
  if (FAILED(hr)) return hr;
  videoPortManagerAdded_ = true;
  return S_OK;
}

void CDefaultFilterGraph::ReleaseStreamConfigurations() {
  captureConfig_.Reset();
  stillConfig_.Reset();
  audioConfig_.Reset();
  videoInputs_.clear();
  audioInputs_.clear();
}

bool CDefaultFilterGraph::CanDecompressItself() {
  IAMStreamConfig* config = stillPinMode_ ? stillConfig_.Get() : captureConfig_.Get();
  if (!config) return false;
  MediaTypePtr type;
  if (FAILED(config->GetFormat(type.Put())) || !type.Get()) return false;
  BITMAPINFOHEADER* input = VideoBitmapHeader(*type.Get());
  if (!input) return false;
  BITMAPINFOHEADER output = *input;
  output.biCompression = BI_RGB;
  output.biBitCount = 24;
  output.biSizeImage = 0;
  HIC codec = ICLocate(ICTYPE_VIDEO, 0, input, &output, ICMODE_DECOMPRESS);
  if (!codec) return false;
  ICClose(codec);
  return true;
}

HRESULT CDefaultFilterGraph::ArmTrigger() {
  if (!stillPinMode_) return CFilterGraph::ArmTrigger();
  stills_.Arm();
  ComPtr<IAMVideoControl> control;
  ComPtr<IPin> still = SourcePin(PIN_CATEGORY_STILL);
  HRESULT hr = videoSource_ ? videoSource_->QueryInterface(IID_IAMVideoControl, control.PutVoid()) : E_POINTER;
  if (FAILED(hr)) return hr;
  if (!still) return E_POINTER;
  // The trigger joins the mode in force, so that a flip set before stays.
  long mode = 0;
  if (FAILED(control->GetMode(still.Get(), &mode))) mode = 0;
  return control->SetMode(still.Get(), (mode & ~VideoControlFlag_Trigger) | VideoControlFlag_Trigger);
}

bool CDefaultFilterGraph::TriggerArmed() { return stillPinMode_ || CFilterGraph::TriggerArmed(); }

HRESULT CDefaultFilterGraph::UseStillPin() {
  if (built_) return E_FAIL;
  if (!stillConfig_) return S_FALSE;
  stillPinMode_ = true;
  stills_.SetStillPin(true);
  return S_OK;
}

HRESULT CDefaultFilterGraph::SetFormat(LONG width, LONG height, LONG frameRate, const GUID* subtype) {
  IAMStreamConfig* config = stillPinMode_ ? stillConfig_.Get() : captureConfig_.Get();
  if (!config) return E_POINTER;
  return SetStreamFormat(config, width, height, frameRate, subtype);
}

HRESULT CDefaultFilterGraph::SetCaptureFormat(LONG width, LONG height, LONG frameRate) {
  if (!captureConfig_) return E_POINTER;
  return SetStreamFormat(captureConfig_.Get(), width, height, frameRate, nullptr);
}

HRESULT CDefaultFilterGraph::ReadFormat(PinFormat* format) {
  IAMStreamConfig* config = stillPinMode_ ? stillConfig_.Get() : captureConfig_.Get();
  if (!config) return E_POINTER;
  return ReadStreamFormat(config, format);
}

ComPtr<IPin> CDefaultFilterGraph::SourcePin(const GUID& category) const {
  ComPtr<IPin> pin;
  if (builder_ && videoSource_) {
    builder_->FindPin(videoSource_.Get(), PINDIR_OUTPUT, &category, &MEDIATYPE_Video, FALSE, 0, pin.Put());
  }
  return pin;
}

namespace {

// Walks upstream from `pin` through crossbars. Every complete chain (from
// the connector inward) goes to `chains`. False when the first step finds
// no crossbar.
bool WalkCrossbars(IPin* pin, CrossbarChain& chain, std::vector<CrossbarChain>& chains) {
  ComPtr<IPin> upstream;
  if (FAILED(pin->ConnectedTo(upstream.Put())) || !upstream) return false;
  ComPtr<IBaseFilter> filter = PinFilter(upstream.Get());
  ComPtr<IAMCrossbar> crossbar;
  if (!filter || FAILED(filter->QueryInterface(IID_IAMCrossbar, crossbar.PutVoid()))) return false;
  long outputs = 0;
  long inputs = 0;
  if (FAILED(crossbar->get_PinCounts(&outputs, &inputs))) return false;
  for (long out = 0; out < outputs; ++out) {
    for (long in = 0; in < inputs; ++in) {
      CrossbarRoute route = {ComPtr<IAMCrossbar>::Share(crossbar.Get()), in, out, 0, 0, 0, 0};
      if (FAILED(crossbar->get_CrossbarPinInfo(TRUE, in, &route.relatedInput, &route.inputType)) ||
          FAILED(crossbar->get_CrossbarPinInfo(FALSE, out, &route.relatedOutput, &route.outputType)) ||
          crossbar->CanRoute(out, in) != S_OK) {
        continue;
      }
      ComPtr<IPin> input = FilterPinAt(filter.Get(), in);
      chain.insert(chain.begin(), std::move(route));
      if (!input || !WalkCrossbars(input.Get(), chain, chains)) {
        CrossbarChain copy;
        for (const CrossbarRoute& r : chain) {
          copy.push_back({ComPtr<IAMCrossbar>::Share(r.crossbar.Get()), r.inputPin, r.outputPin, r.relatedInput,
                          r.relatedOutput, r.inputType, r.outputType});
        }
        chains.push_back(std::move(copy));
      }
      chain.erase(chain.begin());
    }
  }
  return true;
}

}  // namespace

HRESULT CDefaultFilterGraph::DiscoverInputs() {
  ComPtr<IEnumPins> pins;
  if (FAILED(videoSource_->EnumPins(pins.Put())) || !pins) return S_OK;
  for (;;) {
    ComPtr<IPin> pin;
    if (pins->Next(1, pin.Put(), nullptr) != S_OK || !pin) break;
    GUID category;
    PIN_DIRECTION direction;
    if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_INPUT || !PinCategory(pin.Get(), &category) ||
        !IsEqualGUID(category, PIN_CATEGORY_ANALOGVIDEOIN)) {
      continue;
    }
    // Lets the builder add the crossbars upstream as well.
    ComPtr<IAMCrossbar> crossbar;
    if (FAILED(builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, videoSource_.Get(),
                                       IID_IAMCrossbar, crossbar.PutVoid())) &&
        FAILED(builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoSource_.Get(), IID_IAMCrossbar,
                                       crossbar.PutVoid()))) {
      break;
    }
    std::vector<CrossbarChain> chains;
    CrossbarChain chain;
    WalkCrossbars(pin.Get(), chain, chains);
    for (CrossbarChain& found : chains) {
      auto& list = found.front().inputType >= PhysConn_Audio_Tuner ? audioInputs_ : videoInputs_;
      list.push_back(std::move(found));
    }
  }
  return S_OK;
}

bool CDefaultFilterGraph::InputType(int index, long* type) const {
  const int input = index < 0 ? currentVideoInput_ : index;
  if (input < 0 || static_cast<std::size_t>(input) >= videoInputs_.size()) return false;
  *type = videoInputs_[input].front().inputType;
  return true;
}

HRESULT CDefaultFilterGraph::SelectInput(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= videoInputs_.size()) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (const CrossbarRoute& route : videoInputs_[index]) {
    hr = route.crossbar->Route(route.outputPin, route.inputPin);
    if (hr != S_OK) break;
  }
  currentVideoInput_ = index;
  return hr;
}

CDVFilterGraph::~CDVFilterGraph() { TearDown(); }

void CDVFilterGraph::ReleaseDerivedFilters() { dvDecoder_.Reset(); }

HRESULT CDVFilterGraph::BuildGraph() {
  if (!builder_ || !videoSource_) return E_POINTER;
  ComPtr<IAMExtDevice> device;
  long port = 0;
  if (SUCCEEDED(videoSource_->QueryInterface(IID_IAMExtDevice, device.PutVoid())) &&
      SUCCEEDED(device->get_DevicePort(&port)) && port == kPort1394 && captureConfig_) {
    const GUID& wanted = audioFromVideo_ ? MEDIATYPE_Interleaved : MEDIATYPE_Video;
    int count = 0;
    int recordBytes = 0;
    if (SUCCEEDED(CapabilityCount(captureConfig_.Get(), &count, &recordBytes))) {
      std::vector<BYTE> record(recordBytes);
      for (int i = 0; i < count; ++i) {
        MediaTypePtr type;
        if (captureConfig_->GetStreamCaps(i, type.Put(), record.data()) != S_OK || !type.Get()) continue;
        if (!IsEqualGUID(type->majortype, wanted)) continue;
        captureConfig_->SetFormat(type.Get());
        break;
      }
    }
  }
  HRESULT hr = AddFilter(kClsidDvDecoder, L"DV Video Decoder", dvDecoder_);
  if (FAILED(hr)) return hr;
  if (audioPresent_ && audioFromVideo_) {
    ComPtr<IBaseFilter> splitter;
    hr = AddFilter(kClsidDvSplitter, L"DV Splitter", splitter);
    if (SUCCEEDED(hr)) {
      hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, videoSource_.Get(), splitter.Get(),
                                  dvDecoder_.Get());
    }
    if (SUCCEEDED(hr)) hr = RenderVideoOutput(dvDecoder_.Get(), nullptr, captureWanted_);
    if (SUCCEEDED(hr)) hr = builder_->RenderStream(nullptr, &MEDIATYPE_Audio, splitter.Get(), nullptr, nullptr);
    return SUCCEEDED(hr) ? S_OK : hr;
  }
  hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoSource_.Get(), nullptr, dvDecoder_.Get());
  if (SUCCEEDED(hr)) hr = RenderVideoOutput(dvDecoder_.Get(), nullptr, captureWanted_);
  if (SUCCEEDED(hr) && audioPresent_ && audioSource_) {
    hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audioSource_.Get(), nullptr, nullptr);
  }
  return SUCCEEDED(hr) ? S_OK : hr;
}

HRESULT CreateFilterGraph(IMoniker* moniker, std::unique_ptr<CDefaultFilterGraph>* result) {
  ComPtr<IBaseFilter> source;
  HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, source.PutVoid());
  if (FAILED(hr)) return hr;
  std::unique_ptr<CDefaultFilterGraph> graph;
  if (HasDvOutput(source.Get())) {
    graph.reset(new (std::nothrow) CDVFilterGraph);
  } else {
    graph.reset(new (std::nothrow) CDefaultFilterGraph);
  }
  if (!graph) return E_OUTOFMEMORY;
  hr = graph->CreateManagers();
  if (SUCCEEDED(hr)) hr = graph->AddSourceFilter(moniker, source.Get());
  if (FAILED(hr)) return hr;
  *result = std::move(graph);
  return S_OK;
}
