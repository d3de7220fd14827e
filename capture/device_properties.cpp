#include "capture/device_properties.h"

namespace {

constexpr UINT32 kClassVideoProcAmp = 1;
constexpr UINT32 kClassCameraControl = 2;
constexpr HRESULT kResultNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
// Depth bound of the upstream search: a topology with a loop must not
// run for ever.
constexpr unsigned kMaxDepth = 64;

UINT32 ClassOf(UINT32 id) { return id >> 16; }
long NumberOf(UINT32 id) { return static_cast<long>(id & 0xFFFF); }

template <class Interface>
HRESULT ReadProperty(Interface* control, long property, LumenoPropertyInfo* info) {
  long value = 0;
  long flags = 0;
  HRESULT hr = control->Get(property, &value, &flags);
  if (hr == kResultNotFound) return S_FALSE;
  if (FAILED(hr)) return hr;
  info->value = value;
  info->flags = flags;
  long minimum, maximum, step, defaultValue, caps;
  hr = control->GetRange(property, &minimum, &maximum, &step, &defaultValue, &caps);
  if (SUCCEEDED(hr)) {
    info->minimum = minimum;
    info->maximum = maximum;
    info->step = step;
    info->defaultValue = defaultValue;
    info->capsFlags = caps;
  }
  return hr;
}

}  // namespace

HRESULT ReadDeviceProperty(IBaseFilter* source, UINT32 id, LumenoPropertyInfo* info) {
  if (ClassOf(id) == kClassVideoProcAmp) {
    ComPtr<IAMVideoProcAmp> amp;
    if (FAILED(source->QueryInterface(IID_IAMVideoProcAmp, amp.PutVoid()))) return E_POINTER;
    return ReadProperty(amp.Get(), NumberOf(id), info);
  }
  if (ClassOf(id) == kClassCameraControl) {
    ComPtr<IAMCameraControl> camera;
    if (FAILED(source->QueryInterface(IID_IAMCameraControl, camera.PutVoid()))) return E_POINTER;
    return ReadProperty(camera.Get(), NumberOf(id), info);
  }
  return S_OK;
}

HRESULT WriteDeviceProperty(IBaseFilter* source, UINT32 id, INT32 value, UINT32 flags) {
  if (ClassOf(id) == kClassVideoProcAmp) {
    ComPtr<IAMVideoProcAmp> amp;
    if (FAILED(source->QueryInterface(IID_IAMVideoProcAmp, amp.PutVoid()))) return E_POINTER;
    return amp->Set(NumberOf(id), value, static_cast<long>(flags));
  }
  if (ClassOf(id) == kClassCameraControl) {
    ComPtr<IAMCameraControl> camera;
    if (FAILED(source->QueryInterface(IID_IAMCameraControl, camera.PutVoid()))) return E_POINTER;
    return camera->Set(NumberOf(id), value, static_cast<long>(flags));
  }
  return E_INVALIDARG;
}

CFilterTopology::CFilterTopology(IBaseFilter* filter) { filter->QueryInterface(kIidKsTopologyInfo, info_.PutVoid()); }

bool CFilterTopology::LoadConnections() {
  if (loaded_) return !connections_.empty();
  loaded_ = true;
  DWORD count = 0;
  if (!info_ || FAILED(info_->get_NumConnections(&count)) || count == 0) return false;
  for (DWORD i = 0; i < count; ++i) {
    KSTOPOLOGY_CONNECTION connection = {};
    if (FAILED(info_->get_ConnectionInfo(i, &connection))) {
      connections_.clear();
      return false;
    }
    connections_.push_back(connection);
  }
  return true;
}

bool CFilterTopology::SearchUpstream(ULONG node, const GUID& type, unsigned depth) {
  GUID own;
  if (SUCCEEDED(info_->get_NodeType(node, &own)) && IsEqualGUID(own, type)) return true;
  if (depth >= kMaxDepth) return false;
  for (const KSTOPOLOGY_CONNECTION& c : connections_) {
    if (c.ToNode == node && c.FromNode != kFilterNode && SearchUpstream(c.FromNode, type, depth + 1)) return true;
  }
  return false;
}

bool CFilterTopology::HasUpstreamNode(const GUID& type) {
  if (!LoadConnections()) return false;
  for (const KSTOPOLOGY_CONNECTION& c : connections_) {
    if (c.ToNode == kFilterNode && c.ToNodePin == 0)
      return c.FromNode != kFilterNode && SearchUpstream(c.FromNode, type, 0);
  }
  return false;
}

bool HasCameraTopology(IBaseFilter* source) {
  CFilterTopology topology(source);
  if (!topology.Present()) return false;
  return topology.HasUpstreamNode(kNodeCameraTerminal) || topology.HasUpstreamNode(kNodeTransportTerminal);
}

HRESULT CTopologyNode::Find(IKsTopologyInfo* topology, const GUID& set) {
  DWORD nodes = 0;
  HRESULT hr = topology->get_NumNodes(&nodes);
  if (FAILED(hr)) return hr;
  for (DWORD node = 0; node < nodes; ++node) {
    GUID type;
    hr = topology->get_NodeType(node, &type);
    if (FAILED(hr)) return hr;
    ComPtr<IKsControl> control;
    if (FAILED(topology->CreateNodeInstance(node, kIidKsControl, control.PutVoid())) || !control) continue;
    KSP_NODE probe = {};
    probe.Property.Set = set;
    probe.Property.Id = 0;
    probe.Property.Flags = kNodeSetSupport;
    probe.NodeId = node;
    ULONG returned = 0;
    if (SUCCEEDED(control->KsProperty(&probe.Property, sizeof probe, nullptr, 0, &returned))) {
      control_ = std::move(control);
      request_ = probe;
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT CTopologyNode::Send(ULONG selector, ULONG flags, void* data, ULONG bytes, ULONG* returned) {
  KSP_NODE request = request_;
  request.Property.Id = selector;
  request.Property.Flags = flags;
  return control_->KsProperty(&request.Property, sizeof request, data, bytes, returned);
}

HRESULT CTopologyNode::Get(ULONG selector, void* data, ULONG bytes) {
  ULONG returned = 0;
  HRESULT hr = Send(selector, kNodeGet, data, bytes, &returned);
  if (FAILED(hr)) return hr;
  return returned == bytes ? hr : E_FAIL;
}

HRESULT CTopologyNode::Set(ULONG selector, void* data, ULONG bytes) {
  ULONG returned = 0;
  return Send(selector, kNodeSet, data, bytes, &returned);
}

HRESULT ExtensionUnitControl(IBaseFilter* source, const GUID& set, ULONG selector, void* data, ULONG bytes,
                             bool write) {
  if (!data) return E_INVALIDARG;
  ComPtr<IKsTopologyInfo> topology;
  HRESULT hr = source->QueryInterface(kIidKsTopologyInfo, topology.PutVoid());
  if (FAILED(hr)) return hr;
  CTopologyNode node;
  hr = node.Find(topology.Get(), set);
  if (hr != S_OK) return hr;
  return write ? node.Set(selector, data, bytes) : node.Get(selector, data, bytes);
}
