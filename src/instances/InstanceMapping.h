// CInstanceMapping: the named instances of the process, one object per class
// and name, created on first request through the core's class activation.
//
// Locking: a table lock guards the class map only and is never held while a
// class lock is taken or while an object is created, queried or released. A
// class lock is held for a whole operation on that class, creation included,
// so two threads asking for one class and name get one object. Both locks are
// re-entrant: code run inside a creation or a final release may call back
// into the table on the same thread.
#ifndef OXCORE_INSTANCES_INSTANCEMAPPING_H
#define OXCORE_INSTANCES_INSTANCEMAPPING_H

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "OxCoreLib.h"
#include "core/CriticalSection.h"
#include "core/GuidOrder.h"

namespace oxcore {

class CInstanceMapping {
 public:
  // Creates an object of a class: the core's OxCreateInstance (arguments
  // clsid, outer, iid, out slot).
  using CreateFn = std::function<HRESULT(CLSID*, IUnknown*, IID*, void**)>;

  // Answered by a get that would create the name it is already creating on
  // this thread (a creation asking for its own instance); recursing would
  // never end.
  static constexpr HRESULT kRecursiveCreation = static_cast<HRESULT>(0x8007046BL);  // ERROR_POSSIBLE_DEADLOCK

  // Objects are created through core->OxCreateInstance. The core is not
  // counted: it owns the table.
  explicit CInstanceMapping(IOxCore* core);
  // Objects are created by create (stand-ins for the core in tests).
  explicit CInstanceMapping(CreateFn create);
  ~CInstanceMapping();
  CInstanceMapping(const CInstanceMapping&) = delete;
  CInstanceMapping& operator=(const CInstanceMapping&) = delete;

  // The IOxCore operations of the same names, with their results. A null
  // clsid or iid is refused with E_INVALIDARG.
  HRESULT OxGetInstance(CLSID* clsid, BSTR InstanceName, IID* iid, void** ppvObject);
  HRESULT OxSetInstance(CLSID* clsid, BSTR InstanceName, IUnknown* pUnk);
  HRESULT OxHasInstance(CLSID* clsid, BSTR InstanceName, VARIANT_BOOL* Result);
  HRESULT OxGetAllInstanceNames(CLSID* clsid, BSTR* pAllInstanceNames);
  HRESULT OxGetAllInstances(CLSID* clsid, SAFEARRAY** ppAllInstances);
  HRESULT OxDropInstance(CLSID* clsid, BSTR InstanceName);

  // The named objects of one class.
  struct ObjCollection {
    ObjCollection() = default;
    ~ObjCollection();
    ObjCollection(const ObjCollection&) = delete;
    ObjCollection& operator=(const ObjCollection&) = delete;

    CriticalSection lock;
    // One reference held per object; names compare with wcscmp.
    std::map<std::wstring, IUnknown*> names;
    // Names whose creation is under way on the thread that holds the lock.
    std::set<std::wstring> creating;
  };

 private:
  using CollectionPtr = std::shared_ptr<ObjCollection>;

  CollectionPtr FindOrCreate(const CLSID& clsid);
  CollectionPtr Find(const CLSID& clsid);

  CriticalSection tableLock_;
  std::map<CLSID, CollectionPtr, GuidBytesLess> classes_;
  CreateFn create_;
};

}  // namespace oxcore

#endif  // OXCORE_INSTANCES_INSTANCEMAPPING_H
