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
  // through the platform's library search) and looks up its entry points.
  // A file that does not load or lacks DllGetClassObject leaves module and
  // every entry point null (the module is freed again). Null only when the
  // record itself cannot be allocated; then nothing was loaded.
  //
  // DllInitialize is not called here but by Initialize, so that the loader
  // can publish the record first (see LibInfo).
  static std::shared_ptr<LibHandleInfo> Load(const std::wstring& path);

  // Calls DllInitialize when the library exports it; its result is ignored.
  void Initialize();

  LibHandleInfo() = default;
  // The release rule: a loaded library whose DllCanUnloadNow exists and
  // answers S_OK gets DllFinalize (when exported), then FreeLibrary. Any
  // other library stays loaded for good and DllFinalize is not called.
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
