// One loaded component library and the entry points it exports. Held by
// shared pointer in LibInfo::handle; when the last owner lets go, the
// library is freed only if its DllCanUnloadNow agrees (DllFinalize first).
#ifndef OXCORE_REGISTRY_LIBHANDLEINFO_H
#define OXCORE_REGISTRY_LIBHANDLEINFO_H

#include <windows.h>

#include <memory>
#include <string>

namespace oxcore {

struct LibHandleInfo {
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using NoArgFn = HRESULT(STDAPICALLTYPE*)();

  // Loads the library at path (exactly as stored: a relative path goes
  // through the platform's library search). A file that does not load or
  // lacks DllGetClassObject leaves module and every entry point null.
  // DllInitialize, when exported, is called once the entry points are known.
  static std::shared_ptr<LibHandleInfo> Load(const std::wstring& path);

  LibHandleInfo() = default;
  ~LibHandleInfo();
  LibHandleInfo(const LibHandleInfo&) = delete;
  LibHandleInfo& operator=(const LibHandleInfo&) = delete;

  HMODULE module = nullptr;
  GetClassObjectFn DllGetClassObject = nullptr;
  NoArgFn DllCanUnloadNow = nullptr;
  NoArgFn DllInitialize = nullptr;
  NoArgFn DllFinalize = nullptr;
  NoArgFn DllPreload = nullptr;
};

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_LIBHANDLEINFO_H
