#include "registry/ConfirmClass.h"

#include <unknwn.h>

#include "registry/SehGuard.h"

namespace oxcore {
namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

struct ConfirmCall {
  HMODULE* module;
  const std::wstring* path;
  const CLSID* clsid;
  bool served;
};

// Runs inside the guard; the handle is stored as soon as the load returns so
// that a library which faults later is still freed.
void Confirm(void* context) noexcept {
  auto* call = static_cast<ConfirmCall*>(context);
  if (!*call->module) *call->module = LoadLibraryW(call->path->c_str());
  if (!*call->module) return;
  auto getClassObject =
      reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(*call->module, "DllGetClassObject")));
  if (!getClassObject) return;
  IClassFactory* factory = nullptr;
  HRESULT hr = getClassObject(*call->clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr) || !factory) return;
  factory->Release();
  call->served = true;
}

void Free(void* context) noexcept { FreeLibrary(*static_cast<HMODULE*>(context)); }

}  // namespace

bool ConfirmClass(HMODULE* module, const std::wstring& path, REFCLSID clsid) {
  if (!module) return false;
  ConfirmCall call{module, &path, &clsid, false};
  // A fault after the factory was obtained still counts as not served.
  return CallGuarded(&Confirm, &call) && call.served;
}

void ReleaseConfirmModule(HMODULE* module) {
  if (!module || !*module) return;
  HMODULE handle = *module;
  *module = nullptr;
  CallGuarded(&Free, &handle);
}

}  // namespace oxcore
