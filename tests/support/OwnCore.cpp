#include "OwnCore.h"

namespace oxtest {

HRESULT CreateOwnCore(IOxCore** core) {
  if (!core) return E_POINTER;
  *core = nullptr;
  HMODULE lib = LoadLibraryW(L"OxCore.dll");
  if (!lib) return HRESULT_FROM_WIN32(GetLastError());
  auto getClass = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(lib, "DllGetClassObject")));
  if (!getClass) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  IClassFactory* factory = nullptr;
  HRESULT hr = getClass(CLSID_OxCore, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, IID_IOxCore, reinterpret_cast<void**>(core));
  factory->Release();
  return hr;
}

}  // namespace oxtest
