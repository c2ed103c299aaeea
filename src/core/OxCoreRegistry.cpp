// IOxCore methods served by the class loader of the component registry.
//
// The out slot is tested first (null: E_POINTER) and nulled; a null clsid or
// iid pointer is E_INVALIDARG. Without a component runtime (before the first
// Init, after Uninit) the three methods answer CO_E_NOTINITIALIZED, and
// OxFreeUnusedLibraries then does nothing at all, not even the COM step.
#include "core/OxCore.h"

#include "registry/FreeUnusedLibraries.h"

namespace oxcore {

STDMETHODIMP COxCore::OxCreateInstance(CLSID* clsid, IUnknown* pUnkOuter, IID* iid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (!clsid || !iid) return E_INVALIDARG;
  if (!comRuntime) return CO_E_NOTINITIALIZED;
  return comRuntime->CreateInstance(*clsid, pUnkOuter, *iid, ppvObject);
}

STDMETHODIMP COxCore::OxGetClassObject(CLSID* clsid, IID* iid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (!clsid || !iid) return E_INVALIDARG;
  if (!comRuntime) return CO_E_NOTINITIALIZED;
  return comRuntime->GetClassObject(*clsid, *iid, ppvObject);
}

STDMETHODIMP COxCore::OxFreeUnusedLibraries() {
  if (!comRuntime) return CO_E_NOTINITIALIZED;
  return FreeUnusedLibraries(*comRuntime);
}

}  // namespace oxcore
