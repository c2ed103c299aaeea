// The plain exports of OxCore.dll that hand out the core and class objects.
#include <windows.h>

#include "core/ClassTable.h"
#include "core/ProcessCore.h"

extern "C" HRESULT STDAPICALLTYPE GetOxCore(IOxCore** ppCore) {
  if (!ppCore) return E_POINTER;
  IOxCore* core = oxcore::ProcessCore();
  *ppCore = core;
  if (!core) return E_FAIL;
  core->AddRef();
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  return comkit::GetClassObjectFromTable(oxcore::ClassTable(), clsid, iid, ppv);
}
