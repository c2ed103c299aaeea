// Module state shared by the COM classes of one DLL: the module handle, the
// lock count (live objects and LockServer calls) and a module-wide lock.
#ifndef COMKIT_MODULE_H
#define COMKIT_MODULE_H

#include <windows.h>

namespace comkit {

class Module {
 public:
  // Called from DllMain on process attach; false when the module lock
  // cannot be set up (the DLL should then refuse to load).
  static bool Attach(HINSTANCE instance);
  static void Detach();

  // The module whose code is running: the DLL or EXE that linked comkit in.
  static HMODULE Handle();

  static LONG Lock();
  static LONG Unlock();
  static LONG LockCount();

  // Module-wide re-entrant lock for one-time initialisations.
  static void Enter();
  static void Leave();
};

// Scoped Module::Enter / Module::Leave.
class ModuleLockGuard {
 public:
  ModuleLockGuard() { Module::Enter(); }
  ~ModuleLockGuard() { Module::Leave(); }
  ModuleLockGuard(const ModuleLockGuard&) = delete;
  ModuleLockGuard& operator=(const ModuleLockGuard&) = delete;
};

}  // namespace comkit

#endif  // COMKIT_MODULE_H
