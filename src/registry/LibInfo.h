// One component library of the runtime registry, and the loader's
// operations on it. Copies share the lock and the loaded handle.
//
// Locking. `lock` is held while the library loads (DllInitialize included),
// during its DllGetClassObject call and during TryUnload (DllCanUnloadNow,
// DllFinalize and FreeLibrary included). It is not held during DllPreload
// nor while a class factory creates an object. The lock is re-entrant, so a
// library may activate its own classes from DllGetClassObject.
//
// `handle` is read once without the lock (Preload's first look, through
// Handle(), an std::atomic_load). Every write of it holds `lock` and goes
// through std::atomic_store, so the reads made under `lock` need no atomic
// access: no write can run beside them.
//
// No unload from inside the library. While this thread is inside the
// library's DllInitialize or DllGetClassObject, TryUnload on the library
// refuses (E_FAIL, DllCanUnloadNow not asked): freeing a library whose code
// is running would crash on the way back. Preload holds its record by a
// local shared pointer while DllPreload runs (without the lock) and lets it
// go under `lock`, so the release rule always runs under `lock`.
//
// Activation from inside DllInitialize. The new record is stored in
// `handle` before DllInitialize runs, so a class of the same library that
// DllInitialize activates on its own thread is served by the library being
// initialised (its DllGetClassObject is called before DllInitialize has
// returned) instead of loading the library a second time; another thread
// waits on `lock` until DllInitialize has returned.
#ifndef OXCORE_REGISTRY_LIBINFO_H
#define OXCORE_REGISTRY_LIBINFO_H

#include <windows.h>
#include <cguid.h>

#include <memory>
#include <string>

#include "core/CriticalSection.h"
#include "registry/LibHandleInfo.h"

namespace oxcore {

struct LibInfo {
  GUID libid = GUID_NULL;
  std::wstring name;
  std::wstring path;  // as written in the documents, passed unchanged to LoadLibraryW
  // Guards loading, the class-object call and unloading of this library.
  std::shared_ptr<CriticalSection> lock = std::make_shared<CriticalSection>();
  // Null until the library is first loaded; a record with a null module
  // marks a load that failed and is not retried.
  std::shared_ptr<LibHandleInfo> handle;
  // Set by a preload that loaded the library: never unloaded before the
  // registry goes.
  bool pinned = false;

  LibInfo() = default;
  // Copy the six fields; the copy is not inside any call of the library.
  LibInfo(const LibInfo& other);
  LibInfo& operator=(const LibInfo& other);

  std::shared_ptr<LibHandleInfo> Handle() const { return std::atomic_load(&handle); }

  // Under lock (taken by the caller): loads on first use. S_OK when the
  // library is loaded, CO_E_DLLNOTFOUND when it is not (now or from an
  // earlier attempt), E_OUTOFMEMORY when no record could be made (nothing
  // stored; a later call tries again).
  HRESULT EnsureLoaded();
  // The library's DllGetClassObject, called under lock after EnsureLoaded.
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv);
  // Loads (and pins) the library if it is not loaded, then DllPreload (its
  // result is returned). A library already loaded is not pinned.
  HRESULT Preload();
  // Drops the handle of an unpinned library whose DllCanUnloadNow answers
  // S_OK: S_OK when dropped, else E_FAIL.
  HRESULT TryUnload();

 private:
  // EnsureLoaded, handing out the loaded record (owned by `handle`).
  HRESULT Load(LibHandleInfo** loaded);

  // Under `lock`: calls into the library (DllInitialize, DllGetClassObject)
  // running on the thread that holds the lock.
  int busy_ = 0;
};

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_LIBINFO_H
