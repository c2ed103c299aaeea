#include "registry/ComRuntime.h"

namespace oxcore {

void CComRuntime::Clear() {
  dispatches.clear();
  coclasses.clear();
  libraries.clear();
}

LibInfo* CComRuntime::FindLibrary(const GUID& libid) {
  auto it = libraries.find(libid);
  return it == libraries.end() ? nullptr : &it->second;
}

const ComEntry* CComRuntime::FindCoClass(const GUID& clsid) const {
  auto it = coclasses.find(clsid);
  return it == coclasses.end() ? nullptr : &it->second;
}

}  // namespace oxcore
