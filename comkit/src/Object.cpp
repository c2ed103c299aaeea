#include "comkit/Object.h"

namespace comkit {

HRESULT QueryInterfaceTable(void* self, const InterfaceEntry* table, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!table || !table[0].iid) return E_NOINTERFACE;
  const InterfaceEntry* hit = nullptr;
  if (IsEqualIID(iid, IID_IUnknown)) {
    hit = &table[0];
  } else {
    for (const InterfaceEntry* e = table; e->iid; ++e) {
      if (IsEqualIID(iid, *e->iid)) {
        hit = e;
        break;
      }
    }
  }
  if (!hit) return E_NOINTERFACE;
  IUnknown* itf = reinterpret_cast<IUnknown*>(static_cast<char*>(self) + hit->offset);
  itf->AddRef();
  *ppv = itf;
  return S_OK;
}

}  // namespace comkit
