#include "registry/LibHandleInfo.h"

#include <new>

namespace oxcore {
namespace {

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::shared_ptr<LibHandleInfo> LibHandleInfo::Load(const std::wstring& path) {
  // The record first: once the library is loaded nothing may fail before it
  // is owned by the record.
  std::shared_ptr<LibHandleInfo> info;
  try {
    info = std::make_shared<LibHandleInfo>();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  HMODULE module = LoadLibraryW(path.c_str());
  if (!module) return info;
  auto getClassObject = Lookup<GetClassObjectFn>(module, "DllGetClassObject");
  if (!getClassObject) {
    FreeLibrary(module);
    return info;
  }
  info->module = module;
  info->DllGetClassObject = getClassObject;
  info->DllCanUnloadNow = Lookup<NoArgFn>(module, "DllCanUnloadNow");
  info->DllInitialize = Lookup<NoArgFn>(module, "DllInitialize");
  info->DllFinalize = Lookup<NoArgFn>(module, "DllFinalize");
  info->DllPreload = Lookup<NoArgFn>(module, "DllPreload");
  return info;
}

void LibHandleInfo::Initialize() {
  if (DllInitialize) DllInitialize();
}

LibHandleInfo::~LibHandleInfo() {
  if (!module || !DllCanUnloadNow || DllCanUnloadNow() != S_OK) return;
  if (DllFinalize) DllFinalize();
  FreeLibrary(module);
}

}  // namespace oxcore
