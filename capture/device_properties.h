// Picture and camera properties of a source filter, its kernel topology
// (is it a video-class camera?) and the controls of its extension units.
#pragma once
#include "base/owners.h"
#include "capture/ks_topology.h"
#include "capture/lumcap.h"

#include <dshow.h>

#include <vector>

// The source filter's topology and a copy of its connection list, loaded
// on first need.
class CFilterTopology {
 public:
  explicit CFilterTopology(IBaseFilter* filter);
  CFilterTopology(const CFilterTopology&) = delete;
  CFilterTopology& operator=(const CFilterTopology&) = delete;

  bool Present() const { return static_cast<bool>(info_); }
  IKsTopologyInfo* Info() const { return info_.Get(); }
  // True when a node of that type lies upstream of the filter's first output.
  bool HasUpstreamNode(const GUID& type);

 private:
  bool LoadConnections();
  bool SearchUpstream(ULONG node, const GUID& type, unsigned depth);

  ComPtr<IKsTopologyInfo> info_;
  std::vector<KSTOPOLOGY_CONNECTION> connections_;
  bool loaded_ = false;
};

// One node's control and the request used with it.
class CTopologyNode {
 public:
  CTopologyNode() = default;
  CTopologyNode(const CTopologyNode&) = delete;
  CTopologyNode& operator=(const CTopologyNode&) = delete;

  // The first node of the topology that answers the set-support probe for
  // `set`: S_OK, S_FALSE when none does, or the error that ended the search.
  HRESULT Find(IKsTopologyInfo* topology, const GUID& set);
  HRESULT Get(ULONG selector, void* data, ULONG bytes);
  HRESULT Set(ULONG selector, void* data, ULONG bytes);

 private:
  HRESULT Send(ULONG selector, ULONG flags, void* data, ULONG bytes, ULONG* returned);

  ComPtr<IKsControl> control_;
  KSP_NODE request_ = {};
};

// Value, flags and range of a property (class 1 picture, 2 camera). The
// result: E_POINTER without the class's interface, S_FALSE for a property
// the device lacks, S_OK otherwise (other failures are the device's).
HRESULT ReadDeviceProperty(IBaseFilter* source, UINT32 id, LumenoPropertyInfo* info);
// E_INVALIDARG for another class, E_POINTER without the interface.
HRESULT WriteDeviceProperty(IBaseFilter* source, UINT32 id, INT32 value, UINT32 flags);

// The camera-terminal bit: a video camera terminal or media transport
// terminal upstream of the output.
bool HasCameraTopology(IBaseFilter* source);

// Reads (set false) or writes one extension-unit control.
HRESULT ExtensionUnitControl(IBaseFilter* source, const GUID& set, ULONG selector, void* data, ULONG bytes, bool write);
