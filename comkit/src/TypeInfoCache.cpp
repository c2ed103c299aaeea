#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "comkit/Dispatch.h"
#include "comkit/Module.h"

namespace comkit {
namespace {

struct CachedInfo {
  GUID libid;
  WORD major;
  WORD minor;
  IID iid;
  ITypeInfo* info;
};

struct CachedLib {
  GUID libid;
  WORD major;
  WORD minor;
  ITypeLib* lib;
};

// Guarded by the module lock; entries live until ReleaseTypeInfoCache.
std::vector<CachedInfo>* g_infos = nullptr;
std::vector<CachedLib>* g_libs = nullptr;

HRESULT LoadLibraryFor(const GUID& libid, WORD major, WORD minor, ITypeLib** out) {
  HRESULT hr = LoadRegTypeLib(libid, major, minor, LOCALE_NEUTRAL, out);
  if (SUCCEEDED(hr)) return hr;
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(Module::Handle(), path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return hr;
  ITypeLib* embedded = nullptr;
  HRESULT hr2 = LoadTypeLibEx(path, REGKIND_NONE, &embedded);
  if (FAILED(hr2)) return hr;
  // Only the library that was asked for will do.
  TLIBATTR* attr = nullptr;
  bool match = SUCCEEDED(embedded->GetLibAttr(&attr)) && IsEqualGUID(attr->guid, libid) &&
               attr->wMajorVerNum == major;
  if (attr) embedded->ReleaseTLibAttr(attr);
  if (!match) {
    embedded->Release();
    return hr;
  }
  *out = embedded;
  return S_OK;
}

HRESULT DescribeInterface(ITypeLib* lib, REFIID iid, ITypeInfo** out) {
  ITypeInfo* info = nullptr;
  HRESULT hr = lib->GetTypeInfoOfGuid(iid, &info);
  if (FAILED(hr)) return hr;
  TYPEATTR* attr = nullptr;
  hr = info->GetTypeAttr(&attr);
  if (FAILED(hr)) {
    info->Release();
    return hr;
  }
  bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
  info->ReleaseTypeAttr(attr);
  if (dual) {
    // Invoke calls through the vtable: it needs the interface half.
    HREFTYPE ref = 0;
    ITypeInfo* vtable = nullptr;
    hr = info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
    if (SUCCEEDED(hr)) hr = info->GetRefTypeInfo(ref, &vtable);
    info->Release();
    if (FAILED(hr)) return hr;
    info = vtable;
  }
  *out = info;
  return S_OK;
}

}  // namespace

HRESULT GetInterfaceTypeInfo(const GUID& libid, WORD major, WORD minor, REFIID iid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ModuleLockGuard guard;
  try {
    if (!g_infos) g_infos = new std::vector<CachedInfo>();
    if (!g_libs) g_libs = new std::vector<CachedLib>();
    for (const CachedInfo& c : *g_infos) {
      if (IsEqualGUID(c.libid, libid) && c.major == major && c.minor == minor && IsEqualIID(c.iid, iid)) {
        c.info->AddRef();
        *out = c.info;
        return S_OK;
      }
    }
    ITypeLib* lib = nullptr;
    for (const CachedLib& c : *g_libs) {
      if (IsEqualGUID(c.libid, libid) && c.major == major && c.minor == minor) lib = c.lib;
    }
    if (!lib) {
      HRESULT hr = LoadLibraryFor(libid, major, minor, &lib);
      if (FAILED(hr)) return hr;  // not cached: a later registration may fix it
      g_libs->push_back({libid, major, minor, lib});
    }
    ITypeInfo* info = nullptr;
    HRESULT hr = DescribeInterface(lib, iid, &info);
    if (FAILED(hr)) return hr;
    g_infos->push_back({libid, major, minor, iid, info});
    info->AddRef();
    *out = info;
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

void ReleaseTypeInfoCache() {
  ModuleLockGuard guard;
  if (g_infos) {
    for (CachedInfo& c : *g_infos) c.info->Release();
    delete g_infos;
    g_infos = nullptr;
  }
  if (g_libs) {
    for (CachedLib& c : *g_libs) c.lib->Release();
    delete g_libs;
    g_libs = nullptr;
  }
}

}  // namespace comkit
