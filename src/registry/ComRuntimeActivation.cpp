// Class activation: CLSID -> coclass entry -> library record -> the
// library's DllGetClassObject. The tables are read without a lock; only the
// class-object call runs under the library's lock, and the factory creates
// the object with no lock held.
#include "registry/ComRuntime.h"

namespace oxcore {

HRESULT CComRuntime::GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  const ComEntry* entry = FindCoClass(clsid);
  if (!entry) return REGDB_E_CLASSNOTREG;
  LibInfo* library = FindLibrary(entry->libid);
  if (!library) return REGDB_E_CLASSNOTREG;
  return library->GetClassObject(clsid, iid, ppv);
}

HRESULT CComRuntime::CreateInstance(REFCLSID clsid, IUnknown* pUnkOuter, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  // A library reporting success without a factory must not crash its caller.
  if (!factory) return E_UNEXPECTED;
  hr = factory->CreateInstance(pUnkOuter, iid, ppv);
  factory->Release();
  return hr;
}

}  // namespace oxcore
