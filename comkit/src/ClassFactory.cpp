#include "comkit/ClassFactory.h"

namespace comkit {

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() { return static_cast<ULONG>(Module::Lock()); }
STDMETHODIMP_(ULONG) ClassFactory::Release() { return static_cast<ULONG>(Module::Unlock()); }

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  return create_(outer, iid, ppv);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  if (lock)
    Module::Lock();
  else
    Module::Unlock();
  return S_OK;
}

HRESULT GetClassObjectFromTable(const ClassEntry* table, REFCLSID clsid, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  for (const ClassEntry* e = table; e && e->clsid; ++e) {
    if (IsEqualCLSID(clsid, *e->clsid)) return e->factory->QueryInterface(iid, ppv);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace comkit
