// Small free functions over the DirectShow interfaces that the capture
// graph is built from: pins by direction and category, the device kind,
// and the removal of everything downstream of a filter.
#pragma once
#include "base/owners.h"

#include <dshow.h>

#include <vector>

// The pin's category read through its property set; false when it has none.
bool PinCategory(IPin* pin, GUID* category);

// The first pin of the filter in that direction whose category is
// `category` (nullptr: any pin of that direction).
ComPtr<IPin> FindFilterPin(IBaseFilter* filter, PIN_DIRECTION direction, const GUID* category);

// The pin at that position of the filter's pin enumeration.
ComPtr<IPin> FilterPinAt(IBaseFilter* filter, long index);

// True when an output pin of the filter prefers a DV subtype.
bool HasDvOutput(IBaseFilter* filter);

// For each connected output pin: removes what is downstream of the filter
// behind it first, disconnects both ends and removes that filter.
void RemoveDownstream(IFilterGraph* graph, IBaseFilter* filter);

// The filter that a pin belongs to.
ComPtr<IBaseFilter> PinFilter(IPin* pin);

// The filters of a graph and the pins connected at one moment, so that an
// attempt to connect can be undone.
struct GraphMark {
  std::vector<ComPtr<IBaseFilter>> filters;
  std::vector<ComPtr<IPin>> connected;
};
GraphMark MarkGraph(IFilterGraph* graph);
// Removes every filter added since the mark (a renderer and whatever the
// builder inserted for it) and breaks every connection made since between
// the filters that were there.
void RollBackGraph(IFilterGraph* graph, const GraphMark& mark);
