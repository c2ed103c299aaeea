// One coclass or dispatch interface of the runtime registry.
#ifndef OXCORE_REGISTRY_COMENTRY_H
#define OXCORE_REGISTRY_COMENTRY_H

#include <windows.h>

#include <string>

namespace oxcore {

struct ComEntry {
  GUID guid = GUID_NULL;   // CLSID (coclasses) or IID (dispatches)
  std::wstring name;       // as the type library names it
  GUID libid = GUID_NULL;  // key into CComRuntime::libraries
};

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_COMENTRY_H
