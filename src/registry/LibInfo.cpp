#include "registry/LibInfo.h"

namespace oxcore {

LibInfo::LibInfo(const LibInfo& other)
    : libid(other.libid),
      name(other.name),
      path(other.path),
      lock(other.lock),
      handle(other.Handle()),
      pinned(other.pinned) {}

LibInfo& LibInfo::operator=(const LibInfo& other) {
  if (this == &other) return *this;
  libid = other.libid;
  name = other.name;
  path = other.path;
  lock = other.lock;
  std::atomic_store(&handle, other.Handle());
  pinned = other.pinned;
  return *this;
}

HRESULT LibInfo::Load(std::shared_ptr<LibHandleInfo>* loaded) {
  std::shared_ptr<LibHandleInfo> record = Handle();
  if (!record) {
    record = LibHandleInfo::Load(path);
    if (!record) return E_OUTOFMEMORY;
    std::atomic_store(&handle, record);
    record->Initialize();
  }
  if (!record->module) return CO_E_DLLNOTFOUND;
  *loaded = std::move(record);
  return S_OK;
}

HRESULT LibInfo::EnsureLoaded() {
  std::shared_ptr<LibHandleInfo> record;
  return Load(&record);
}

HRESULT LibInfo::GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  CriticalSectionLock guard(*lock);
  std::shared_ptr<LibHandleInfo> record;  // let go before the lock
  HRESULT hr = Load(&record);
  if (FAILED(hr)) return hr;
  return record->DllGetClassObject(clsid, iid, ppv);
}

HRESULT LibInfo::Preload() {
  std::shared_ptr<LibHandleInfo> record = Handle();
  if (!record) {
    CriticalSectionLock guard(*lock);
    record = Handle();
    if (!record) {
      pinned = true;
      HRESULT hr = Load(&record);
      if (hr == E_OUTOFMEMORY) pinned = false;  // nothing stored: still merely registered
      if (FAILED(hr)) return hr;
    }
  }
  HRESULT hr = S_OK;
  if (!record->module) {
    hr = CO_E_DLLNOTFOUND;
  } else if (record->DllPreload) {
    hr = record->DllPreload();
  }
  // An unload may have dropped the handle meanwhile: the release rule then
  // runs here, and it must run under the lock.
  CriticalSectionLock guard(*lock);
  record.reset();
  return hr;
}

HRESULT LibInfo::TryUnload() {
  CriticalSectionLock guard(*lock);
  std::shared_ptr<LibHandleInfo> record = Handle();
  if (!record || pinned || !record->DllCanUnloadNow || record->DllCanUnloadNow() != S_OK) return E_FAIL;
  // DllCanUnloadNow may have re-entered the loader on this thread.
  if (Handle() != record) return E_FAIL;
  std::atomic_store(&handle, std::shared_ptr<LibHandleInfo>());
  record.reset();  // the release rule asks DllCanUnloadNow again
  return S_OK;
}

}  // namespace oxcore
