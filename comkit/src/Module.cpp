#include "comkit/Module.h"

namespace comkit {
namespace {

HMODULE g_module = nullptr;
LONG g_lockCount = 0;
CRITICAL_SECTION g_cs;
LONG g_csReady = 0;

// Lazily set up for programs that link comkit without a DllMain (tests, EXEs).
void EnsureLock() {
  static LONG once = 0;  // 0 none, 1 being made, 2 ready
  if (InterlockedCompareExchange(&g_csReady, 0, 0) == 2) return;
  if (InterlockedCompareExchange(&once, 1, 0) == 0) {
    InitializeCriticalSection(&g_cs);
    InterlockedExchange(&g_csReady, 2);
    return;
  }
  while (InterlockedCompareExchange(&g_csReady, 0, 0) != 2) Sleep(1);
}

}  // namespace

bool Module::Attach(HINSTANCE instance) {
  g_module = instance;
  if (InterlockedCompareExchange(&g_csReady, 0, 0) == 2) return true;
  if (!InitializeCriticalSectionAndSpinCount(&g_cs, 0)) return false;
  InterlockedExchange(&g_csReady, 2);
  return true;
}

void Module::Detach() {
  if (InterlockedExchange(&g_csReady, 0) == 2) DeleteCriticalSection(&g_cs);
}

HMODULE Module::Handle() {
  if (g_module) return g_module;
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&g_module), &self);
  return self;
}

LONG Module::Lock() { return InterlockedIncrement(&g_lockCount); }
LONG Module::Unlock() { return InterlockedDecrement(&g_lockCount); }
LONG Module::LockCount() { return InterlockedCompareExchange(&g_lockCount, 0, 0); }

void Module::Enter() {
  EnsureLock();
  EnterCriticalSection(&g_cs);
}

void Module::Leave() { LeaveCriticalSection(&g_cs); }

}  // namespace comkit
