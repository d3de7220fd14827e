#include "capture/graph_tools.h"

#include <uuids.h>

namespace {

// DV subtypes: dvsd, dvhd, dvsl, dv25, dv50, dvh1 (four-character codes).
constexpr DWORD kDvCodes[] = {0x64737664, 0x64687664, 0x6C737664, 0x35327664, 0x30357664, 0x31687664};
constexpr GUID kFourccBase = {0, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

bool IsDvSubtype(const GUID& subtype) {
  for (DWORD code : kDvCodes) {
    GUID dv = kFourccBase;
    dv.Data1 = code;
    if (IsEqualGUID(subtype, dv)) return true;
  }
  return false;
}

bool PinDirectionIs(IPin* pin, PIN_DIRECTION wanted) {
  PIN_DIRECTION direction;
  return SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted;
}

// Calls visit(pin) for every pin of the filter until it returns true.
template <class Visit>
bool ForEachPin(IBaseFilter* filter, Visit visit) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Put())) || !pins) return false;
  for (;;) {
    ComPtr<IPin> pin;
    if (pins->Next(1, pin.Put(), nullptr) != S_OK || !pin) return false;
    if (visit(pin.Get())) return true;
  }
}

// Calls visit(filter) for every filter of the graph until it returns true.
template <class Visit>
bool ForEachFilter(IFilterGraph* graph, Visit visit) {
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.Put())) || !filters) return false;
  for (;;) {
    ComPtr<IBaseFilter> filter;
    if (filters->Next(1, filter.Put(), nullptr) != S_OK || !filter) return false;
    if (visit(filter.Get())) return true;
  }
}

// COM identity: the same object answers IUnknown with the same pointer.
template <class T>
bool Holds(const std::vector<ComPtr<T>>& list, T* item) {
  ComPtr<IUnknown> wanted;
  if (FAILED(item->QueryInterface(IID_IUnknown, wanted.PutVoid()))) return false;
  for (const ComPtr<T>& entry : list) {
    ComPtr<IUnknown> own;
    if (SUCCEEDED(entry->QueryInterface(IID_IUnknown, own.PutVoid())) && own.Get() == wanted.Get()) return true;
  }
  return false;
}

ComPtr<IPin> PeerOf(IPin* pin) {
  ComPtr<IPin> peer;
  if (FAILED(pin->ConnectedTo(peer.Put()))) peer.Reset();
  return peer;
}

void DisconnectBothEnds(IFilterGraph* graph, IPin* pin) {
  ComPtr<IPin> peer = PeerOf(pin);
  if (!peer) return;
  graph->Disconnect(peer.Get());
  graph->Disconnect(pin);
}

}  // namespace

bool PinCategory(IPin* pin, GUID* category) {
  ComPtr<IKsPropertySet> properties;
  if (FAILED(pin->QueryInterface(IID_IKsPropertySet, properties.PutVoid()))) return false;
  DWORD returned = 0;
  HRESULT hr = properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, category, sizeof(GUID), &returned);
  return SUCCEEDED(hr) && returned == sizeof(GUID);
}

ComPtr<IPin> FindFilterPin(IBaseFilter* filter, PIN_DIRECTION direction, const GUID* category) {
  ComPtr<IPin> found;
  ForEachPin(filter, [&](IPin* pin) {
    if (!PinDirectionIs(pin, direction)) return false;
    GUID own;
    if (category && (!PinCategory(pin, &own) || !IsEqualGUID(own, *category))) return false;
    found = ComPtr<IPin>::Share(pin);
    return true;
  });
  return found;
}

ComPtr<IPin> FilterPinAt(IBaseFilter* filter, long index) {
  ComPtr<IPin> found;
  long position = 0;
  ForEachPin(filter, [&](IPin* pin) {
    if (position++ != index) return false;
    found = ComPtr<IPin>::Share(pin);
    return true;
  });
  return found;
}

bool HasDvOutput(IBaseFilter* filter) {
  return ForEachPin(filter, [](IPin* pin) {
    if (!PinDirectionIs(pin, PINDIR_OUTPUT)) return false;
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(types.Put())) || !types) return false;
    for (;;) {
      MediaTypePtr type;
      if (types->Next(1, type.Put(), nullptr) != S_OK || !type.Get()) return false;
      if (IsDvSubtype(type->subtype)) return true;
    }
  });
}

ComPtr<IBaseFilter> PinFilter(IPin* pin) {
  PIN_INFO info = {};
  ComPtr<IBaseFilter> filter;
  if (SUCCEEDED(pin->QueryPinInfo(&info))) *filter.Put() = info.pFilter;
  return filter;
}

void RemoveDownstream(IFilterGraph* graph, IBaseFilter* filter) {
  ForEachPin(filter, [&](IPin* pin) {
    ComPtr<IPin> downstream;
    if (!PinDirectionIs(pin, PINDIR_OUTPUT) || FAILED(pin->ConnectedTo(downstream.Put())) || !downstream) {
      return false;
    }
    ComPtr<IBaseFilter> next = PinFilter(downstream.Get());
    if (next) RemoveDownstream(graph, next.Get());
    graph->Disconnect(downstream.Get());
    graph->Disconnect(pin);
    if (next) graph->RemoveFilter(next.Get());
    return false;
  });
}

GraphMark MarkGraph(IFilterGraph* graph) {
  GraphMark mark;
  ForEachFilter(graph, [&](IBaseFilter* filter) {
    mark.filters.push_back(ComPtr<IBaseFilter>::Share(filter));
    ForEachPin(filter, [&](IPin* pin) {
      if (PeerOf(pin)) mark.connected.push_back(ComPtr<IPin>::Share(pin));
      return false;
    });
    return false;
  });
  return mark;
}

void RollBackGraph(IFilterGraph* graph, const GraphMark& mark) {
  std::vector<ComPtr<IBaseFilter>> added;
  ForEachFilter(graph, [&](IBaseFilter* filter) {
    if (!Holds(mark.filters, filter)) added.push_back(ComPtr<IBaseFilter>::Share(filter));
    return false;
  });
  for (const ComPtr<IBaseFilter>& filter : added) {
    ForEachPin(filter.Get(), [&](IPin* pin) {
      DisconnectBothEnds(graph, pin);
      return false;
    });
    graph->RemoveFilter(filter.Get());
  }
  for (const ComPtr<IBaseFilter>& filter : mark.filters) {
    ForEachPin(filter.Get(), [&](IPin* pin) {
      if (!Holds(mark.connected, pin)) DisconnectBothEnds(graph, pin);
      return false;
    });
  }
}
