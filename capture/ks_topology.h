// Kernel-streaming topology of a capture filter: the interface that lists
// its nodes and their connections (not declared by the MinGW headers), and
// the node types and request flags the library and the test camera use.
#pragma once
#include <windows.h>
#include <unknwn.h>
// The node control below is declared here in its user-mode form (HRESULT
// results); ks.h's own declaration is the kernel one.
#define _IKsControl_
#include <ks.h>

// COM objects are released through Release, never deleted through an
// interface, and an interface must not get a virtual destructor (it would
// shift its table of methods): the warning about their destructors does
// not apply here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// {720D4AC0-7533-11D0-A5D6-28DB04C10000}
constexpr IID kIidKsTopologyInfo = {0x720D4AC0, 0x7533, 0x11D0, {0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00}};
// {28F54685-06FD-11D2-B27A-00A0C9223196}
constexpr IID kIidKsControl = {0x28F54685, 0x06FD, 0x11D2, {0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// Node types.
constexpr GUID kNodeCameraTerminal = {0xDFF229E6, 0xF70F, 0x11D0, {0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr GUID kNodeTransportTerminal = {0xDFF229E7, 0xF70F, 0x11D0, {0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr GUID kNodeProcessingUnit = {0xDFF229E5, 0xF70F, 0x11D0, {0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr GUID kNodeExtensionUnit = {0x941C7AC0, 0xC559, 0x11D0, {0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A, 0xC1}};

// The filter itself in connections.
constexpr ULONG kFilterNode = 0xFFFFFFFF;

// Node property requests: topology flag with get, set and the set-support probe.
constexpr ULONG kNodeGet = KSPROPERTY_TYPE_TOPOLOGY | KSPROPERTY_TYPE_GET;
constexpr ULONG kNodeSet = KSPROPERTY_TYPE_TOPOLOGY | KSPROPERTY_TYPE_SET;
constexpr ULONG kNodeSetSupport = KSPROPERTY_TYPE_TOPOLOGY | KSPROPERTY_TYPE_SETSUPPORT;

// A property set that no node answers.
constexpr HRESULT kResultSetNotFound = HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);

struct IKsTopologyInfo : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_NumCategories(DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Category(DWORD index, GUID* category) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NumConnections(DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ConnectionInfo(DWORD index, KSTOPOLOGY_CONNECTION* connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NodeName(DWORD node, WCHAR* name, DWORD chars, DWORD* length) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NumNodes(DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NodeType(DWORD node, GUID* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateNodeInstance(DWORD node, REFIID riid, void** object) = 0;
};

struct IKsControl : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyBytes, void* data, ULONG dataBytes,
                                               ULONG* returned) = 0;
  virtual HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD method, ULONG methodBytes, void* data, ULONG dataBytes,
                                             ULONG* returned) = 0;
  virtual HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT event, ULONG eventBytes, void* data, ULONG dataBytes,
                                            ULONG* returned) = 0;
};

#pragma GCC diagnostic pop
