// CComRuntime: the in-memory component registry. Three maps ordered by the
// raw bytes of their GUID keys; filled at start-up, then only read (without a
// lock) for class activation. Only the handle and pinned fields of the
// library records change afterwards, under each library's own lock.
#ifndef OXCORE_REGISTRY_COMRUNTIME_H
#define OXCORE_REGISTRY_COMRUNTIME_H

#include <windows.h>
#include <unknwn.h>

#include <map>
#include <string>

#include "core/GuidOrder.h"
#include "registry/ComEntry.h"
#include "registry/LibInfo.h"

namespace oxcore {

class CComRuntime {
 public:
  using LibraryMap = std::map<GUID, LibInfo, GuidBytesLess>;
  using EntryMap = std::map<GUID, ComEntry, GuidBytesLess>;

  CComRuntime() = default;
  CComRuntime(const CComRuntime&) = delete;
  CComRuntime& operator=(const CComRuntime&) = delete;

  // Empties the three maps.
  void Clear();
  // Exact lookups; null when absent. Inline: activation runs both.
  LibInfo* FindLibrary(const GUID& libid) {
    auto it = libraries.find(libid);
    return it == libraries.end() ? nullptr : &it->second;
  }
  const ComEntry* FindCoClass(const GUID& clsid) const {
    auto it = coclasses.find(clsid);
    return it == coclasses.end() ? nullptr : &it->second;
  }

  // Class activation (OxGetClassObject, OxCreateInstance).
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv);
  HRESULT CreateInstance(REFCLSID clsid, IUnknown* pUnkOuter, REFIID iid, void** ppv);
  // Preloads the libraries listed in the preload-list document at path.
  HRESULT PreloadLibraries(const std::wstring& path);
  // TryUnload on every library, in key order.
  HRESULT UnloadUnused();

  // Declared in this order so that destruction drops dispatches, then
  // coclasses, then libraries.
  LibraryMap libraries;
  EntryMap coclasses;
  EntryMap dispatches;
};

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_COMRUNTIME_H
