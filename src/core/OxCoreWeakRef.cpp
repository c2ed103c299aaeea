// IOxCore::OxCreateWeakRef: a new, uninitialised weak reference.
#include "core/OxCore.h"
#include "weakref/WeakRef.h"

namespace oxcore {

STDMETHODIMP COxCore::OxCreateWeakRef(IWeakRef** ppWeakRef) {
  if (!ppWeakRef) return E_POINTER;
  *ppWeakRef = nullptr;
  return comkit::Object<CWeakRef>::Create(nullptr, IID_IWeakRef, reinterpret_cast<void**>(ppWeakRef));
}

}  // namespace oxcore
