// IOxCore methods served by the named-instance table. Without a table
// (before Init, after Uninit) they check their out pointers as the table
// would, null the out slot and answer CO_E_NOTINITIALIZED.
#include "core/OxCore.h"

namespace oxcore {

STDMETHODIMP COxCore::OxGetInstance(CLSID* clsid, BSTR InstanceName, IID* iid, void** ppvObject) {
  if (!instances) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    return CO_E_NOTINITIALIZED;
  }
  return instances->OxGetInstance(clsid, InstanceName, iid, ppvObject);
}

STDMETHODIMP COxCore::OxSetInstance(CLSID* clsid, BSTR InstanceName, IUnknown* pUnk) {
  if (!instances) return pUnk ? CO_E_NOTINITIALIZED : E_POINTER;
  return instances->OxSetInstance(clsid, InstanceName, pUnk);
}

STDMETHODIMP COxCore::OxHasInstance(CLSID* clsid, BSTR InstanceName, VARIANT_BOOL* Result) {
  if (!instances) {
    if (!Result) return E_POINTER;
    *Result = VARIANT_FALSE;
    return CO_E_NOTINITIALIZED;
  }
  return instances->OxHasInstance(clsid, InstanceName, Result);
}

STDMETHODIMP COxCore::OxGetAllInstanceNames(CLSID* clsid, BSTR* pAllInstanceNames) {
  if (!instances) {
    if (!pAllInstanceNames) return E_POINTER;
    return *pAllInstanceNames ? E_INVALIDARG : CO_E_NOTINITIALIZED;
  }
  return instances->OxGetAllInstanceNames(clsid, pAllInstanceNames);
}

STDMETHODIMP COxCore::OxGetAllInstances(CLSID* clsid, SAFEARRAY** ppAllInstances) {
  if (!instances) {
    if (!ppAllInstances) return E_POINTER;
    return *ppAllInstances ? E_INVALIDARG : CO_E_NOTINITIALIZED;
  }
  return instances->OxGetAllInstances(clsid, ppAllInstances);
}

STDMETHODIMP COxCore::OxDropInstance(CLSID* clsid, BSTR InstanceName) {
  if (!instances) return CO_E_NOTINITIALIZED;
  return instances->OxDropInstance(clsid, InstanceName);
}

}  // namespace oxcore
