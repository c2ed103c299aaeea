// A re-entrant lock (a Win32 critical section) and its scope guard. Every
// lock of the runtime is one of these, so a thread may re-enter code that
// already holds it (a creation calling back into its own table, a library's
// DllGetClassObject activating classes of the same library).
#ifndef OXCORE_CORE_CRITICALSECTION_H
#define OXCORE_CORE_CRITICALSECTION_H

#include <windows.h>

namespace oxcore {

class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&cs_); }
  ~CriticalSection() { DeleteCriticalSection(&cs_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter() { EnterCriticalSection(&cs_); }
  void Leave() { LeaveCriticalSection(&cs_); }

 private:
  CRITICAL_SECTION cs_;
};

class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~CriticalSectionLock() { cs_.Leave(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CriticalSection& cs_;
};

}  // namespace oxcore

#endif  // OXCORE_CORE_CRITICALSECTION_H
