#include "capture/device_queries.h"

#include "res/lumcap_resources.h"

#include "capture/device_properties.h"
#include "capture/format_ranges.h"
#include "capture/results.h"
#include "capture/still_capture.h"
#include "capture/stream_format.h"

#include <cstring>
#include <vector>

namespace {

// Still-pin mode runs the preview (capture pin) at this format.
constexpr LONG kStillModePreviewWidth = 640;
constexpr LONG kStillModePreviewHeight = 480;
constexpr LONG kStillModePreviewRate = 25;

// A range list buffer smaller than the ranges need.
constexpr HRESULT kResultListTooSmall = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);

// Bytes of a range list before its records.
constexpr UINT32 kListHeaderBytes = sizeof(UINT32);

GuidValue ValueOf(const GUID& guid) {
  GuidValue value;
  std::memcpy(&value, &guid, sizeof value);
  return value;
}

GUID GuidOf(const GuidValue& value) {
  GUID guid;
  std::memcpy(&guid, &value, sizeof guid);
  return guid;
}

HRESULT ReadRanges(IAMStreamConfig* config, std::vector<FormatRangeGroup>& groups) {
  int count = 0;
  int recordBytes = 0;
  HRESULT hr = CapabilityCount(config, &count, &recordBytes);
  if (FAILED(hr)) return hr;
  std::vector<BYTE> record(static_cast<std::size_t>(recordBytes));
  for (int i = 0; i < count; ++i) {
    MediaTypePtr type;
    hr = config->GetStreamCaps(i, type.Put(), record.data());
    if (FAILED(hr)) return hr;
    const BITMAPINFOHEADER* header = type.Get() ? VideoBitmapHeader(*type.Get()) : nullptr;
    if (!header) return VFW_E_INVALIDMEDIATYPE;
    VIDEO_STREAM_CONFIG_CAPS caps;
    std::memcpy(&caps, record.data(), sizeof caps);
    const FormatRange range = {caps.MinOutputSize.cx,
                               caps.MinOutputSize.cy,
                               caps.MaxOutputSize.cx,
                               caps.MaxOutputSize.cy,
                               caps.OutputGranularityX,
                               caps.OutputGranularityY,
                               FrameRateOf(caps.MaxFrameInterval),
                               FrameRateOf(caps.MinFrameInterval)};
    AppendFormatRange(groups, ValueOf(type->subtype), header->biBitCount, range);
  }
  SortFormatRanges(groups);
  return S_OK;
}

UINT ConnectorText(long type) {
  if (type >= PhysConn_Video_Tuner && type <= PhysConn_Video_SCART) {
    return IDS_FIRST_VIDEO_CONNECTOR + static_cast<UINT>(type - PhysConn_Video_Tuner);
  }
  if (type >= PhysConn_Audio_Tuner && type <= PhysConn_Audio_AudioDecoder) {
    return IDS_FIRST_AUDIO_CONNECTOR + static_cast<UINT>(type - PhysConn_Audio_Tuner);
  }
  return IDS_UNKNOWN_CONNECTOR;
}

}  // namespace

HRESULT QueryDeviceCaps(IMoniker* moniker, UINT32* caps) {
  std::unique_ptr<CDefaultFilterGraph> graph;
  HRESULT hr = CreateFilterGraph(moniker, &graph);
  if (FAILED(hr)) return hr;
  UINT32 bits = 0;
  if (graph->HasStillPin()) bits |= LUMENO_CAPS_STILL_PIN;
  if (HasCameraTopology(graph->Source())) bits |= LUMENO_CAPS_CAMERA_TERMINAL;
  *caps = bits;
  return S_OK;
}

HRESULT QueryDeviceResolutions(IMoniker* moniker, UINT32 flags, LumenoResolutionList* list, UINT32* size) {
  std::unique_ptr<CDefaultFilterGraph> graph;
  HRESULT hr = CreateFilterGraph(moniker, &graph);
  if (FAILED(hr)) return hr;
  graph->MarkCapturing();
  const bool still = (flags & LUMENO_RESOLUTIONS_STILL_PIN) && graph->HasStillPin();
  std::vector<FormatRangeGroup> groups;
  hr = ReadRanges(still ? graph->StillConfig() : graph->CaptureConfig(), groups);
  if (FAILED(hr)) return hr;
  const std::size_t count = CountFormatRanges(groups);
  const std::size_t needed = kListHeaderBytes + sizeof(LumenoResolution) * count;
  if (needed > 0xFFFFFFFFu) return E_OUTOFMEMORY;
  if (list && *size < needed) hr = kResultListTooSmall;
  if (!list || FAILED(hr)) {
    *size = static_cast<UINT32>(needed);
    return hr;
  }
  LumenoResolution* out = list->items;
  for (const FormatRangeGroup& group : groups) {
    for (const FormatRange& r : group.ranges) {
      LumenoResolution item = {r.minWidth,           r.minHeight,    r.maxWidth,     r.maxHeight,    r.widthGranularity,
                               r.heightGranularity,  r.minFrameRate, r.maxFrameRate, group.bitCount, 0,
                               GuidOf(group.subtype)};
      *out++ = item;
    }
  }
  list->count = static_cast<UINT32>(count);
  return S_OK;
}

HRESULT OpenDeviceGraph(IMoniker* moniker, LumenoOpenParams* params, std::unique_ptr<CDefaultFilterGraph>* result) {
  std::unique_ptr<CDefaultFilterGraph> graph;
  HRESULT hr = CreateFilterGraph(moniker, &graph);
  if (FAILED(hr)) return hr;
  graph->MarkCapturing();
  if (params->flags & LUMENO_OPEN_STILL_PIN) {
    if (!graph->HasStillPin()) {
      params->flags &= ~LUMENO_OPEN_STILL_PIN;
    } else {
      graph->UseStillPin();
      graph->SetCaptureFormat(kStillModePreviewWidth, kStillModePreviewHeight, kStillModePreviewRate);
    }
  }
  if (graph->Kind() != kGraphDv) {
    // A size of 0 keeps the pin's own size.
    PinFormat current = {};
    if (params->width <= 0 || params->height <= 0) graph->ReadFormat(&current);
    const LONG width = params->width > 0 ? params->width : current.width;
    const LONG height = params->height > 0 ? params->height : current.height;
    const bool keepSubtype = IsEqualGUID(params->subtype, GUID_NULL) != FALSE;
    hr = graph->SetFormat(width, height, params->frameRate, keepSubtype ? nullptr : &params->subtype);
    if (hr != S_OK && hr != E_NOTIMPL) return FAILED(hr) ? hr : E_FAIL;
  }
  PinFormat format = {};
  if (SUCCEEDED(graph->ReadFormat(&format))) {
    params->width = format.width;
    params->height = format.height;
    params->frameRate = format.frameRate;
    params->subtype = format.subtype;
    params->bitCount = format.bitCount;
  }
  if (params->ownerWindow) {
    hr = graph->Build(true);
    if (SUCCEEDED(hr)) hr = graph->AttachOwner(params->ownerWindow);
    // The preview fills the owner's client area until it is placed, and it
    // is placed before the graph runs: a renderer that presents through
    // Direct3D may not be resized safely while it presents.
    RECT client = {};
    if (SUCCEEDED(hr) && GetClientRect(params->ownerWindow, &client)) graph->PlacePreview(client);
    if (SUCCEEDED(hr)) hr = graph->ShowPreview(true);
    if (SUCCEEDED(hr)) hr = graph->PrepareStillDelivery(params->ownerWindow, params->notifyMessage);
  } else {
    hr = graph->Build(false);
    if (SUCCEEDED(hr)) hr = graph->PrepareStillDelivery(nullptr, 0);
  }
  if (SUCCEEDED(hr)) hr = graph->Run();
  if (FAILED(hr)) return hr;
  if (params->timeout == 0) params->timeout = LUMENO_DEFAULT_TIMEOUT_MS;
  *result = std::move(graph);
  return S_OK;
}

UINT32 CaptureCaps(CDefaultFilterGraph& graph) {
  ComPtr<IAMVideoControl> control;
  if (!graph.Source() || FAILED(graph.Source()->QueryInterface(IID_IAMVideoControl, control.PutVoid()))) return 0;
  const bool still = graph.StillPinMode();
  ComPtr<IPin> pin = graph.SourcePin(still ? PIN_CATEGORY_STILL : PIN_CATEGORY_CAPTURE);
  long caps = 0;
  if (!pin || FAILED(control->GetCaps(pin.Get(), &caps))) return 0;
  if (!still) caps &= ~VideoControlFlag_ExternalTriggerEnable;
  return static_cast<UINT32>(caps);
}

HRESULT FlipCapture(CDefaultFilterGraph& graph, UINT32 mode) {
  ComPtr<IPin> still = graph.SourcePin(PIN_CATEGORY_STILL);
  ComPtr<IAMVideoControl> control;
  if (!still || !graph.Source() || FAILED(graph.Source()->QueryInterface(IID_IAMVideoControl, control.PutVoid()))) {
    return E_POINTER;
  }
  return control->SetMode(still.Get(), static_cast<long>(mode));
}

HRESULT InputName(const CDefaultFilterGraph& graph, INT32 index, WCHAR* name, UINT32 chars) {
  long type = 0;
  if (!graph.InputType(index, &type)) return E_INVALIDARG;
  const HMODULE module = LibraryModule();
  const int limit = chars > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(chars);
  if (LoadStringW(module, ConnectorText(type), name, limit) > 0) return S_OK;
  if (LoadStringW(module, IDS_UNKNOWN_CONNECTOR, name, limit) > 0) return S_OK;
  return LastErrorResult();
}
