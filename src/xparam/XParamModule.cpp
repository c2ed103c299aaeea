#include "xparam/XParamModule.h"

#include <windows.h>

#include <atomic>
#include <mutex>

namespace oxcore {
namespace {

struct Binding {
  HMODULE library = nullptr;
  xparam::FreeCppModuleInterfaceFn free = nullptr;
  std::atomic<xparam::ModuleInterface*> module{nullptr};
  bool freeLibraryOnRelease = false;
};

std::mutex g_mutex;  // Init/Uninit of several cores may meet here
Binding g_bindings[2];

Binding& Of(XParamBindingKind kind) { return g_bindings[kind == XParamBindingKind::kPrimary ? 0 : 1]; }

void ReleaseLocked(Binding& b) {
  xparam::ModuleInterface* module = b.module.exchange(nullptr);
  if (module && b.free) b.free(&module);
  if (b.library && b.freeLibraryOnRelease) FreeLibrary(b.library);
  b.library = nullptr;
  b.free = nullptr;
}

}  // namespace

bool BindXParam(XParamBindingKind kind) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Binding& b = Of(kind);
  ReleaseLocked(b);
  HMODULE library = LoadLibraryW(L"xparam.dll");
  if (!library) return false;
  auto get = reinterpret_cast<xparam::GetCppModuleInterfaceFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "GetCppModuleInterface")));
  auto release = reinterpret_cast<xparam::FreeCppModuleInterfaceFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "FreeCppModuleInterface")));
  xparam::ModuleInterface* module = nullptr;
  if (get) get(&module);
  b.library = library;
  b.free = release;
  b.freeLibraryOnRelease = kind == XParamBindingKind::kDocuments;
  if (!module) {
    ReleaseLocked(b);
    return false;
  }
  b.module.store(module);
  return true;
}

void ReleaseXParam(XParamBindingKind kind) {
  std::lock_guard<std::mutex> lock(g_mutex);
  ReleaseLocked(Of(kind));
}

xparam::ModuleInterface* XParamModule(XParamBindingKind kind) { return Of(kind).module.load(); }

}  // namespace oxcore
