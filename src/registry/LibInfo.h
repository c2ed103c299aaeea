// One component library of the runtime registry, and the loader's
// operations on it. Copies share the lock and the loaded handle.
#ifndef OXCORE_REGISTRY_LIBINFO_H
#define OXCORE_REGISTRY_LIBINFO_H

#include <windows.h>

#include <memory>
#include <string>

#include "core/CriticalSection.h"
#include "registry/LibHandleInfo.h"

namespace oxcore {

struct LibInfo {
  GUID libid = GUID_NULL;
  std::wstring name;
  std::wstring path;  // as written in the documents, passed unchanged to LoadLibraryW
  // Guards loading, the class-object call and unloading of this library.
  std::shared_ptr<CriticalSection> lock = std::make_shared<CriticalSection>();
  // Null until the library is first loaded; a record with a null module
  // marks a load that failed and is not retried.
  std::shared_ptr<LibHandleInfo> handle;
  // Set by a preload that loaded the library: never unloaded before the
  // registry goes.
  bool pinned = false;

  // Under lock (taken by the caller): loads on first use. S_OK when the
  // library is loaded, else CO_E_DLLNOTFOUND.
  HRESULT EnsureLoaded();
  // The library's DllGetClassObject, called under lock after EnsureLoaded.
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv);
  // Loads (and pins) the library if it is not loaded, then DllPreload.
  HRESULT Preload();
  // Drops the handle of an unpinned library whose DllCanUnloadNow answers
  // S_OK: S_OK when dropped, else E_FAIL.
  HRESULT TryUnload();
};

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_LIBINFO_H
