// Merging registry documents into a CComRuntime: within and across the
// documents the last occurrence of a LIBID, CLSID or IID wins. Only what
// activation needs is carried over (no file name, version or doc strings).
#include <new>

#include "registry/RegistryDocuments.h"

namespace oxcore {

void MergeRegFiles(CComRuntime* runtime, const std::vector<std::wstring>& paths) {
  if (!runtime) return;
  runtime->Clear();
  for (const std::wstring& path : paths) {
    try {
      std::vector<TypeLibDesc> list;
      if (!ReadRegFile(path, &list)) continue;
      for (const TypeLibDesc& desc : list) {
        LibInfo info;  // a lock of its own, not loaded, not pinned
        info.libid = desc.guid;
        info.name = desc.name;
        info.path = desc.path;
        runtime->libraries.insert_or_assign(desc.guid, std::move(info));
        for (const TypeDesc& type : desc.coclasses)
          runtime->coclasses.insert_or_assign(type.guid, ComEntry{type.guid, type.name, desc.guid});
        for (const TypeDesc& type : desc.dispatches)
          runtime->dispatches.insert_or_assign(type.guid, ComEntry{type.guid, type.name, desc.guid});
      }
    } catch (const std::bad_alloc&) {
      // The document is left out; what earlier documents gave stays.
    }
  }
}

}  // namespace oxcore
