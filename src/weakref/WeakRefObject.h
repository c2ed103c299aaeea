// A COM object that can be held weakly: its reference count lives in a weak
// reference obtained from the core at creation.
//
//   class CHandler : public comkit::ObjectBase, public IMsgHandler, public ISupportWeakRef {
//    public:
//     COMKIT_INTERFACES(CHandler)
//       COMKIT_INTERFACE(IMsgHandler)
//       COMKIT_INTERFACE(ISupportWeakRef)
//     COMKIT_END_INTERFACES()
//     ...
//   };
//   oxcore::WeakRefObject<CHandler>::Create(core, IID_IMsgHandler, &pv);
//
// The class lists ISupportWeakRef in its table; GetWeakRef, AddRef, Release
// and QueryInterface come from here. Header-only, so components can use it.
#ifndef OXCORE_WEAKREF_WEAKREFOBJECT_H
#define OXCORE_WEAKREF_WEAKREFOBJECT_H

#include <windows.h>

#include <new>

#include "OxCoreLib.h"
#include "comkit/Object.h"

namespace oxcore {

template <class T>
class WeakRefObject final : public T {
 public:
  template <class... Args>
  static HRESULT Create(IOxCore* core, REFIID iid, void** ppv, Args&&... args) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!core) return E_POINTER;
    IWeakRef* weak = nullptr;
    HRESULT hr = core->OxCreateWeakRef(&weak);
    if (FAILED(hr)) return hr;
    if (!weak) return E_FAIL;
    WeakRefObject* obj = new (std::nothrow) WeakRefObject(weak, static_cast<Args&&>(args)...);
    if (!obj) {
      weak->Release();
      return E_OUTOFMEMORY;
    }
    hr = weak->Initialize(static_cast<ISupportWeakRef*>(obj), &obj->count_);
    if (hr != S_OK || !obj->count_) {
      delete obj;  // never counted: nobody else can reach it
      return FAILED(hr) ? hr : E_FAIL;
    }
    InterlockedIncrement(obj->count_);  // the object's first reference is its own
    hr = obj->T::FinalConstruct();
    if (SUCCEEDED(hr)) hr = comkit::QueryInterfaceTable(obj, T::InterfaceTable(), iid, ppv);
    obj->Release();
    return hr;
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    return comkit::QueryInterfaceTable(this, T::InterfaceTable(), iid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(count_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(count_);
    if (left == 0) {
      this->T::FinalRelease();
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP GetWeakRef(IWeakRef** ppWeakRef) override {
    if (!ppWeakRef) return E_POINTER;
    weak_->AddRef();
    *ppWeakRef = weak_;
    return S_OK;
  }

 private:
  template <class... Args>
  explicit WeakRefObject(IWeakRef* weak, Args&&... args) : T(static_cast<Args&&>(args)...), weak_(weak) {
    comkit::Module::Lock();
  }
  ~WeakRefObject() {
    weak_->Release();  // the counter lives on for the weak holders
    comkit::Module::Unlock();
  }

  IWeakRef* weak_;
  LONG* count_ = nullptr;
};

}  // namespace oxcore

#endif  // OXCORE_WEAKREF_WEAKREFOBJECT_H
