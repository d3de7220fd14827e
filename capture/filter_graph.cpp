#include "capture/filter_graph.h"

#include "capture/graph_tools.h"
#include "capture/library.h"
#include "capture/results.h"
#include "capture/stream_format.h"
#include "capture/trace.h"
#include "capture/waits.h"

#include <d3d9.h>
#include <evcode.h>
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
// Second event parameter of EC_DEVICE_LOST: the device was removed (1:
// it is there again, which does not bring this graph back).
constexpr LONG_PTR kDeviceRemoved = 0;
// The still wait was ended by the graph's events, not by the still.
constexpr HRESULT kWaitInterrupted = S_FALSE;

// The renderers a preview tries, in this order; the last lets the builder
// choose its own.
enum class LetterBox { kNone, kVmr9, kVmr7 };
struct RendererChoice {
  const CLSID* clsid;
  const WCHAR* name;
  LetterBox letterBox;
};
const RendererChoice kPreviewRenderers[] = {
    {&CLSID_VideoMixingRenderer9, L"VMR9", LetterBox::kVmr9},
    {&CLSID_VideoMixingRenderer, L"VMR7", LetterBox::kVmr7},
    {&CLSID_VideoRenderer, L"Video Renderer", LetterBox::kNone},
    {nullptr, L"default video renderer", LetterBox::kNone},
};

// Candidate filters the graph may try for one connection: enough for a
// converter and a decompressor in front of a renderer, a few times over.
constexpr int kCandidatesPerConnection = 8;

// The search budget of one connection attempt, unbounded again after it.
class SearchBound {
 public:
  SearchBound(CSearchBudget& budget, int candidates) : budget_(budget) { budget_.Allow(candidates); }
  ~SearchBound() { budget_.Unbound(); }
  SearchBound(const SearchBound&) = delete;
  SearchBound& operator=(const SearchBound&) = delete;

 private:
  CSearchBudget& budget_;
};

// A Video for Windows decompressor takes frames of this header to 24-bit RGB.
bool DecompressorTakes(const BITMAPINFOHEADER& input) {
  BITMAPINFOHEADER copy = input;
  BITMAPINFOHEADER output = input;
  output.biCompression = BI_RGB;
  output.biBitCount = 24;
  output.biSizeImage = 0;
  HIC codec = ICLocate(ICTYPE_VIDEO, 0, &copy, &output, ICMODE_DECOMPRESS);
  if (!codec) return false;
  ICClose(codec);
  return true;
}

}  // namespace

STDMETHODIMP CSearchBudget::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IAMGraphBuilderCallback)) {
    *object = static_cast<IAMGraphBuilderCallback*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP CSearchBudget::SelectedFilter(IMoniker* /*moniker*/) {
  if (left_ <= 0) return E_FAIL;
  if (left_ != kUnbounded) --left_;
  return S_OK;
}

STDMETHODIMP CSearchBudget::CreatedFilter(IBaseFilter* /*filter*/) { return S_OK; }

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
  hr = graph_->QueryInterface(IID_IMediaEventEx, events_.PutVoid());
  if (FAILED(hr)) return hr;
  // Without a site the graph searches without bound: still usable. The
  // site stays until the graph goes (it is released with the graph, in the
  // teardown; some systems cannot be given an empty site).
  ComPtr<IObjectWithSite> site;
  if (SUCCEEDED(graph_->QueryInterface(IID_IObjectWithSite, site.PutVoid()))) site->SetSite(&search_);
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

HRESULT CFilterGraph::CreateSampleGrabber(const GUID& subtype, ComPtr<IBaseFilter>& filter) {
  ComPtr<IBaseFilter> made;
  HRESULT hr = AddFilter(kClsidSampleGrabber, L"Sample Grabber", made);
  if (FAILED(hr)) return hr;
  ComPtr<ISampleGrabber> grabber;
  hr = made->QueryInterface(IID_ISampleGrabber, grabber.PutVoid());
  if (FAILED(hr)) return hr;
  AM_MEDIA_TYPE wanted = {};
  wanted.majortype = MEDIATYPE_Video;
  wanted.subtype = subtype;
  wanted.formattype = GUID_NULL;
  wanted.bFixedSizeSamples = TRUE;
  wanted.lSampleSize = 1;
  hr = grabber->SetMediaType(&wanted);
  if (SUCCEEDED(hr)) hr = grabber->SetOneShot(FALSE);
  if (SUCCEEDED(hr)) hr = grabber->SetBufferSamples(FALSE);
  if (FAILED(hr)) return hr;
  filter = std::move(made);
  return S_OK;
}

namespace {

// Letter-boxing is a nicety: a renderer without the control still shows.
void SetLetterBox(IBaseFilter* renderer, LetterBox kind) {
  if (kind == LetterBox::kVmr9) {
    ComPtr<IVMRAspectRatioControl9> control;
    if (SUCCEEDED(renderer->QueryInterface(IID_IVMRAspectRatioControl9, control.PutVoid()))) {
      control->SetAspectRatioMode(VMR9ARMode_LetterBox);
    }
  } else if (kind == LetterBox::kVmr7) {
    ComPtr<IVMRAspectRatioControl> control;
    if (SUCCEEDED(renderer->QueryInterface(IID_IVMRAspectRatioControl, control.PutVoid()))) {
      control->SetAspectRatioMode(VMR_ARMODE_LETTER_BOX);
    }
  }
}

// The frames the grabber receives can become pictures: uncompressed, or
// compressed in a format a Video for Windows decompressor takes.
bool GrabberTypeConvertible(IBaseFilter* filter) {
  ComPtr<ISampleGrabber> grabber;
  AM_MEDIA_TYPE connected = {};
  if (FAILED(filter->QueryInterface(IID_ISampleGrabber, grabber.PutVoid())) ||
      FAILED(grabber->GetConnectedMediaType(&connected))) {
    return false;
  }
  const BITMAPINFOHEADER* header = VideoBitmapHeader(connected);
  const bool convertible = header && (header->biCompression == BI_RGB || header->biCompression == BI_BITFIELDS ||
                                      DecompressorTakes(*header));
  FreeMediaTypeContent(connected);
  return convertible;
}

}  // namespace

namespace {

// The renderer refused the type it was offered (a converter may help),
// rather than failing in itself.
bool TypeRefused(HRESULT hr) {
  return hr == VFW_E_TYPE_NOT_ACCEPTED || hr == VFW_E_NO_ACCEPTABLE_TYPES || hr == VFW_E_INVALIDMEDIATYPE;
}

}  // namespace

HRESULT CFilterGraph::StreamOutput(IBaseFilter* source, const GUID* category, IBaseFilter* grabber,
                                   ComPtr<IPin>& output) {
  // The source's pin is connected to the grabber as it is: a pin offers its
  // formats in turn, and a decompressor goes in between where the grabber
  // takes RGB24 only.
  ComPtr<IPin> pin;
  if (category) {
    builder_->FindPin(source, PINDIR_OUTPUT, category, &MEDIATYPE_Video, TRUE, 0, pin.Put());
  } else {
    pin = FindFilterPin(source, PINDIR_OUTPUT, nullptr);
  }
  if (!pin) return VFW_E_CANNOT_CONNECT;
  if (!grabber) {
    output = std::move(pin);
    return S_OK;
  }
  ComPtr<IPin> input = FindFilterPin(grabber, PINDIR_INPUT, nullptr);
  if (!input) return VFW_E_CANNOT_CONNECT;
  SearchBound bound(search_, kCandidatesPerConnection);
  const HRESULT hr = graph_->Connect(pin.Get(), input.Get());
  if (FAILED(hr)) return hr;
  output = FindFilterPin(grabber, PINDIR_OUTPUT, nullptr);
  return output ? S_OK : VFW_E_CANNOT_CONNECT;
}

HRESULT CFilterGraph::ConnectPreview(IPin* output) {
  HRESULT hr = E_FAIL;
  for (const RendererChoice& choice : kPreviewRenderers) {
    const GraphMark mark = MarkGraph(graph_.Get());
    SearchBound bound(search_, kCandidatesPerConnection);
    if (!choice.clsid) {
      hr = graph_->Render(output);
    } else {
      ComPtr<IBaseFilter> renderer;
      hr = AddFilter(*choice.clsid, choice.name, renderer);
      if (FAILED(hr)) {
        TraceStep(L"renderer cannot be created:", choice.name, hr);
        continue;
      }
      SetLetterBox(renderer.Get(), choice.letterBox);
      ComPtr<IPin> input = FindFilterPin(renderer.Get(), PINDIR_INPUT, nullptr);
      // Only a renderer that refuses the type itself is worth a converter
      // in between; one that fails in itself (no device for it) is not
      // offered every chain of filters there is.
      hr = input ? graph_->ConnectDirect(output, input.Get(), nullptr) : E_NOINTERFACE;
      if (TypeRefused(hr)) hr = graph_->Connect(output, input.Get());
    }
    if (SUCCEEDED(hr)) {
      TraceStep(L"preview through", choice.name, hr);
      return S_OK;
    }
    TraceStep(L"renderer cannot connect, removed again:", choice.name, hr);
    RollBackGraph(graph_.Get(), mark);
  }
  return hr;
}

HRESULT CFilterGraph::RenderVideoOutput(IBaseFilter* source, const GUID* category, bool capture) {
  if (!graph_ || !builder_) return E_POINTER;
  // The grabber takes the frames as they come when the library can
  // decompress them itself, else RGB24. What decides is the type the
  // connection settles on: one that no decompressor takes is connected
  // again with RGB24.
  bool anyType = capture && CanDecompressItself();
  for (;;) {
    const GraphMark mark = MarkGraph(graph_.Get());
    ComPtr<IBaseFilter> grabber;
    HRESULT hr = S_OK;
    if (capture) hr = CreateSampleGrabber(anyType ? GUID_NULL : MEDIASUBTYPE_RGB24, grabber);
    ComPtr<IPin> output;
    if (SUCCEEDED(hr)) hr = StreamOutput(source, category, grabber.Get(), output);
    if (SUCCEEDED(hr) && previewWanted_) {
      hr = ConnectPreview(output.Get());
    } else if (SUCCEEDED(hr)) {
      ComPtr<IBaseFilter> renderer;
      hr = AddFilter(kClsidNullRenderer, L"Null Renderer", renderer);
      ComPtr<IPin> input = renderer ? FindFilterPin(renderer.Get(), PINDIR_INPUT, nullptr) : ComPtr<IPin>();
      if (SUCCEEDED(hr)) hr = input ? graph_->ConnectDirect(output.Get(), input.Get(), nullptr) : E_NOINTERFACE;
    }
    if (anyType && (FAILED(hr) || !GrabberTypeConvertible(grabber.Get()))) {
      TraceStep(L"the frames at the grabber cannot be decompressed here: grabbing", L"RGB24", hr);
      RollBackGraph(graph_.Get(), mark);
      anyType = false;
      continue;
    }
    if (FAILED(hr)) return hr;
    sampleGrabber_ = std::move(grabber);
    break;
  }
  if (!previewWanted_) return S_OK;
  HRESULT hr = graph_->QueryInterface(IID_IVideoWindow, videoWindow_.PutVoid());
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
    WaitKeepingWindowsAlive(0, nullptr, kStatePauseMs);
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
  // Where it stands already, the window is left alone.
  long left = 0, top = 0, width = 0, height = 0;
  if (SUCCEEDED(videoWindow_->GetWindowPosition(&left, &top, &width, &height)) && left == rect.left &&
      top == rect.top && width == rect.right - rect.left && height == rect.bottom - rect.top) {
    return S_OK;
  }
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

void CFilterGraph::MarkLost() {
  if (lost_) return;
  lost_ = true;
  TraceStep(L"the device is lost; the graph stops", nullptr, S_OK);
  Stop();
}

HRESULT CFilterGraph::CheckEvents() {
  if (events_ && !lost_) {
    long code = 0;
    LONG_PTR first = 0, second = 0;
    while (events_->GetEvent(&code, &first, &second, 0) == S_OK) {
      const bool removed = code == EC_DEVICE_LOST && second == kDeviceRemoved;
      events_->FreeEventParams(code, first, second);
      if (removed) MarkLost();
    }
  }
  return lost_ ? kResultDeviceLost : S_OK;
}

HRESULT CFilterGraph::WaitForStill(DWORD timeoutMs) {
  OAEVENT events = 0;
  if (!events_ || FAILED(events_->GetEventHandle(&events))) events = 0;
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    if (FAILED(CheckEvents())) return kResultDeviceLost;
    const ULONGLONG passed = GetTickCount64() - start;
    const DWORD left = passed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - passed);
    const HRESULT hr = stills_.Wait(left, reinterpret_cast<HANDLE>(events));
    if (hr != kWaitInterrupted) return hr;
  }
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
  // A DV camcorder's capture pin is interleaved: asked first, then video.
  captureType_ = &MEDIATYPE_Interleaved;
  hr = builder_->FindInterface(&PIN_CATEGORY_CAPTURE, captureType_, source, IID_IAMStreamConfig,
                               captureConfig_.PutVoid());
  if (FAILED(hr)) {
    captureType_ = &MEDIATYPE_Video;
    hr = builder_->FindInterface(&PIN_CATEGORY_CAPTURE, captureType_, source, IID_IAMStreamConfig,
                                 captureConfig_.PutVoid());
  }
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
    if (SUCCEEDED(hr)) hr = CreateSampleGrabber(CanDecompressItself() ? GUID_NULL : MEDIASUBTYPE_RGB24, sampleGrabber_);
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
  const BITMAPINFOHEADER* input = VideoBitmapHeader(*type.Get());
  return input && DecompressorTakes(*input);
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
    const GUID* type = IsEqualGUID(category, PIN_CATEGORY_CAPTURE) ? captureType_ : &MEDIATYPE_Video;
    builder_->FindPin(videoSource_.Get(), PINDIR_OUTPUT, &category, type, FALSE, 0, pin.Put());
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
  // An interleaved stream (a camcorder's) reaches the decoder through the
  // DV splitter; a video stream goes to it directly.
  bool interleaved = IsEqualGUID(CaptureType(), MEDIATYPE_Interleaved) != FALSE;
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
        if (SUCCEEDED(captureConfig_->SetFormat(type.Get()))) interleaved = IsEqualGUID(wanted, MEDIATYPE_Interleaved);
        break;
      }
    }
  }
  HRESULT hr = AddFilter(kClsidDvDecoder, L"DV Video Decoder", dvDecoder_);
  if (FAILED(hr)) {
    TraceStep(interleaved ? L"interleaved DV stream: no decoder" : L"DV video stream: no decoder", nullptr, hr);
    return hr;
  }
  if (interleaved || (audioPresent_ && audioFromVideo_)) {
    ComPtr<IBaseFilter> splitter;
    hr = AddFilter(kClsidDvSplitter, L"DV Splitter", splitter);
    if (SUCCEEDED(hr)) {
      hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, videoSource_.Get(), splitter.Get(),
                                  dvDecoder_.Get());
    }
    if (SUCCEEDED(hr)) hr = RenderVideoOutput(dvDecoder_.Get(), nullptr, captureWanted_);
    if (SUCCEEDED(hr) && audioPresent_ && audioFromVideo_) {
      hr = builder_->RenderStream(nullptr, &MEDIATYPE_Audio, splitter.Get(), nullptr, nullptr);
    }
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
