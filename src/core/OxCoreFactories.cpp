// IOxCore methods that create new runtime objects. Weak references and the
// XParam object are not part of this build yet: they answer E_NOTIMPL.
#include "core/OxCore.h"

namespace oxcore {

STDMETHODIMP COxCore::OxCreateWeakRef(IWeakRef** ppWeakRef) {
  if (!ppWeakRef) return E_POINTER;
  return E_NOTIMPL;
}

STDMETHODIMP COxCore::OxCreateXParam(IXParam** ppXParam) {
  if (!ppXParam) return E_POINTER;
  return E_NOTIMPL;
}

}  // namespace oxcore
