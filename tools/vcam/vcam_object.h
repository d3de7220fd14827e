// The small COM objects of the virtual camera (class objects, enumerators,
// node controls) share this: one interface besides IUnknown, a reference
// count, and a hold on the module while they live.
#pragma once
#include "vcam.h"

#include <objbase.h>

#include <atomic>

// COM objects are released through Release, never deleted through an
// interface, and an interface must not get a virtual destructor (it would
// shift its table of methods): the warning about their destructors does
// not apply here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

template <class Interface>
class VcamObject : public Interface {
 public:
  explicit VcamObject(REFIID iid) : iid_(iid) { VcamModuleAddRef(); }
  VcamObject(const VcamObject&) = delete;
  VcamObject& operator=(const VcamObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid_)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG refs = --refs_;
    if (refs == 0) delete this;
    return refs;
  }

 protected:
  virtual ~VcamObject() { VcamModuleRelease(); }

 private:
  std::atomic<ULONG> refs_{1};
  IID iid_;
};

#pragma GCC diagnostic pop
