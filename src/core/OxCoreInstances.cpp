// IOxCore methods served by the named-instance table.
// The table is not part of this build yet: they answer E_NOTIMPL.
#include "core/OxCore.h"

namespace oxcore {

STDMETHODIMP COxCore::OxGetInstance(CLSID*, BSTR, IID*, void** ppvObject) {
  if (ppvObject) *ppvObject = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP COxCore::OxSetInstance(CLSID*, BSTR, IUnknown*) { return E_NOTIMPL; }

STDMETHODIMP COxCore::OxHasInstance(CLSID*, BSTR, VARIANT_BOOL*) { return E_NOTIMPL; }

STDMETHODIMP COxCore::OxGetAllInstanceNames(CLSID*, BSTR*) { return E_NOTIMPL; }

STDMETHODIMP COxCore::OxGetAllInstances(CLSID*, SAFEARRAY**) { return E_NOTIMPL; }

STDMETHODIMP COxCore::OxDropInstance(CLSID*, BSTR) { return E_NOTIMPL; }

}  // namespace oxcore
