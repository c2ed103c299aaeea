// IDispatch of a dual interface, served from its type information.
//
// Type information comes from the registered type library (LoadRegTypeLib of
// the given LIBID and version) at first use, and is cached. When the library
// is not registered, the copy embedded as TYPELIB resource 1 in the module
// that linked comkit is read instead (never registered), so late-bound
// callers also work on a machine where nobody registered it.
#ifndef COMKIT_DISPATCH_H
#define COMKIT_DISPATCH_H

#include <windows.h>
#include <oaidl.h>

namespace comkit {

// The ITypeInfo describing the vtable part of interface iid (for a dual
// interface, the interface half of its dispinterface), with an added
// reference.
HRESULT GetInterfaceTypeInfo(const GUID& libid, WORD major, WORD minor, REFIID iid, ITypeInfo** out);

// Drops the cached type libraries (module unload).
void ReleaseTypeInfoCache();

template <class Itf, const GUID* Libid, WORD Major = 1, WORD Minor = 0>
class DispatchImpl : public Itf {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GetInterfaceTypeInfo(*Libid, Major, Minor, __uuidof(Itf), info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    ITypeInfo* ti = nullptr;
    HRESULT hr = GetInterfaceTypeInfo(*Libid, Major, Minor, __uuidof(Itf), &ti);
    if (FAILED(hr)) return hr;
    hr = ti->GetIDsOfNames(names, count, ids);
    ti->Release();
    return hr;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* argErr) override {
    ITypeInfo* ti = nullptr;
    HRESULT hr = GetInterfaceTypeInfo(*Libid, Major, Minor, __uuidof(Itf), &ti);
    if (FAILED(hr)) return hr;
    hr = ti->Invoke(static_cast<Itf*>(this), id, flags, params, result, excep, argErr);
    ti->Release();
    return hr;
  }
};

// ISupportErrorInfo answering for the class's own interface only.
template <const IID* Own>
class SupportErrorInfoImpl : public ISupportErrorInfo {
 public:
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return IsEqualIID(iid, *Own) ? S_OK : S_FALSE;
  }
};

}  // namespace comkit

#endif  // COMKIT_DISPATCH_H
