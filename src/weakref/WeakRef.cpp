#include "weakref/WeakRef.h"

namespace oxcore {

STDMETHODIMP CWeakRef::Initialize(ISupportWeakRef* pSupportWeakRef, LONG** ppStrongRefCounter) {
  if (!ppStrongRefCounter) return E_POINTER;
  if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&target), pSupportWeakRef, nullptr))
    return S_FALSE;
  *ppStrongRefCounter = &strongCount;
  return S_OK;
}

STDMETHODIMP CWeakRef::GetStrongRef(REFIID iid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  ISupportWeakRef* t = target;
  if (!t) return S_FALSE;
  // Take a temporary reference, never raising a count that reached zero.
  for (;;) {
    LONG seen = InterlockedCompareExchange(&strongCount, 0, 0);
    if (seen <= 0) return S_FALSE;
    if (InterlockedCompareExchange(&strongCount, seen + 1, seen) == seen) break;
  }
  HRESULT hr = t->QueryInterface(iid, ppvObject);
  t->Release();  // the temporary reference; on success the caller owns QueryInterface's
  return hr;
}

}  // namespace oxcore
