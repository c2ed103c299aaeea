// Preloading at start-up. The preload list is a document whose root holds
// "lib" children, each a LIBID in GUID text; other children are ignored and
// text that does not convert names the zero GUID (which no library has).
// Libraries are preloaded in list order, as often as they are listed; a
// missing or unreadable list preloads nothing.
#include <new>
#include <vector>

#include "registry/ComRuntime.h"
#include "xparam/DocumentIO.h"

namespace oxcore {
namespace {

std::vector<GUID> ReadPreloadList(const std::wstring& path) {
  std::vector<GUID> libids;
  try {
    doc::Document document;
    if (!document.Load(path)) return libids;
    for (xparam::NodePtr item = doc::FirstChild(document.Root(), L"lib"); item; item = doc::NextNamesake(item.Get()))
      libids.push_back(doc::ReadGuid(item.Get()));
  } catch (const std::bad_alloc&) {
    // What was read so far is preloaded.
  }
  return libids;
}

}  // namespace

HRESULT CComRuntime::PreloadLibraries(const std::wstring& path) {
  for (const GUID& libid : ReadPreloadList(path)) {
    if (LibInfo* library = FindLibrary(libid)) library->Preload();
  }
  return S_OK;
}

}  // namespace oxcore
