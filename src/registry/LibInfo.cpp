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

HRESULT LibInfo::Load(LibHandleInfo** loaded) {
  LibHandleInfo* record = handle.get();
  if (!record) {
    std::shared_ptr<LibHandleInfo> fresh = LibHandleInfo::Load(path);
    if (!fresh) return E_OUTOFMEMORY;
    std::atomic_store(&handle, fresh);
    record = fresh.get();
    ++busy_;
    record->Initialize();
    --busy_;
  }
  if (!record->module) return CO_E_DLLNOTFOUND;
  *loaded = record;
  return S_OK;
}

HRESULT LibInfo::EnsureLoaded() {
  LibHandleInfo* record = nullptr;
  return Load(&record);
}

HRESULT LibInfo::GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  CriticalSectionLock guard(*lock);
  LibHandleInfo* record = nullptr;
  HRESULT hr = Load(&record);
  if (FAILED(hr)) return hr;
  ++busy_;
  hr = record->DllGetClassObject(clsid, iid, ppv);
  --busy_;
  return hr;
}

HRESULT LibInfo::Preload() {
  std::shared_ptr<LibHandleInfo> record = Handle();
  if (!record) {
    CriticalSectionLock guard(*lock);
    record = Handle();
    if (!record) {
      pinned = true;
      LibHandleInfo* loaded = nullptr;
      HRESULT hr = Load(&loaded);
      if (hr == E_OUTOFMEMORY) pinned = false;  // nothing stored: still merely registered
      if (FAILED(hr)) return hr;
      record = handle;
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
  if (busy_) return E_FAIL;
  std::shared_ptr<LibHandleInfo> record = handle;
  if (!record || pinned || !record->DllCanUnloadNow || record->DllCanUnloadNow() != S_OK) return E_FAIL;
  // DllCanUnloadNow may have re-entered the loader on this thread.
  if (handle != record) return E_FAIL;
  std::atomic_store(&handle, std::shared_ptr<LibHandleInfo>());
  record.reset();  // the release rule asks DllCanUnloadNow again
  return S_OK;
}

}  // namespace oxcore
