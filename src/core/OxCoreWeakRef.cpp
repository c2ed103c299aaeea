// IOxCore::OxCreateWeakRef. Weak references are not part of this build yet.
#include "core/OxCore.h"

namespace oxcore {

STDMETHODIMP COxCore::OxCreateWeakRef(IWeakRef** ppWeakRef) {
  if (!ppWeakRef) return E_POINTER;
  return E_NOTIMPL;
}

}  // namespace oxcore
