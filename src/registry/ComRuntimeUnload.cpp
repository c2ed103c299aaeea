// The runtime's unload pass: every unpinned library whose DllCanUnloadNow
// agrees is let go, in key order.
#include "registry/ComRuntime.h"

namespace oxcore {

HRESULT CComRuntime::UnloadUnused() {
  for (auto& entry : libraries) entry.second.TryUnload();
  return S_OK;
}

}  // namespace oxcore
