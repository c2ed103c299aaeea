// Class factories and the class table served by DllGetClassObject.
#ifndef COMKIT_CLASSFACTORY_H
#define COMKIT_CLASSFACTORY_H

#include <windows.h>
#include <unknwn.h>

#include "comkit/Module.h"
#include "comkit/Object.h"

namespace comkit {

using CreatorFn = HRESULT (*)(IUnknown* outer, REFIID iid, void** ppv);

// One factory object per class, living as long as the module. Its reference
// count is the module lock count: a held factory keeps the module locked.
class ClassFactory final : public IClassFactory {
 public:
  explicit constexpr ClassFactory(CreatorFn create) : create_(create) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  CreatorFn create_;
};

template <class T>
HRESULT CreatorFor(IUnknown* outer, REFIID iid, void** ppv) {
  return Object<T>::Create(outer, iid, ppv);
}

struct ClassEntry {
  const CLSID* clsid;
  ClassFactory* factory;
};

// The platform's class-object lookup over a table (ended by a null clsid).
// A CLSID outside the table answers CLASS_E_CLASSNOTAVAILABLE.
HRESULT GetClassObjectFromTable(const ClassEntry* table, REFCLSID clsid, REFIID iid, void** ppv);

}  // namespace comkit

#endif  // COMKIT_CLASSFACTORY_H
