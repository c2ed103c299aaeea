// One component library of the runtime registry, and the loader's
// operations on it. Copies share the lock and the loaded handle.
//
// Locking. `lock` is held while the library loads (DllInitialize included),
// during its DllGetClassObject call and during TryUnload (DllCanUnloadNow,
// DllFinalize and FreeLibrary included). It is not held during DllPreload
// nor while a class factory creates an object. The lock is re-entrant, so a
// library may activate its own classes from DllGetClassObject.
//
// `handle` is read once without the lock (Preload's first look), so every
// read and write of it goes through std::atomic_load / std::atomic_store;
// use Handle() to read it. `pinned` is read and written under `lock` only.
//
// A record that an operation works on is held by a local shared pointer
// until the operation ends and is let go under `lock`: the library cannot be
// freed while its code runs, and the release rule always runs under `lock`.
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
  // EnsureLoaded, handing out the loaded record.
  HRESULT Load(std::shared_ptr<LibHandleInfo>* loaded);
};

}  // namespace oxcore

#endif  // OXCORE_REGISTRY_LIBINFO_H
