// CWeakRef: a weak reference whose counter is its target's reference count.
//
// The target (an ISupportWeakRef object) counts its references in the
// counter this object owns, so the counter outlives the target and a holder
// can always tell whether the target still lives. A counter that reached
// zero is never raised again.
//
// Beyond the plain protocol: a weak reference initialised with a null target
// answers S_FALSE from GetStrongRef even while its counter is above zero.
#ifndef OXCORE_WEAKREF_WEAKREF_H
#define OXCORE_WEAKREF_WEAKREF_H

#include <windows.h>

#include "OxCoreLib.h"
#include "comkit/Object.h"

namespace oxcore {

class CWeakRef : public comkit::ObjectBase, public IWeakRef {
 public:
  COMKIT_INTERFACES(CWeakRef)
    COMKIT_INTERFACE(IWeakRef)
  COMKIT_END_INTERFACES()

  CWeakRef() = default;
  virtual ~CWeakRef() = default;
  CWeakRef(const CWeakRef&) = delete;
  CWeakRef& operator=(const CWeakRef&) = delete;

  STDMETHODIMP Initialize(ISupportWeakRef* pSupportWeakRef, LONG** ppStrongRefCounter) override;
  STDMETHODIMP GetStrongRef(REFIID iid, void** ppvObject) override;

 private:
  ISupportWeakRef* volatile target = nullptr;  // not counted
  LONG strongCount = 0;
};

}  // namespace oxcore

#endif  // OXCORE_WEAKREF_WEAKREF_H
