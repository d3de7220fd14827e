// The work behind the exports that open a device and ask a device or an
// open device about itself: capability bits, format ranges, opening,
// capture capabilities, flipping and input names.
#pragma once
#include "capture/filter_graph.h"
#include "capture/lumcap.h"

#include <memory>

// Bit 0: still pin; bit 1: camera terminal in the kernel topology.
HRESULT QueryDeviceCaps(IMoniker* moniker, UINT32* caps);

// The sorted ranges into list (4 + 52 x count bytes), or with no list the
// size needed into *size. A size argument below what the list needs is
// refused with HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) and the
// needed size written back; nothing is written to the list then.
HRESULT QueryDeviceResolutions(IMoniker* moniker, UINT32 flags, LumenoResolutionList* list, UINT32* size);

// Builds and runs the device's graph with the wanted format; writes the
// format in force, the flags and the time-out back into params.
HRESULT OpenDeviceGraph(IMoniker* moniker, LumenoOpenParams* params, std::unique_ptr<CDefaultFilterGraph>* graph);

// Video-control capabilities of the pin in use (the capture pin's without
// the external-trigger bit); 0 without video control.
UINT32 CaptureCaps(CDefaultFilterGraph& graph);

// Flip mode of the still pin: E_POINTER without still pin or video control.
HRESULT FlipCapture(CDefaultFilterGraph& graph, UINT32 mode);

// Connector name of an input (negative index: the current one) into a
// buffer of `chars` characters; E_INVALIDARG when there is no such input.
HRESULT InputName(const CDefaultFilterGraph& graph, INT32 index, WCHAR* name, UINT32 chars);
