// IOxCore methods served by the class loader of the component registry.
// The registry is not part of this build yet: they answer E_NOTIMPL.
#include "core/OxCore.h"

namespace oxcore {

STDMETHODIMP COxCore::OxCreateInstance(CLSID*, IUnknown*, IID*, void** ppvObject) {
  if (ppvObject) *ppvObject = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP COxCore::OxGetClassObject(CLSID*, IID*, void** ppvObject) {
  if (ppvObject) *ppvObject = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP COxCore::OxFreeUnusedLibraries() { return E_NOTIMPL; }

}  // namespace oxcore
