#include "registry/FreeUnusedLibraries.h"

#include <objbase.h>

#include <atomic>

#include "registry/ComRuntime.h"

namespace oxcore {
namespace {

using CoFreeUnusedLibrariesExFn = void(WINAPI*)(DWORD, DWORD);

// Calls running now, process-wide.
volatile LONG g_runs = 0;
// The one-time lookup. Concurrent first calls may both look up, with the
// same outcome; ole32 is never freed.
std::atomic<bool> g_lookedUp{false};
std::atomic<CoFreeUnusedLibrariesExFn> g_coFreeEx{nullptr};

void LookUpCoFreeEx() {
  if (g_lookedUp.load(std::memory_order_acquire)) return;
  CoFreeUnusedLibrariesExFn found = nullptr;
  if (HMODULE ole32 = LoadLibraryW(L"ole32.dll")) {
    found = reinterpret_cast<CoFreeUnusedLibrariesExFn>(
        reinterpret_cast<void*>(GetProcAddress(ole32, "CoFreeUnusedLibrariesEx")));
  }
  g_coFreeEx.store(found, std::memory_order_relaxed);
  g_lookedUp.store(true, std::memory_order_release);
}

}  // namespace

HRESULT FreeUnusedLibraries(CComRuntime& runtime) {
  LookUpCoFreeEx();
  HRESULT hr = S_OK;
  if (InterlockedIncrement(&g_runs) == 1) {
    if (CoFreeUnusedLibrariesExFn coFreeEx = g_coFreeEx.load(std::memory_order_relaxed))
      coFreeEx(15000, 0);
    else
      CoFreeUnusedLibraries();
    hr = runtime.UnloadUnused();
  }
  InterlockedDecrement(&g_runs);
  return hr;
}

}  // namespace oxcore
